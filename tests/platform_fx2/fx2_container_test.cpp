// The compiled-effect check: the writer's binaries pass, damaged ones are
// refused with a reason, and whatever passes is read by the shader library
// without fault (the sanitizer build runs these).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>

#include "platform/d3dx9/d3dx9_fx2_container.h"
#include "tests/platform_fx2/fx2_samples.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool Valid(const Bytes& b, std::string* why = nullptr) {
  std::string ignored;
  return D3DX_ValidateFx2(b.data(), static_cast<uint32_t>(b.size()), why ? why : &ignored);
}

// What passes the check must be safe for the library.
void ExpectSafe(const Bytes& b) {
  if (Valid(b)) pw::Fx2ParseWithLibrary(b.data(), static_cast<uint32_t>(b.size()));
}

void Put(Bytes& b, uint32_t at, uint32_t v) {
  ASSERT_LE(at + 4, b.size());
  std::memcpy(b.data() + at, &v, 4);
}

pw::Fx2Effect Sample(const std::string& name) {
  for (auto& [n, e] : fx2_samples::All()) {
    if (n == name) return e;
  }
  ADD_FAILURE() << name;
  return {};
}

TEST(Fx2ContainerTest, TheWritersBinariesPass) {
  for (const auto& [name, effect] : fx2_samples::All()) {
    SCOPED_TRACE(name);
    const Bytes b = pw::WriteFx2(effect);
    std::string why;
    EXPECT_TRUE(D3DX_IsFx2(b.data(), static_cast<uint32_t>(b.size())));
    EXPECT_TRUE(Valid(b, &why)) << why;
  }
}

TEST(Fx2ContainerTest, OnlyTheTagMakesAContainer) {
  const char text[] = "effect 1\nfloat A = 1\n";
  EXPECT_FALSE(D3DX_IsFx2(text, sizeof text - 1));
  const uint8_t shortTag[3] = {0x01, 0x09, 0xFF};
  EXPECT_FALSE(D3DX_IsFx2(shortTag, 3));
  EXPECT_FALSE(D3DX_IsFx2(nullptr, 0));
  std::string why;
  EXPECT_FALSE(D3DX_ValidateFx2(text, sizeof text - 1, &why));
  EXPECT_FALSE(D3DX_ValidateFx2(nullptr, 0, &why));
  const uint8_t tagOnly[4] = {0x01, 0x09, 0xFF, 0xFE};
  EXPECT_FALSE(D3DX_ValidateFx2(tagOnly, 4, &why));
}

TEST(Fx2ContainerTest, EveryCutIsRefused) {
  for (const auto& [name, effect] : fx2_samples::All()) {
    SCOPED_TRACE(name);
    const Bytes whole = pw::WriteFx2(effect);
    // The last object's padding is the only part the check may do without.
    for (size_t cut = 0; cut + 3 < whole.size(); ++cut) {
      const Bytes part(whole.begin(), whole.begin() + cut);
      EXPECT_FALSE(Valid(part)) << "cut at " << cut;
    }
  }
}

// Damage aimed at one field, on the binary of a sample.
struct Damage {
  const char* what;
  const char* sample;
  std::function<void(Bytes&, const pw::Fx2Layout&)> apply;
};

TEST(Fx2ContainerTest, DamagedFieldsAreRefused) {
  const std::vector<Damage> cases = {
      {"data block past the end", "textured", [](Bytes& b, const pw::Fx2Layout&) { Put(b, 4, uint32_t(b.size())); }},
      {"data block size huge", "textured", [](Bytes& b, const pw::Fx2Layout&) { Put(b, 4, 0xFFFFFFF0u); }},
      {"parameter count too large", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.tablesStart, 0x40000000u); }},
      {"technique count too large", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.tablesStart + 4, 0xFFFFFFFFu); }},
      {"object count too large", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.tablesStart + 12, 0x7FFFFFFFu); }},
      {"object index past the object count", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.tablesStart + 12, 1); }},
      {"small object count too large", "values",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.objectCountsStart, 0x10000000u); }},
      {"large object count too large", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.objectCountsStart + 4, 0x10000000u); }},
      {"string length past the data", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.stringOffsets[0], 0x00FFFFFFu); }},
      {"string without terminator", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) {
         uint32_t length;
         std::memcpy(&length, b.data() + l.stringOffsets[0], 4);
         b[l.stringOffsets[0] + 4 + length - 1] = 'x';
       }},
      {"type offset past the data", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.tablesStart + 16, 0x7FFFFFF0u); }},
      {"type offset off a word", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.tablesStart + 16, l.typeOffsets[0] - 8 + 2); }},
      {"value offset past the data", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.tablesStart + 20, 0x7FFFFFF0u); }},
      {"unknown value type", "textured", [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.typeOffsets[0], 99); }},
      {"structure class", "textured", [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.typeOffsets[0] + 4, 5); }},
      {"matrix rows out of range", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.typeOffsets[0] + 24, 5); }},
      {"array too long for the data", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.typeOffsets[0] + 16, 0x01000000u); }},
      {"small object index past the count", "values",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.smallObjectOffsets[0], 0xFFFFu); }},
      {"small object length past the end", "values",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.smallObjectOffsets[0] + 4, 0x7FFFFFFFu); }},
      {"small object stored twice", "values",
       [](Bytes& b, const pw::Fx2Layout& l) {
         uint32_t first;
         std::memcpy(&first, b.data() + l.smallObjectOffsets[0], 4);
         Put(b, l.smallObjectOffsets[1], first);
       }},
      {"large object names no technique", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.largeObjectOffsets[0], 7); }},
      {"large object names no pass", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.largeObjectOffsets[0] + 4, 1); }},
      {"large object names no state", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.largeObjectOffsets[0] + 12, 9); }},
      {"large object of another kind", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.largeObjectOffsets[0] + 16, 2); }},
      {"large object length past the end", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.largeObjectOffsets[0] + 20, 0x7FFFFFFFu); }},
      {"shader without end token", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.shaderOffsets[1] + l.shaderSizes[1] - 4, 0); }},
      {"shader of the wrong kind", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.shaderOffsets[0], 0xFFFF0200u); }},
      {"shader model 4", "textured", [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.shaderOffsets[1], 0xFFFF0400u); }},
      {"shader comment past the shader", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.shaderOffsets[1] + 4, 0x7FFFFFFEu); }},
      {"unknown shader opcode", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) {
         // The first instruction after the comments keeps its length.
         uint32_t at = l.shaderOffsets[1] + 4, token;
         for (;;) {
           std::memcpy(&token, b.data() + at, 4);
           if ((token & 0xFFFF) != 0xFFFE) break;
           at += 4 * (1 + ((token >> 16) & 0x7FFF));
         }
         Put(b, at, (token & 0xFFFF0000u) | 0x66FEu);
       }},
      {"constant table entries past the table", "textured",
       [](Bytes& b, const pw::Fx2Layout& l) { Put(b, l.shaderOffsets[1] + 12 + 12, 0x00FFFFFFu); }},
  };
  for (const Damage& d : cases) {
    SCOPED_TRACE(d.what);
    pw::Fx2Layout layout;
    Bytes b = pw::WriteFx2(Sample(d.sample), &layout);
    ASSERT_TRUE(Valid(b));
    d.apply(b, layout);
    std::string why;
    EXPECT_FALSE(Valid(b, &why));
    EXPECT_FALSE(why.empty());
  }
}

// Effects the writer makes whole but that a runtime cannot trust.
TEST(Fx2ContainerTest, InconsistentEffectsAreRefused) {
  using pw::Fx2Class;
  using pw::Fx2RegisterSet;
  using pw::Fx2Type;
  auto withPixelShader = [](const char* source, std::vector<pw::Fx2Symbol> symbols) {
    pw::Fx2Effect e;
    e.parameters.push_back({"Colour", "", pw::Fx2Vector({1, 1, 1, 1}), {}});
    e.parameters.push_back({"Picture", "", pw::Fx2Texture(), {}});
    e.parameters.push_back({"PictureSampler", "", pw::Fx2Sampler({pw::Fx2SamplerTextureState("Picture")}), {}});
    std::string errors;
    std::vector<uint8_t> ps = pw::AssembleShader(source, symbols, &errors);
    EXPECT_FALSE(ps.empty()) << errors;
    e.techniques.push_back({"T", {{"P", {pw::Fx2PixelShaderState(ps)}, {}}}, {}});
    return e;
  };
  const pw::Fx2Symbol colour{"Colour", Fx2RegisterSet::Float4, 0, 1};
  struct Case {
    const char* what;
    pw::Fx2Effect effect;
  };
  std::vector<Case> cases;
  cases.push_back({"constant naming no parameter",
                   withPixelShader("ps_2_0\nmov oC0, c0\n", {{"Missing", Fx2RegisterSet::Float4, 0, 1}})});
  cases.push_back({"constant with more registers than its parameter",
                   withPixelShader("ps_2_0\nmov oC0, c0\n", {{"Colour", Fx2RegisterSet::Float4, 0, 4}})});
  cases.push_back({"constant past the register file",
                   withPixelShader("ps_2_0\nmov oC0, c0\n", {{"Colour", Fx2RegisterSet::Float4, 255, 2}})});
  cases.push_back({"float constant naming a texture",
                   withPixelShader("ps_2_0\nmov oC0, c0\n", {{"Picture", Fx2RegisterSet::Float4, 0, 1}})});
  cases.push_back({"sampler constant naming a vector",
                   withPixelShader("ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0\n",
                                   {{"Colour", Fx2RegisterSet::Sampler, 0, 1, Fx2Class::Object, Fx2Type::Sampler2D}})});
  cases.push_back({"instruction past the float constants", withPixelShader("ps_3_0\nmov oC0, c300\n", {})});
  {
    pw::Fx2Effect e = withPixelShader("ps_2_0\nmov oC0, c0\n", {colour});
    e.parameters[2].value.samplerStates[0] = pw::Fx2SamplerTextureState("Colour");
    cases.push_back({"sampler texture naming a vector", e});
  }
  {
    pw::Fx2Effect e = withPixelShader("ps_2_0\nmov oC0, c0\n", {colour});
    e.parameters[2].value.samplerStates[0] = pw::Fx2SamplerTextureState("Nothing");
    cases.push_back({"sampler texture naming nothing", e});
  }
  {
    pw::Fx2Effect e = withPixelShader("ps_2_0\nmov oC0, c0\n", {colour});
    e.techniques[0].passes[0].states[0].operation = pw::kFx2StateVertexShader;
    cases.push_back({"pixel shader in the vertex shader state", e});
  }
  {
    pw::Fx2Effect e = withPixelShader("ps_2_0\nmov oC0, c0\n", {colour});
    e.parameters[0].name.clear();
    cases.push_back({"parameter without a name", e});
  }
  {
    pw::Fx2Effect e = withPixelShader("ps_2_0\nmov oC0, c0\n", {colour});
    e.parameters[0].value.cls = Fx2Class::Struct;
    cases.push_back({"structure parameter", e});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes b = pw::WriteFx2(c.effect);
    std::string why;
    EXPECT_FALSE(Valid(b, &why));
    EXPECT_FALSE(why.empty());
  }
  // The same effect, consistent, passes.
  std::string why;
  EXPECT_TRUE(Valid(pw::WriteFx2(withPixelShader("ps_2_0\nmov oC0, c0\n", {colour})), &why)) << why;
}

// One long name given to every parameter: the check's work (and the
// library's copies) would grow with the square of the size, so it is refused.
TEST(Fx2ContainerTest, ANameSharedByThousandsOfParametersIsRefused) {
  pw::Fx2Effect e;
  e.parameters.push_back({std::string(65536, 'a'), "", pw::Fx2Float(1), {}});
  for (int i = 0; i < 2000; ++i) e.parameters.push_back({"P" + std::to_string(i), "", pw::Fx2Float(1), {}});
  pw::Fx2Layout layout;
  Bytes b = pw::WriteFx2(e, &layout);
  std::string why;
  ASSERT_TRUE(Valid(b, &why)) << why;
  const uint32_t longName = layout.stringOffsets[0] - 8;
  for (uint32_t typeAt : layout.typeOffsets) Put(b, typeAt + 8, longName);
  EXPECT_FALSE(Valid(b, &why));
  EXPECT_EQ(why, "values too large for the data");
}

// Random damage: whatever the check lets through, the library reads safely.
TEST(Fx2ContainerTest, RandomDamageIsRefusedOrSafe) {
  std::mt19937 rng(47);
  for (const auto& [name, effect] : fx2_samples::All()) {
    SCOPED_TRACE(name);
    const Bytes whole = pw::WriteFx2(effect);
    for (int round = 0; round < 150; ++round) {
      Bytes b = whole;
      const int hits = 1 + static_cast<int>(rng() % 3);
      for (int h = 0; h < hits; ++h) {
        const size_t at = rng() % b.size();
        b[at] = (rng() % 2) ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(b[at] ^ (1u << (rng() % 8)));
      }
      ExpectSafe(b);
    }
  }
}

// With FX2_SEEDS_OUT set, writes the seeds of the fx2_container fuzzer.
TEST(Fx2SeedsTest, WriteFuzzSeedsOnRequest) {
  const char* dir = std::getenv("FX2_SEEDS_OUT");
  if (!dir) GTEST_SKIP() << "FX2_SEEDS_OUT not set";
  for (const auto& [name, effect] : fx2_samples::All()) {
    const Bytes b = pw::WriteFx2(effect);
    FILE* f = std::fopen((std::string(dir) + "/" + name + ".fxo").c_str(), "wb");
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(std::fwrite(b.data(), 1, b.size(), f), b.size());
    std::fclose(f);
  }
}

}  // namespace
