#include "tests/platform_fx2/fx2_samples.h"

namespace fx2_samples {
namespace {

using pw::Fx2Class;
using pw::Fx2RegisterSet;
using pw::Fx2Symbol;
using pw::Fx2Type;

Fx2Symbol Matrix(const char* name, uint32_t reg) {
  return {name, Fx2RegisterSet::Float4, reg, 4, Fx2Class::MatrixRows, Fx2Type::Float, 4, 4, 1};
}
Fx2Symbol Vector(const char* name, uint32_t reg) { return {name, Fx2RegisterSet::Float4, reg, 1}; }
Fx2Symbol Sampler(const char* name, uint32_t reg) {
  return {name, Fx2RegisterSet::Sampler, reg, 1, Fx2Class::Object, Fx2Type::Sampler2D, 1, 1, 1};
}

std::vector<uint8_t> Asm(const char* source, const std::vector<Fx2Symbol>& symbols = {}) {
  return pw::AssembleShader(source, symbols);
}

pw::Fx2Parameter Param(const char* name, pw::Fx2Value value, const char* semantic = "") {
  return {name, semantic, std::move(value), {}};
}

const std::vector<float> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

pw::Fx2Effect ConstantColour() {
  pw::Fx2Effect e;
  e.parameters.push_back(Param("Colour", pw::Fx2Vector({0, 1, 0, 1})));
  std::vector<uint8_t> vs = Asm("vs_2_0\ndcl_position v0\nmov oPos, v0\n");
  std::vector<uint8_t> ps = Asm("ps_2_0\nmov oC0, c0\n", {Vector("Colour", 0)});
  e.techniques.push_back({"Flat", {{"P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)}, {}}}, {}});
  return e;
}

pw::Fx2Effect Textured() {
  pw::Fx2Effect e;
  e.parameters.push_back(Param("WorldViewProj", pw::Fx2Matrix(4, 4, kIdentity), "WORLDVIEWPROJECTION"));
  e.parameters.push_back(Param("Picture", pw::Fx2Texture()));
  e.parameters.push_back(Param(
      "PictureSampler",
      pw::Fx2Sampler({pw::Fx2SamplerTextureState("Picture"), pw::Fx2SamplerState(pw::kFx2SamplerMinFilter, 2),
                      pw::Fx2SamplerState(pw::kFx2SamplerMagFilter, 2),
                      pw::Fx2SamplerState(pw::kFx2SamplerAddressU, 3),
                      pw::Fx2SamplerState(pw::kFx2SamplerAddressV, 3)})));
  std::vector<uint8_t> vs = Asm(
      "vs_2_0\ndcl_position v0\ndcl_texcoord0 v1\nm4x4 oPos, v0, c0\nmov oT0, v1\n", {Matrix("WorldViewProj", 0)});
  std::vector<uint8_t> ps = Asm("ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0\n",
                                {Sampler("PictureSampler", 0)});
  e.techniques.push_back({"Textured", {{"P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)}, {}}}, {}});
  return e;
}

// Two techniques, the second with two blended passes and a pixel shader over
// fixed-function vertex processing.
pw::Fx2Effect Techniques() {
  pw::Fx2Effect e;
  e.parameters.push_back(Param("Tint", pw::Fx2Vector({1, 0.5f, 0.25f, 1})));
  e.parameters.push_back(Param("Strength", pw::Fx2Float(0.5f)));
  std::vector<uint8_t> ps = Asm("ps_2_0\nmov oC0, c0\n", {Vector("Tint", 0)});
  std::vector<uint8_t> ps2 = Asm("ps_2_0\nmul r0, c0, c1.x\nmov oC0, r0\n", {Vector("Tint", 0),
                                  {"Strength", Fx2RegisterSet::Float4, 1, 1, Fx2Class::Scalar, Fx2Type::Float, 1, 1, 1}});
  e.techniques.push_back({"Plain", {{"P0", {pw::Fx2PixelShaderState(ps)}, {}}}, {}});
  pw::Fx2Pass add{"Add",
                  {pw::Fx2RenderState(pw::kFx2StateAlphaBlendEnable, 1), pw::Fx2RenderState(pw::kFx2StateSrcBlend, 2),
                   pw::Fx2RenderState(pw::kFx2StateDestBlend, 2), pw::Fx2RenderState(pw::kFx2StateCullMode, 1),
                   pw::Fx2PixelShaderState(ps2)},
                  {}};
  pw::Fx2Pass blend{"Blend",
                    {pw::Fx2RenderState(pw::kFx2StateAlphaBlendEnable, 1),
                     pw::Fx2RenderState(pw::kFx2StateSrcBlend, 5), pw::Fx2RenderState(pw::kFx2StateDestBlend, 6),
                     pw::Fx2PixelShaderState(ps)},
                    {}};
  e.techniques.push_back({"Glow", {add, blend}, {}});
  return e;
}

pw::Fx2Effect ShaderModel3() {
  pw::Fx2Effect e;
  e.parameters.push_back(Param("WorldViewProj", pw::Fx2Matrix(4, 4, kIdentity)));
  e.parameters.push_back(Param("Colour", pw::Fx2Vector({1, 0, 0, 1})));
  std::vector<uint8_t> vs = Asm(
      "vs_3_0\ndcl_position v0\ndcl_texcoord0 v1\ndcl_position o0\ndcl_texcoord0 o1\n"
      "m4x4 o0, v0, c0\nmov o1, v1\n",
      {Matrix("WorldViewProj", 0)});
  std::vector<uint8_t> ps = Asm("ps_3_0\ndcl_texcoord0 v0\nmul oC0, c0, v0.x\n", {Vector("Colour", 0)});
  e.techniques.push_back({"Model3", {{"P0", {pw::Fx2VertexShaderState(vs), pw::Fx2PixelShaderState(ps)}, {}}}, {}});
  return e;
}

// Every kind of value, annotations and strings, and no shaders.
pw::Fx2Effect Values() {
  pw::Fx2Effect e;
  pw::Fx2Parameter time = Param("Time", pw::Fx2Float(0));
  time.annotations.push_back({"UIName", pw::Fx2String("Time of day")});
  time.annotations.push_back({"UIMax", pw::Fx2Float(24)});
  e.parameters.push_back(time);
  e.parameters.push_back(Param("Count", pw::Fx2Int(7)));
  e.parameters.push_back(Param("Enabled", pw::Fx2Bool(true)));
  e.parameters.push_back(Param("Weights", pw::Fx2FloatArray({0.25f, 0.5f, 0.25f})));
  e.parameters.push_back(Param("Offset", pw::Fx2Matrix(3, 2, {1, 2, 3, 4, 5, 6})));
  e.parameters.push_back(Param("Note", pw::Fx2String("made by the test writer")));
  e.parameters.push_back(Param("Cube", pw::Fx2Texture(Fx2Type::TextureCube)));
  pw::Fx2Technique t{"States", {{"P0", {pw::Fx2RenderState(pw::kFx2StateZEnable, 0)}, {}}}, {}};
  t.annotations.push_back({"Script", pw::Fx2String("Technique=States;")});
  t.passes[0].annotations.push_back({"Order", pw::Fx2Int(1)});
  e.techniques.push_back(t);
  return e;
}

}  // namespace

pw::Fx2Preshader ScalePreshader() {
  using pw::Fx2PresOperand;
  pw::Fx2Preshader pre;
  pre.literals = {2, 1, 1, 1, 1};
  pre.inputs = {Vector("Scale", 0)};
  pre.code = {
      {pw::kFx2PresMulScalar, 4, {{pw::kFx2PresLiteral, 0}, {pw::kFx2PresInput, 0}, {pw::kFx2PresOutput, 0}}},
      {pw::kFx2PresAdd, 4, {{pw::kFx2PresInput, 0}, {pw::kFx2PresLiteral, 1}, {pw::kFx2PresTemp, 0}}},
      {pw::kFx2PresMov, 4, {{pw::kFx2PresTemp, 0}, {pw::kFx2PresOutput, 4}}},
  };
  return pre;
}

namespace {

pw::Fx2Effect Preshader() {
  pw::Fx2Effect e;
  e.parameters.push_back(Param("Scale", pw::Fx2Vector({0.25f, 0.5f, 1, 0.125f})));
  std::vector<uint8_t> ps = pw::AttachPreshader(Asm("ps_2_0\nmov r0, c0\nadd r0, r0, c1\nmov oC0, r0\n"),
                                                ScalePreshader());
  e.techniques.push_back({"Computed", {{"P0", {pw::Fx2PixelShaderState(ps)}, {}}}, {}});
  return e;
}

}  // namespace

std::vector<std::pair<std::string, pw::Fx2Effect>> All() {
  return {{"constant_colour", ConstantColour()},
          {"textured", Textured()},
          {"techniques", Techniques()},
          {"shader_model_3", ShaderModel3()},
          {"values", Values()},
          {"preshader", Preshader()}};
}

}  // namespace fx2_samples
