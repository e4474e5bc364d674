#include "tests/platform_fx2_draw/fx2_effects.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace fx2_effects {
namespace {

using pw::Fx2Class;
using pw::Fx2RegisterSet;
using pw::Fx2Symbol;
using pw::Fx2Type;

Fx2Symbol Vector(const char* name, uint32_t reg) { return {name, Fx2RegisterSet::Float4, reg, 1}; }
Fx2Symbol Sampler(const char* name, uint32_t reg) {
  return {name, Fx2RegisterSet::Sampler, reg, 1, Fx2Class::Object, Fx2Type::Sampler2D, 1, 1, 1};
}
pw::Fx2Parameter Param(const char* name, pw::Fx2Value value) { return {name, "", std::move(value), {}}; }
pw::Fx2Pass Pass(const char* name, std::vector<pw::Fx2State> states) { return {name, std::move(states), {}}; }

const char kPassVs[] = "vs_2_0\ndcl_position v0\nmov oPos, v0\n";
const char kColourPs[] = "ps_2_0\nmov oC0, c0\n";

pw::Fx2Effect WithColour(std::initializer_list<float> colour) {
  pw::Fx2Effect e;
  e.parameters.push_back(Param("Colour", pw::Fx2Vector(colour)));
  return e;
}

void AddTexture(pw::Fx2Effect* e, uint32_t filter, uint32_t address) {
  e->parameters.push_back(Param("Picture", pw::Fx2Texture()));
  e->parameters.push_back(Param(
      "PictureSampler",
      pw::Fx2Sampler({pw::Fx2SamplerTextureState("Picture"), pw::Fx2SamplerState(pw::kFx2SamplerMinFilter, filter),
                      pw::Fx2SamplerState(pw::kFx2SamplerMagFilter, filter),
                      pw::Fx2SamplerState(pw::kFx2SamplerAddressU, address),
                      pw::Fx2SamplerState(pw::kFx2SamplerAddressV, address)})));
}

}  // namespace

std::vector<uint8_t> Asm(const char* source, const std::vector<pw::Fx2Symbol>& symbols) {
  std::string errors;
  std::vector<uint8_t> code = pw::AssembleShader(source, symbols, &errors);
  EXPECT_FALSE(code.empty()) << errors;
  return code;
}

void SetPixelInputUsages(std::vector<uint8_t>* bytecode, std::initializer_list<std::pair<int, uint32_t>> usages) {
  size_t words = bytecode->size() / 4;
  auto word = [&](size_t i) {
    uint32_t w;
    std::memcpy(&w, bytecode->data() + i * 4, 4);
    return w;
  };
  for (size_t i = 1; i < words;) {
    uint32_t t = word(i);
    if (t == 0x0000FFFFu) break;
    if ((t & 0xFFFF) == 0xFFFE) {  // comment
      i += 1 + ((t >> 16) & 0x7FFF);
      continue;
    }
    size_t length = (t >> 24) & 0xF;
    if ((t & 0xFFFF) == 0x1F && i + 2 < words) {  // dcl usage, register
      uint32_t reg = word(i + 2);
      uint32_t type = ((reg >> 28) & 7) | ((reg >> 8) & 0x18);
      for (const auto& u : usages)
        if (type == 1 && static_cast<int>(reg & 0x7FF) == u.first) {
          uint32_t usage = 0x80000000u | u.second;
          std::memcpy(bytecode->data() + (i + 1) * 4, &usage, 4);
        }
    }
    i += 1 + length;
  }
}

pw::Fx2Effect ColourEffect(std::initializer_list<float> colour) {
  pw::Fx2Effect e = WithColour(colour);
  e.techniques.push_back(
      {"Flat", {Pass("P0", {pw::Fx2VertexShaderState(Asm(kPassVs)), pw::Fx2PixelShaderState(Asm(kColourPs, {Vector("Colour", 0)}))})}, {}});
  return e;
}

pw::Fx2Effect TexturedEffect(uint32_t filter, uint32_t address) {
  pw::Fx2Effect e;
  AddTexture(&e, filter, address);
  std::vector<uint8_t> vs = Asm("vs_2_0\ndcl_position v0\ndcl_texcoord0 v1\nmov oPos, v0\nmov oT0, v1\n");
  std::vector<uint8_t> ps =
      Asm("ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0\n", {Sampler("PictureSampler", 0)});
  e.techniques.push_back({"Textured", {Pass("P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)})}, {}});
  return e;
}

pw::Fx2Effect MatrixEffect() {
  pw::Fx2Effect e = WithColour({0, 1, 0, 1});
  pw::Fx2Value m = pw::Fx2Matrix(4, 4, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
  m.cls = Fx2Class::MatrixColumns;
  e.parameters.push_back(Param("WorldViewProj", m));
  std::vector<uint8_t> vs = Asm("vs_2_0\ndcl_position v0\nm4x4 oPos, v0, c0\n",
                                {{"WorldViewProj", Fx2RegisterSet::Float4, 0, 4, Fx2Class::MatrixColumns,
                                  Fx2Type::Float, 4, 4, 1}});
  std::vector<uint8_t> ps = Asm(kColourPs, {Vector("Colour", 0)});
  e.techniques.push_back({"Moved", {Pass("P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)})}, {}});
  return e;
}

pw::Fx2Effect AdditiveEffect(std::initializer_list<float> colour, int passes) {
  pw::Fx2Effect e = WithColour(colour);
  pw::Fx2Technique t{"Add", {}, {}};
  for (int i = 0; i < passes; ++i)
    t.passes.push_back(Pass(i == 0 ? "First" : "Again",
                            {pw::Fx2RenderState(pw::kFx2StateAlphaBlendEnable, 1),
                             pw::Fx2RenderState(pw::kFx2StateSrcBlend, 2),  // ONE
                             pw::Fx2RenderState(pw::kFx2StateDestBlend, 2),
                             pw::Fx2VertexShaderState(Asm(kPassVs)),
                             pw::Fx2PixelShaderState(Asm(kColourPs, {Vector("Colour", 0)}))}));
  e.techniques.push_back(t);
  return e;
}

pw::Fx2Effect TwoTechniques() {
  pw::Fx2Effect e;
  e.parameters.push_back(Param("GreenColour", pw::Fx2Vector({0, 1, 0, 1})));
  e.parameters.push_back(Param("BlueColour", pw::Fx2Vector({0, 0, 1, 1})));
  for (const char* name : {"Green", "Blue"}) {
    std::string param = std::string(name) + "Colour";
    e.techniques.push_back(
        {name,
         {Pass("P0", {pw::Fx2VertexShaderState(Asm(kPassVs)),
                      pw::Fx2PixelShaderState(Asm(kColourPs, {Vector(param.c_str(), 0)}))})},
         {}});
  }
  return e;
}

pw::Fx2Effect PixelOnlyEffect() {
  pw::Fx2Effect e;
  AddTexture(&e, 1, 3);
  std::vector<uint8_t> ps = Asm("ps_2_0\ndcl v0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmul r0, r0, v0\nmov oC0, r0\n",
                                {Sampler("PictureSampler", 0)});
  e.techniques.push_back({"Pixels", {Pass("P0", {pw::Fx2PixelShaderState(ps)})}, {}});
  return e;
}

pw::Fx2Effect ShaderModel3Effect() {
  pw::Fx2Effect e = WithColour({1, 0, 0, 1});
  std::vector<uint8_t> vs = Asm(
      "vs_3_0\ndcl_position v0\ndcl_texcoord0 v1\ndcl_position o0\ndcl_texcoord0 o1\n"
      "mov o0, v0\nmov o1, v1\n");
  std::vector<uint8_t> ps = Asm("ps_3_0\ndcl_texcoord0 v0\nmul oC0, c0, v0.xxxw\n", {Vector("Colour", 0)});
  SetPixelInputUsages(&ps, {{0, 5}});  // TEXCOORD0
  e.techniques.push_back({"Model3", {Pass("P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)})}, {}});
  return e;
}

}  // namespace fx2_effects
