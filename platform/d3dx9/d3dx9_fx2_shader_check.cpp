#include "platform/d3dx9/d3dx9_fx2_shader_check.h"

#include <cstring>

namespace fx2 {
namespace {

// Container value types and classes (as stored).
constexpr uint32_t kTypeBool = 1, kTypeInt = 2, kTypeFloat = 3;
constexpr uint32_t kTypeSampler = 10, kTypeSamplerCube = 14;
constexpr uint32_t kClassMatrixColumns = 3;

constexpr uint32_t kEndToken = 0x0000FFFFu;
constexpr uint32_t kCommentOpcode = 0xFFFEu;
constexpr uint32_t kFourCcCtab = 0x42415443u;  // "CTAB"
constexpr uint32_t kFourCcPres = 0x53455250u;  // "PRES"
constexpr uint32_t kOpDcl = 0x1F, kOpDefb = 0x2F, kOpDefi = 0x30, kOpDef = 0x51;

// Register types whose numbers index the uniform images or samplers.
constexpr uint32_t kRegConst = 2, kRegConstInt = 7, kRegSampler = 10, kRegConst2 = 11, kRegConst3 = 12,
                   kRegConst4 = 13, kRegConstBool = 14;

bool Fail(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return false;
}

uint32_t Word(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
uint16_t Half(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// A NUL-terminated string at off inside [0, size); the bytes scanned come
// out of the budget.
bool TableString(const uint8_t* t, uint32_t size, uint32_t off, std::string_view* out, uint64_t* budget) {
  if (off >= size) return false;
  const uint32_t scan = size - off;
  if (scan > *budget) return false;
  const void* nul = std::memchr(t + off, 0, scan);
  *budget -= nul ? static_cast<const uint8_t*>(nul) - (t + off) + 1 : scan;
  if (!nul) return false;
  *out = std::string_view(reinterpret_cast<const char*>(t + off), static_cast<const uint8_t*>(nul) - (t + off));
  return true;
}

// A register operand inside the register files the runtime keeps.
bool CheckRegister(uint32_t token, std::string* why) {
  const uint32_t type = ((token >> 28) & 0x7) | ((token >> 8) & 0x18);
  const uint32_t number = token & 0x7FF;
  switch (type) {
    case kRegConst:
      if (number >= kFloatRegisters) return Fail(why, "shader uses a float constant past the register file");
      break;
    case kRegConstInt:
      if (number >= kIntRegisters) return Fail(why, "shader uses an int constant past the register file");
      break;
    case kRegConstBool:
      if (number >= kBoolRegisters) return Fail(why, "shader uses a bool constant past the register file");
      break;
    case kRegSampler:
      if (number >= kSamplerRegisters) return Fail(why, "shader uses a sampler past the register file");
      break;
    case kRegConst2:
    case kRegConst3:
    case kRegConst4:
      return Fail(why, "shader uses the extended constant banks");
    default:
      break;
  }
  return true;
}

// The constant table: every entry inside it, inside the register files, and
// naming a parameter that can fill the registers it claims.
bool CheckConstantTable(const uint8_t* t, uint32_t size, const ParamIndex& params, uint64_t* budget,
                        std::string* why) {
  if (size < 28) return Fail(why, "constant table too short");
  const uint32_t headerSize = Word(t), creator = Word(t + 4), count = Word(t + 12), info = Word(t + 16),
                 target = Word(t + 24);
  std::string_view s;
  if (headerSize < 28 || headerSize > size) return Fail(why, "constant table header size out of range");
  if (creator != 0 && !TableString(t, size, creator, &s, budget)) return Fail(why, "constant table creator outside it");
  if (target != 0 && !TableString(t, size, target, &s, budget)) return Fail(why, "constant table target outside it");
  if (info > size || count > (size - info) / 20) return Fail(why, "constant table entries outside it");
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = t + info + 20 * i;
    const uint32_t nameOff = Word(e), set = Half(e + 4), reg = Half(e + 6), regCount = Half(e + 8),
                   typeOff = Word(e + 12), defaultOff = Word(e + 16);
    std::string_view name;
    if (!TableString(t, size, nameOff, &name, budget)) return Fail(why, "constant name outside the constant table");
    if (typeOff > size || size - typeOff < 16) return Fail(why, "constant type outside the constant table");
    if (Half(t + typeOff + 10) != 0) return Fail(why, "constant '" + std::string(name) + "' is a structure");
    static constexpr uint32_t kLimits[4] = {kBoolRegisters, kIntRegisters, kFloatRegisters, kSamplerRegisters};
    if (set > 3) return Fail(why, "constant '" + std::string(name) + "' in an unknown register set");
    if (reg + regCount > kLimits[set]) {
      return Fail(why, "constant '" + std::string(name) + "' registers past the register file");
    }
    if (defaultOff != 0 && (defaultOff > size || (size - defaultOff) / 16 < regCount)) {
      return Fail(why, "constant default value outside the constant table");
    }
    const auto found = params.find(std::string(name));
    if (found == params.end()) return Fail(why, "constant '" + std::string(name) + "' names no parameter");
    const ParamShape* param = &found->second;
    const bool sampler = param->type >= kTypeSampler && param->type <= kTypeSamplerCube;
    if (set == 3) {
      if (!sampler) return Fail(why, "sampler constant '" + std::string(name) + "' names a parameter of another type");
      continue;
    }
    if (param->type != kTypeBool && param->type != kTypeInt && param->type != kTypeFloat) {
      return Fail(why, "constant '" + std::string(name) + "' names a parameter that is not a number");
    }
    // The runtime keeps one float4 per row (per element): that is what the
    // registers are filled from.
    const uint64_t rows = static_cast<uint64_t>(param->rows) * (param->elements ? param->elements : 1);
    if (param->cls > kClassMatrixColumns || regCount > rows) {
      return Fail(why, "constant '" + std::string(name) + "' claims more registers than its parameter holds");
    }
  }
  return true;
}

}  // namespace

bool CheckShader(const uint8_t* code, uint32_t size, bool pixel, const ParamIndex& params, uint64_t* budget,
                 std::string* why) {
  if (size < 8 || size % 4 != 0) return Fail(why, "shader length not a whole number of tokens");
  const uint32_t n = size / 4;
  const uint32_t version = Word(code);
  const uint32_t kind = version >> 16, major = (version >> 8) & 0xFF, minor = version & 0xFF;
  if (kind != (pixel ? 0xFFFFu : 0xFFFEu)) return Fail(why, "shader version token does not match its object");
  if (major < 1 || major > 3 || minor > 4) return Fail(why, "shader model not 1 to 3");
  bool ended = false;
  uint32_t i = 1;
  while (i < n) {
    const uint32_t token = Word(code + 4 * i);
    if (token == kEndToken) {
      ended = true;
      break;
    }
    const uint32_t opcode = token & 0xFFFF;
    if (opcode == kCommentOpcode) {
      const uint32_t length = (token >> 16) & 0x7FFF;
      if (length > n - i - 1) return Fail(why, "shader comment runs past the shader");
      if (length >= 1) {
        const uint32_t fourcc = Word(code + 4 * (i + 1));
        if (fourcc == kFourCcPres) return Fail(why, "shader carries a preshader");
        if (fourcc == kFourCcCtab && !CheckConstantTable(code + 4 * (i + 2), 4 * (length - 1), params, budget, why)) {
          return false;
        }
      }
      i += 1 + length;
      continue;
    }
    if (token & 0x80000000u) return Fail(why, "shader instruction token expected");
    // Operand count: from the token from model 2 on; before it, the operand
    // tokens are the ones with the top bit set (def's literals excepted).
    uint32_t operands = 0;
    if (opcode == kOpDef || opcode == kOpDefi) {
      operands = 5;
    } else if (opcode == kOpDefb) {
      operands = 2;
    } else if (major >= 2) {
      operands = (token >> 24) & 0x0F;
    } else {
      while (i + 1 + operands < n && (Word(code + 4 * (i + 1 + operands)) & 0x80000000u)) ++operands;
    }
    if (operands > n - i - 1) return Fail(why, "shader instruction runs past the shader");
    const bool literals = opcode == kOpDef || opcode == kOpDefi || opcode == kOpDefb;
    for (uint32_t k = 0; k < operands; ++k) {
      const uint32_t operand = Word(code + 4 * (i + 1 + k));
      if (literals && k > 0) break;
      if (opcode == kOpDcl && k == 0) continue;  // the usage token
      if (!CheckRegister(operand, why)) return false;
    }
    i += 1 + operands;
  }
  if (!ended) return Fail(why, "shader has no end token");
  if (i != n - 1) return Fail(why, "shader continues past its end token");
  return true;
}

}  // namespace fx2
