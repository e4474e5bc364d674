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

pw::Fx2Effect MatrixEffect(bool rowMajor) {
  pw::Fx2Effect e = WithColour({0, 1, 0, 1});
  pw::Fx2Value m = pw::Fx2Matrix(4, 4, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
  Fx2Class cls = rowMajor ? Fx2Class::MatrixRows : Fx2Class::MatrixColumns;
  m.cls = cls;
  e.parameters.push_back(Param("WorldViewProj", m));
  std::vector<uint8_t> vs =
      Asm(rowMajor ? "vs_2_0\ndcl_position v0\nmul r0, v0.x, c0\nmad r0, v0.y, c1, r0\nmad r0, v0.z, c2, r0\n"
                     "mad oPos, v0.w, c3, r0\n"
                   : "vs_2_0\ndcl_position v0\nm4x4 oPos, v0, c0\n",
          {{"WorldViewProj", Fx2RegisterSet::Float4, 0, 4, cls, Fx2Type::Float, 4, 4, 1}});
  std::vector<uint8_t> ps = Asm(kColourPs, {Vector("Colour", 0)});
  e.techniques.push_back({"Moved", {Pass("P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)})}, {}});
  return e;
}

pw::Fx2Effect ArrayEffect(std::initializer_list<float> weights) {
  pw::Fx2Effect e;
  e.parameters.push_back(Param("Weights", pw::Fx2FloatArray(weights)));
  std::vector<uint8_t> ps = Asm("ps_2_0\ndef c3, 0, 0, 0, 1\nadd r0, c0, c1\nadd r0, r0, c2\nmov r0.yzw, c3\nmov oC0, r0\n",
                                {{"Weights", Fx2RegisterSet::Float4, 0, 3, Fx2Class::Scalar, Fx2Type::Float, 1, 1, 3}});
  e.techniques.push_back({"Sum", {Pass("P0", {pw::Fx2VertexShaderState(Asm(kPassVs)), pw::Fx2PixelShaderState(ps)})}, {}});
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

pw::Fx2Effect ShaderModel3Effect(bool fixUsages) {
  pw::Fx2Effect e = WithColour({1, 0, 0, 1});
  std::vector<uint8_t> vs = Asm(
      "vs_3_0\ndcl_position v0\ndcl_texcoord0 v1\ndcl_position o0\ndcl_texcoord0 o1\n"
      "dcl_color o2\nmov o0, v0\nmov o1, v1\nmov o2, c0\n", {Vector("Colour", 0)});
  std::vector<uint8_t> ps = Asm("ps_3_0\ndcl_texcoord0 v0\ndcl_color v1\nmul r0, c0, v0.xxxw\nmul oC0, r0, v1\n",
                                {Vector("Colour", 0)});
  if (fixUsages) SetPixelInputUsages(&ps, {{0, 5}, {1, 10}});  // TEXCOORD0, COLOR0
  e.techniques.push_back({"Model3", {Pass("P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)})}, {}});
  return e;
}

pw::Fx2Effect LevelLookupEffect() {
  pw::Fx2Effect e;
  AddTexture(&e, 1, 3);
  std::vector<uint8_t> vs = Asm(
      "vs_3_0\ndcl_position v0\ndcl_texcoord0 v1\ndcl_position o0\ndcl_texcoord0 o1\n"
      "def c0, 0, 0, 0, 0\nmov o0, v0\nmov o1.xy, v1\nmov o1.zw, c0\n");
  std::vector<uint8_t> ps =
      Asm("ps_3_0\ndcl_texcoord0 v0\ndcl_2d s0\ntexldl r0, v0, s0\nmov oC0, r0\n", {Sampler("PictureSampler", 0)});
  SetPixelInputUsages(&ps, {{0, 5}});
  e.techniques.push_back({"Level", {Pass("P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)})}, {}});
  return e;
}

pw::Fx2Effect PixelPositionEffect() {
  pw::Fx2Effect e;
  std::vector<uint8_t> vs = Asm("vs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n");
  std::vector<uint8_t> ps = Asm(
      "ps_3_0\ndef c0, -31, 0, 0, 1\ndcl vPos.xy\nadd r0.x, vPos.x, c0.x\nadd r0.y, vPos.y, c0.x\n"
      "mov r0.zw, c0.yyyw\nmov oC0, r0\n");
  e.techniques.push_back({"Position", {Pass("P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)})}, {}});
  return e;
}

pw::Fx2Effect FixedFunctionEffect() {
  pw::Fx2Effect e;
  e.techniques.push_back({"Fixed",
                          {Pass("P0", {pw::Fx2RenderState(pw::kFx2StateAlphaBlendEnable, 1),
                                       pw::Fx2RenderState(pw::kFx2StateSrcBlend, 2),
                                       pw::Fx2RenderState(pw::kFx2StateDestBlend, 2)})},
                          {}});
  return e;
}

pw::Fx2Effect VertexOnlyEffect() {
  pw::Fx2Effect e;
  e.techniques.push_back({"Vertex", {Pass("P0", {pw::Fx2VertexShaderState(Asm(kPassVs))})}, {}});
  return e;
}

pw::Fx2Effect EffectWithState(uint32_t operation, uint32_t index, uint32_t value) {
  pw::Fx2Effect e = ColourEffect({0, 1, 0, 1});
  pw::Fx2State s = pw::Fx2RenderState(operation, value);
  s.index = index;
  e.techniques[0].passes[0].states.insert(e.techniques[0].passes[0].states.begin(), s);
  return e;
}

}  // namespace fx2_effects
