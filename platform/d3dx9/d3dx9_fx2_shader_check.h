#pragma once
// The shader half of the compiled-effect check: bytecode walked token by
// token, its constant table read and matched to the effect's parameters.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fx2 {

// What a constant-table entry may name: a top-level parameter's type.
struct ParamShape {
  std::string name;
  uint32_t type = 0;      // the container's value type
  uint32_t cls = 0;       // the container's value class
  uint32_t rows = 0;
  uint32_t elements = 0;  // 0: not an array
};

// Register-file sizes no shader model goes past; the effect runtime's uniform
// images are this large.
inline constexpr uint32_t kFloatRegisters = 256;
inline constexpr uint32_t kIntRegisters = 16;
inline constexpr uint32_t kBoolRegisters = 16;
inline constexpr uint32_t kSamplerRegisters = 16;

// Top-level parameters by name (the first of a name, as the library finds).
using ParamIndex = std::unordered_map<std::string, ParamShape>;

// Checks one shader object's bytecode. pixel: the object is a pixel shader.
// budget: bytes the check may still scan for string terminators.
bool CheckShader(const uint8_t* code, uint32_t size, bool pixel, const ParamIndex& params, uint64_t* budget,
                 std::string* why);

}  // namespace fx2
