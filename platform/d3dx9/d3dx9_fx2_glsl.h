#pragma once
// Shader bytecode of compiled effects as GLSL 330 programs that link with the
// device's own: the translator's GLSL is moved to the core profile, and its
// varyings carry the names the generated fixed-function programs use
// (v_col0, v_col1, v_tc0 .. v_tc7), so a pixel shader can run behind our
// fixed-function vertex stage. Vertex attributes sit where the device puts
// the FVF's elements.
#include <cstdint>
#include <string>
#include <vector>

struct MOJOSHADER_parseData;

namespace d3dx9fx {

constexpr int kMaxFloatRegisters = 256;  // vertex shader constants; pixel shaders use fewer
constexpr int kMaxIntRegisters = 16;
constexpr int kMaxBoolRegisters = 16;

// One translated shader with the layout of its uniform arrays.
struct TranslatedShader {
  bool vertex = false;
  std::string source;  // GLSL 330 core
  // Register ranges packed into the float, int and bool uniform arrays in
  // this order; a negative start takes its values from `constants` instead.
  struct Range {
    int first, count;
  };
  std::vector<Range> floats, ints, bools;
  std::vector<float> constant_floats;  // per float range with first < 0
  std::vector<int> samplers;            // sampler registers used
  struct Attribute {
    int location;
    std::string name;
  };
  std::vector<Attribute> attributes;
  int float_count = 0, int_count = 0, bool_count = 0;  // registers packed
};

// Translates a parse result; false with a message for what we cannot run.
bool TranslateShader(const MOJOSHADER_parseData& parse, TranslatedShader* out, std::string* why);

// The fixed-function vertex stage in front of a pixel shader: device
// matrices, or pixel positions for pre-transformed vertices, colours and
// every texture coordinate set passed on.
const char* FixedVertexSource();

}  // namespace d3dx9fx
