#pragma once
// Writes compiled effect binaries (the fx_2_0 container) for tests and fuzz
// seeds: parameters with defaults and annotations, techniques, passes with
// their states, and vertex/pixel shader objects made by the shader assembler.
//
// The container: the tag FEFF0901, the size of the data block, the data
// block (type descriptions, values and strings, addressed by offsets from
// its start), then the tables: counts, parameters, techniques with their
// passes and states, and the objects (strings, sampler texture names and
// shader bytecode) that values refer to by index.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

inline constexpr uint32_t kFx2Tag = 0xFEFF0901u;

// Value types and classes, as the container stores them.
enum class Fx2Type : uint32_t {
  Void = 0, Bool, Int, Float, String, Texture, Texture1D, Texture2D, Texture3D, TextureCube,
  Sampler, Sampler1D, Sampler2D, Sampler3D, SamplerCube, PixelShader, VertexShader,
};
enum class Fx2Class : uint32_t { Scalar = 0, Vector, MatrixRows, MatrixColumns, Object, Struct };

// Stored state numbers of a pass (render states count from 0 in the
// container's own order; the shader states are these two).
inline constexpr uint32_t kFx2StateZEnable = 0;
inline constexpr uint32_t kFx2StateCullMode = 8;
inline constexpr uint32_t kFx2StateAlphaBlendEnable = 13;
inline constexpr uint32_t kFx2StateSrcBlend = 6;
inline constexpr uint32_t kFx2StateDestBlend = 7;
inline constexpr uint32_t kFx2StateVertexShader = 146;
inline constexpr uint32_t kFx2StatePixelShader = 147;

// Stored sampler state numbers (inside a sampler parameter's value).
inline constexpr uint32_t kFx2SamplerTexture = 4;
inline constexpr uint32_t kFx2SamplerAddressU = 5;
inline constexpr uint32_t kFx2SamplerAddressV = 6;
inline constexpr uint32_t kFx2SamplerMagFilter = 9;
inline constexpr uint32_t kFx2SamplerMinFilter = 10;
inline constexpr uint32_t kFx2SamplerMipFilter = 11;

struct Fx2State;

// A typed value. Numbers are 32-bit words (floats by their bits); objects
// carry what their object holds.
struct Fx2Value {
  Fx2Type type = Fx2Type::Float;
  Fx2Class cls = Fx2Class::Scalar;
  uint32_t rows = 1;
  uint32_t columns = 1;
  uint32_t elements = 0;             // 0: not an array
  std::vector<uint32_t> words;       // Bool/Int/Float
  std::string text;                  // String; a sampler's Texture state: the texture parameter's name
  std::vector<uint8_t> shader;       // PixelShader/VertexShader bytecode
  std::vector<Fx2State> samplerStates;  // Sampler*
};

struct Fx2State {
  uint32_t operation = 0;  // stored state number
  uint32_t index = 0;      // stage or sampler index
  Fx2Value value;
};

struct Fx2Annotation {
  std::string name;
  Fx2Value value;
};

struct Fx2Parameter {
  std::string name;
  std::string semantic;
  Fx2Value value;
  std::vector<Fx2Annotation> annotations;
  uint32_t flags = 0;
};

struct Fx2Pass {
  std::string name;
  std::vector<Fx2State> states;
  std::vector<Fx2Annotation> annotations;
};

struct Fx2Technique {
  std::string name;
  std::vector<Fx2Pass> passes;
  std::vector<Fx2Annotation> annotations;
};

struct Fx2Effect {
  std::vector<Fx2Parameter> parameters;
  std::vector<Fx2Technique> techniques;
};

// Value makers.
Fx2Value Fx2Float(float v);
Fx2Value Fx2Vector(std::initializer_list<float> v);  // 1..4 floats
Fx2Value Fx2Matrix(uint32_t rows, uint32_t columns, const std::vector<float>& v);  // row by row
Fx2Value Fx2FloatArray(const std::vector<float>& v);  // float[n]
Fx2Value Fx2Int(int32_t v);
Fx2Value Fx2Bool(bool v);
Fx2Value Fx2String(std::string_view text);
Fx2Value Fx2Texture(Fx2Type type = Fx2Type::Texture2D);
Fx2Value Fx2Sampler(std::vector<Fx2State> states, Fx2Type type = Fx2Type::Sampler2D);
Fx2Value Fx2Shader(Fx2Type type, std::vector<uint8_t> bytecode);

// State makers.
Fx2State Fx2RenderState(uint32_t operation, uint32_t value);  // an int-typed render state
Fx2State Fx2VertexShaderState(std::vector<uint8_t> bytecode);
Fx2State Fx2PixelShaderState(std::vector<uint8_t> bytecode);
Fx2State Fx2SamplerState(uint32_t operation, uint32_t value);
// The sampler's Texture state, naming a texture parameter.
Fx2State Fx2SamplerTextureState(std::string_view textureParameter);

// Where the writer put the fields that damage tests aim at (byte offsets
// into the whole binary).
struct Fx2Layout {
  uint32_t dataSizeField = 4;
  uint32_t tablesStart = 0;          // the parameter count
  uint32_t objectCountsStart = 0;    // the small-object count, then the large-object count
  std::vector<uint32_t> stringOffsets;     // each stored string's length field (names, semantics, texts)
  std::vector<uint32_t> typeOffsets;       // each type description's first word
  std::vector<uint32_t> smallObjectOffsets;  // each small object's index field
  std::vector<uint32_t> largeObjectOffsets;  // each large object's technique field
  std::vector<uint32_t> shaderOffsets;       // each shader's first token
  std::vector<uint32_t> shaderSizes;         // each shader's length in bytes
};

// The whole binary.
std::vector<uint8_t> WriteFx2(const Fx2Effect& effect, Fx2Layout* layout = nullptr);

// A constant-table entry for the assembler: names the parameter a shader
// register range holds.
enum class Fx2RegisterSet : uint32_t { Bool = 0, Int4, Float4, Sampler };
struct Fx2Symbol {
  std::string name;
  Fx2RegisterSet registerSet = Fx2RegisterSet::Float4;
  uint32_t registerIndex = 0;
  uint32_t registerCount = 1;
  Fx2Class cls = Fx2Class::Vector;
  Fx2Type type = Fx2Type::Float;
  uint32_t rows = 1;
  uint32_t columns = 4;
  uint32_t elements = 1;
};

// Assembles shader source ("vs_2_0 ..." / "ps_3_0 ...") into bytecode with a
// constant table of the symbols. Empty, with the assembler's messages in
// errors, when it fails.
std::vector<uint8_t> AssembleShader(std::string_view source, const std::vector<Fx2Symbol>& symbols = {},
                                    std::string* errors = nullptr);

// A preshader the writer attaches to a shader: the effect runtime runs its
// code at every commit, filling float constants from parameters. Operand
// types and opcodes are stored as they are written here.
inline constexpr uint32_t kFx2PresLiteral = 1, kFx2PresInput = 2, kFx2PresOutput = 4, kFx2PresTemp = 7;
inline constexpr uint32_t kFx2PresMov = 0x1000, kFx2PresAdd = 0x2040, kFx2PresMul = 0x2050, kFx2PresDot = 0x5000,
                          kFx2PresMulScalar = 0xA050;
struct Fx2PresOperand {
  uint32_t type = kFx2PresInput;
  uint32_t index = 0;  // in scalars (register * 4 + component)
};
struct Fx2PresInstruction {
  uint32_t opcode = kFx2PresMov;
  uint32_t elements = 4;
  std::vector<Fx2PresOperand> operands;  // inputs, then the output
};
struct Fx2Preshader {
  std::vector<double> literals;
  std::vector<Fx2Symbol> inputs;  // float parameters read, by register
  std::vector<Fx2PresInstruction> code;
  std::vector<uint32_t> outputMapping;  // words of an output-mapping block; none when empty
};
// Bytecode with the preshader's comment after the version token.
std::vector<uint8_t> AttachPreshader(const std::vector<uint8_t>& shader, const Fx2Preshader& preshader);
// The word offset (from the shader's start) of the preshader's code block
// body (its instruction count), for damage tests.
uint32_t PreshaderCodeWord(const std::vector<uint8_t>& shader);

// What the shader library makes of a binary (its effect parser and GLSL
// translation, with a shader context that binds nothing): for checking the
// writer's output and for the fuzz target behind the validator.
struct Fx2LibraryReport {
  bool parsed = false;  // no errors from the container or from any shader
  std::string errors;
  std::vector<std::string> parameters;
  std::vector<std::string> techniques;
  std::vector<uint32_t> passes;  // per technique
  uint32_t shaders = 0;          // shaders translated
  // The float constant images after the last pass committed (256 vec4s).
  std::vector<float> vertexFloats, pixelFloats;
};
Fx2LibraryReport Fx2ParseWithLibrary(const void* data, uint32_t size);

// The same with the library's allocations (effect and shaders) going
// through the given functions, e.g. a guard-page allocator in the fuzz target.
struct Fx2Allocator {
  void* (*allocate)(int bytes, void* data) = nullptr;
  void (*release)(void* ptr, void* data) = nullptr;
  void* data = nullptr;
};
Fx2LibraryReport Fx2ParseWithLibrary(const void* data, uint32_t size, const Fx2Allocator& allocator);

}  // namespace pw
