#include "platform/d3dx9/d3dx9_fx2_shader_check.h"

#include <algorithm>
#include <cstring>
#include <utility>

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
constexpr uint32_t kFourCcClit = 0x54494C43u;  // "CLIT"
constexpr uint32_t kFourCcFxlc = 0x434C5846u;  // "FXLC"
constexpr uint32_t kFourCcPrsi = 0x49535250u;  // "PRSI"
constexpr uint32_t kOpDcl = 0x1F, kOpDefb = 0x2F, kOpDefi = 0x30, kOpDef = 0x51;
// The instruction set ends with breakp; phase is the one opcode above it.
constexpr uint32_t kLastOpcode = 0x60, kOpPhase = 0xFFFD;

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
                        std::string* why, std::vector<std::pair<uint32_t, uint32_t>>* floatRanges = nullptr) {
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
    if (floatRanges) {
      if (set != 2) return Fail(why, "preshader input '" + std::string(name) + "' is not a float constant");
      floatRanges->emplace_back(4 * reg, 4 * (reg + regCount));
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

// The preshader inside a shader: a version token, then sub-blocks as
// comments (literals, code, input table, output mapping), then an end token.
// The effect runtime runs its code at every commit, so every operand must
// land inside what the runtime allocates for it: the literal table, the
// input registers its constant table names, the vec4-rounded temporaries,
// and the shader's float constant file (outputs are written at their own
// index, whatever the output mapping says).
// Compilers use a handful of temporaries; the runtime allocates them on its
// stack at every commit.
constexpr uint32_t kPreshaderTemporaries = 256;

bool CheckPreshader(const uint8_t* p, uint32_t words, const ParamIndex& params, uint64_t* budget,
                    std::string* why) {
  if (words < 2 || (Word(p) >> 16) != 0x4658u) return Fail(why, "preshader version token missing");
  const uint8_t* code = nullptr;
  uint32_t codeWords = 0;
  uint32_t literals = 0;
  bool haveLiterals = false, haveInputs = false, haveRanges = false;
  std::vector<std::pair<uint32_t, uint32_t>> inputs, outputs;  // scalar ranges [begin, end)
  uint32_t i = 1;
  bool ended = false;
  while (i < words) {
    const uint32_t token = Word(p + 4 * i);
    if (token == kEndToken) {
      ended = true;
      break;
    }
    if ((token & 0xFFFF) != kCommentOpcode) return Fail(why, "preshader block expected");
    const uint32_t length = (token >> 16) & 0x7FFF;
    if (length < 1 || length > words - i - 1) return Fail(why, "preshader block runs past the preshader");
    const uint8_t* body = p + 4 * (i + 2);
    const uint32_t bodyWords = length - 1;
    switch (Word(p + 4 * (i + 1))) {
      case kFourCcClit:
        if (haveLiterals) return Fail(why, "preshader has two literal tables");
        haveLiterals = true;
        if (bodyWords < 1 || Word(body) > (bodyWords - 1) / 2) return Fail(why, "preshader literals past their block");
        literals = Word(body);
        break;
      case kFourCcFxlc:
        if (code) return Fail(why, "preshader has two code blocks");
        code = body;
        codeWords = bodyWords;
        break;
      case kFourCcCtab:
        if (haveInputs) return Fail(why, "preshader has two input tables");
        haveInputs = true;
        if (!CheckConstantTable(body, 4 * bodyWords, params, budget, why, &inputs)) return false;
        break;
      case kFourCcPrsi: {
        // The output ranges: a count after six header words, then (first
        // register, register count) pairs. The runtime writes outputs at
        // their own index; the ranges only say which ones may be written.
        if (haveRanges) return Fail(why, "preshader has two output mappings");
        haveRanges = true;
        if (bodyWords < 7) return Fail(why, "preshader output mapping too short");
        const uint32_t ranges = Word(body + 24);
        if (ranges > (bodyWords - 9) / 2 || bodyWords < 9) {
          return Fail(why, "preshader output mapping past its block");
        }
        for (uint32_t r = 0; r < ranges; ++r) {
          const uint32_t first = Word(body + 28 + 8 * r), registers = Word(body + 32 + 8 * r);
          if (first > kFloatRegisters || registers > kFloatRegisters - first) {
            return Fail(why, "preshader output mapping past the constant file");
          }
          outputs.emplace_back(4 * first, 4 * (first + registers));
        }
        break;
      }
      default:
        return Fail(why, "preshader has an unknown block");
    }
    i += 1 + length;
  }
  if (!ended || i != words - 1) return Fail(why, "preshader has no end token at its end");
  if (!code || codeWords < 1) return Fail(why, "preshader has no code");

  struct Operand {
    uint32_t type, index, width;
  };
  const uint32_t count = Word(code);
  // An instruction takes at least its two header words and two operands.
  if (count > (codeWords - 1) / 8) return Fail(why, "preshader instruction count past its code");
  uint32_t tempEnd = 0;  // what the runtime rounds its temporaries to
  std::vector<Operand> reads;
  uint32_t at = 1;
  for (uint32_t n = 0; n < count; ++n) {
    if (codeWords - at < 2) return Fail(why, "preshader instruction runs past its code");
    const uint32_t op = Word(code + 4 * at), given = Word(code + 4 * (at + 1));
    const uint32_t opcode = op >> 16, elements = op & 0xFFFF;
    at += 2;
    uint32_t inputsWanted = 0;
    switch (opcode >> 12) {
      case 0x1: inputsWanted = 1; break;
      case 0x2: case 0x5: case 0xA: case 0xD: inputsWanted = 2; break;
      case 0x3: inputsWanted = 3; break;
      default: break;
    }
    static constexpr uint16_t kKnown[] = {0x1000, 0x1010, 0x1030, 0x1040, 0x1050, 0x1060, 0x1070, 0x1080, 0x1090,
                                          0x10A0, 0x10B0, 0x10C0, 0x2000, 0x2010, 0x2020, 0x2030, 0x2040, 0x2050,
                                          0x2060, 0x2080, 0x3000, 0x3010, 0x5000, 0x5080, 0xA000, 0xA010, 0xA020,
                                          0xA030, 0xA040, 0xA050, 0xA060, 0xA080, 0xD000, 0xD080};
    bool known = false;
    for (uint16_t k : kKnown) known = known || k == opcode;
    if (!known) return Fail(why, "preshader opcode unknown");
    if (elements < 1 || elements > 4) return Fail(why, "preshader instruction element count not 1 to 4");
    if (given != inputsWanted) return Fail(why, "preshader instruction operand count does not match its opcode");
    const bool scalarFirst = (opcode >> 12) == 0xA || (opcode >> 12) == 0xD;
    const bool scalarOut = opcode == 0x5000 || opcode == 0xD000;
    for (uint32_t k = 0; k <= given; ++k) {
      if (codeWords - at < 3) return Fail(why, "preshader operand runs past its code");
      const uint32_t arrays = Word(code + 4 * at), type = Word(code + 4 * (at + 1)), index = Word(code + 4 * (at + 2));
      at += 3;
      if (arrays != 0) return Fail(why, "preshader operand uses relative addressing");
      const bool out = k == given;
      const uint32_t width = out ? (scalarOut ? 1 : elements) : (scalarFirst && k == 0 ? 1 : elements);
      if (index > 0xFFFFFFu) return Fail(why, "preshader operand index out of range");
      if (out) {
        if (type == 4) {
          if (index + width > 4 * kFloatRegisters) return Fail(why, "preshader output past the constant file");
          bool mapped = !haveRanges;
          for (const auto& r : outputs) mapped = mapped || (index >= r.first && index < r.second);
          if (!mapped) return Fail(why, "preshader output outside its output mapping");
        } else if (type == 7) {
          // The runtime keeps whole vec4 temporaries up to the last one written,
          // on its stack: a far index would overflow it.
          if (index % 4 + width > 4) return Fail(why, "preshader temporary write crosses a register");
          if (index >= 4 * kPreshaderTemporaries) return Fail(why, "preshader temporary past 256 registers");
          tempEnd = std::max(tempEnd, (index / 4 + 1) * 4);
        } else {
          return Fail(why, "preshader writes an operand that is not an output or temporary");
        }
        continue;
      }
      if (type == 1) {
        if (index + width > literals) return Fail(why, "preshader literal past the literal table");
      } else if (type == 2) {
        bool inside = false;
        for (const auto& r : inputs) inside = inside || (index >= r.first && index + width <= r.second);
        if (!inside) return Fail(why, "preshader input past its input registers");
      } else if (type == 7) {
        reads.push_back({type, index, width});
      } else {
        return Fail(why, "preshader reads an operand that is not a literal, input or temporary");
      }
    }
  }
  if (at != codeWords) return Fail(why, "preshader code continues past its instructions");
  for (const Operand& r : reads) {
    if (r.index + r.width > tempEnd) return Fail(why, "preshader temporary past the ones it writes");
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
  uint32_t preshaders = 0;
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
        if (fourcc == kFourCcPres) {
          if (preshaders++ > 0) return Fail(why, "shader carries two preshaders");
          if (!CheckPreshader(code + 4 * (i + 2), length - 1, params, budget, why)) return false;
        }
        if (fourcc == kFourCcCtab && !CheckConstantTable(code + 4 * (i + 2), 4 * (length - 1), params, budget, why)) {
          return false;
        }
      }
      i += 1 + length;
      continue;
    }
    if (token & 0x80000000u) return Fail(why, "shader instruction token expected");
    // The effect library's parser reads past the shader on opcodes it does
    // not know.
    if (opcode > kLastOpcode && opcode != kOpPhase) return Fail(why, "shader opcode unknown");
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
