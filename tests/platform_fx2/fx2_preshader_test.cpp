// Preshaders: a well-formed one passes the check and the library's runtime
// computes its constants; damaged ones are refused before the library sees
// them (the sanitizer build runs these).
#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3dx9/d3dx9_fx2_container.h"
#include "tests/platform_fx2/fx2_samples.h"

namespace {

using Bytes = std::vector<uint8_t>;

pw::Fx2Effect PreshaderSample() {
  for (auto& [n, e] : fx2_samples::All()) {
    if (n == "preshader") return e;
  }
  ADD_FAILURE();
  return {};
}

std::vector<uint8_t>& PixelShaderOf(pw::Fx2Effect& e) { return e.techniques[0].passes[0].states[0].value.shader; }

bool Valid(const Bytes& b, std::string* why) { return D3DX_ValidateFx2(b.data(), static_cast<uint32_t>(b.size()), why); }

TEST(Fx2PreshaderTest, TheRuntimeComputesConstantsFromAParameter) {
  const Bytes b = pw::WriteFx2(PreshaderSample());
  std::string why;
  ASSERT_TRUE(Valid(b, &why)) << why;
  const pw::Fx2LibraryReport r = pw::Fx2ParseWithLibrary(b.data(), static_cast<uint32_t>(b.size()));
  ASSERT_TRUE(r.parsed) << r.errors;
  ASSERT_EQ(r.pixelFloats.size(), 256u * 4);
  // Scale = (0.25, 0.5, 1, 0.125): c0 = Scale * 2, c1 = Scale + 1.
  const float c0[4] = {0.5f, 1, 2, 0.25f}, c1[4] = {1.25f, 1.5f, 2, 1.125f};
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(r.pixelFloats[k], c0[k]) << k;
    EXPECT_FLOAT_EQ(r.pixelFloats[4 + k], c1[k]) << k;
  }
}

struct Damage {
  const char* name;
  // Changes the preshader's description before it is written.
  void (*edit)(pw::Fx2Preshader&);
  const char* reason;
};

// An output mapping names the registers written; the outputs still land at
// their own index.
TEST(Fx2PreshaderTest, AnOutputMappingKeepsTheOutputsInPlace) {
  pw::Fx2Effect e = PreshaderSample();
  pw::Fx2Preshader pre = fx2_samples::ScalePreshader();
  pre.code[0].operands[2].index = 12;  // c3
  pre.code[2].operands[1].index = 16;  // c4
  pre.outputMapping = {0, 0, 0, 0, 0, 0, 1, 3, 2, 0, 0};
  PixelShaderOf(e) = pw::AttachPreshader(pw::AssembleShader("ps_2_0\nmov r0, c3\nadd r0, r0, c4\nmov oC0, r0\n"), pre);
  const Bytes b = pw::WriteFx2(e);
  std::string why;
  ASSERT_TRUE(Valid(b, &why)) << why;
  const pw::Fx2LibraryReport r = pw::Fx2ParseWithLibrary(b.data(), static_cast<uint32_t>(b.size()));
  ASSERT_TRUE(r.parsed) << r.errors;
  EXPECT_FLOAT_EQ(r.pixelFloats[12 + 2], 2);
  EXPECT_FLOAT_EQ(r.pixelFloats[16 + 0], 1.25f);
  EXPECT_FLOAT_EQ(r.pixelFloats[0], 0);
}

TEST(Fx2PreshaderTest, DamagedPreshadersAreRefused) {
  using pw::Fx2Preshader;
  const Damage cases[] = {
      {"literal past the table", [](Fx2Preshader& p) { p.code[1].operands[1].index = 2; },
       "preshader literal past the literal table"},
      {"scalar literal past the table", [](Fx2Preshader& p) { p.code[0].operands[0].index = 5; },
       "preshader literal past the literal table"},
      {"input past its registers", [](Fx2Preshader& p) { p.code[0].operands[1].index = 1; },
       "preshader input past its input registers"},
      {"input in no register", [](Fx2Preshader& p) { p.code[0].operands[1].index = 40; },
       "preshader input past its input registers"},
      {"output past the constant file", [](Fx2Preshader& p) { p.code[0].operands[2].index = 4 * 256 - 2; },
       "preshader output past the constant file"},
      {"temporary read past the ones written", [](Fx2Preshader& p) { p.code[2].operands[0].index = 4; },
       "preshader temporary past the ones it writes"},
      {"temporary write across a register", [](Fx2Preshader& p) { p.code[1].operands[2].index = 2; },
       "preshader temporary write crosses a register"},
      {"temporary far out", [](Fx2Preshader& p) { p.code[1].operands[2].index = 4 * 256; },
       "preshader temporary past 256 registers"},
      {"element count 0", [](Fx2Preshader& p) { p.code[1].elements = 0; },
       "preshader instruction element count not 1 to 4"},
      {"element count 5", [](Fx2Preshader& p) { p.code[1].elements = 5; },
       "preshader instruction element count not 1 to 4"},
      {"unknown opcode", [](Fx2Preshader& p) { p.code[1].opcode = 0x2070; }, "preshader opcode unknown"},
      {"operand count wrong", [](Fx2Preshader& p) { p.code[2].operands.insert(p.code[2].operands.begin(), {1, 0}); },
       "preshader instruction operand count does not match its opcode"},
      {"output as input", [](Fx2Preshader& p) { p.code[1].operands[0].type = pw::kFx2PresOutput; },
       "preshader reads an operand that is not a literal, input or temporary"},
      {"literal as output", [](Fx2Preshader& p) { p.code[0].operands[2].type = pw::kFx2PresLiteral; },
       "preshader writes an operand that is not an output or temporary"},
      {"output outside its mapping",
       [](Fx2Preshader& p) { p.outputMapping = {0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0}; },
       "preshader output outside its output mapping"},
      {"mapping past the constant file",
       [](Fx2Preshader& p) { p.outputMapping = {0, 0, 0, 0, 0, 0, 1, 250, 7, 0, 0}; },
       "preshader output mapping past the constant file"},
      {"mapping count past its block",
       [](Fx2Preshader& p) { p.outputMapping = {0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0}; },
       "preshader output mapping past its block"},
      {"input not in the parameters",
       [](Fx2Preshader& p) { p.inputs[0].name = "Missing"; }, "constant 'Missing' names no parameter"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    pw::Fx2Effect e = PreshaderSample();
    Fx2Preshader pre = fx2_samples::ScalePreshader();
    c.edit(pre);
    PixelShaderOf(e) = pw::AttachPreshader(pw::AssembleShader("ps_2_0\nmov oC0, c0\n"), pre);
    const Bytes b = pw::WriteFx2(e);
    std::string why;
    EXPECT_FALSE(Valid(b, &why));
    EXPECT_EQ(why.find(c.reason) == std::string::npos ? why : c.reason, c.reason);
  }
}

// Counts and lengths inside the preshader's bytes, each past the data.
TEST(Fx2PreshaderTest, CountsPastTheDataAreRefused) {
  struct Word {
    const char* name;
    int32_t at;  // from the code block's instruction count (the version: absolute)
    uint32_t value;
    const char* reason;
  };
  const Word cases[] = {
      {"instruction count", 0, 1000, "preshader instruction count past its code"},
      {"instruction count one more", 0, 4, "preshader"},
      {"operand count", 2, 0x40000000u, "preshader instruction operand count"},
      {"relative addressing", 3, 1, "preshader operand uses relative addressing"},
      {"literal count", -13, 0x10000000u, "preshader literals past their block"},
      {"block length", -2, 0xFFFE | (0x7FFFu << 16), "preshader block runs past the preshader"},
      {"version token", -1000, 0x12345678u, "preshader version token missing"},
  };
  const pw::Fx2Effect base = PreshaderSample();
  const Bytes shader = base.techniques[0].passes[0].states[0].value.shader;
  const uint32_t code = pw::PreshaderCodeWord(shader);
  ASSERT_GT(code, 0u);
  for (const Word& c : cases) {
    SCOPED_TRACE(c.name);
    pw::Fx2Effect e = base;
    Bytes& s = PixelShaderOf(e);
    const int64_t word = c.at == -1000 ? 3 : static_cast<int64_t>(code) + c.at;
    ASSERT_GE(word, 0);
    ASSERT_LE(static_cast<size_t>(4 * word + 4), s.size());
    std::memcpy(s.data() + 4 * word, &c.value, 4);
    const Bytes b = pw::WriteFx2(e);
    std::string why;
    EXPECT_FALSE(Valid(b, &why));
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
  }
}

}  // namespace
