#include "platform/d3dx9/d3dx9_fx2_values.h"

#include <algorithm>
#include <cstring>

namespace d3dx9fx {

unsigned Columns(const MOJOSHADER_effectValue& v) { return std::max(1u, std::min(v.type.columns, 4u)); }

unsigned Slot(const MOJOSHADER_effectValue& v, unsigned packed) {
  return packed / Columns(v) * 4 + packed % Columns(v);
}

unsigned Packed(const MOJOSHADER_effectValue& v) { return v.value_count / 4 * Columns(v); }

void WriteFloats(MOJOSHADER_effectValue& v, const float* values, UINT count) {
  bool asFloat = v.type.parameter_type == MOJOSHADER_SYMTYPE_FLOAT;
  for (UINT k = 0; k < std::min<UINT>(count, Packed(v)); ++k) {
    if (asFloat) v.valuesF[Slot(v, k)] = values[k];
    else v.valuesI[Slot(v, k)] = static_cast<int>(values[k]);
  }
}

void CopyToRegisters(const MOJOSHADER_effectValue& v, const MOJOSHADER_symbol& sym, Registers* regs) {
  bool isFloat = v.type.parameter_type == MOJOSHADER_SYMTYPE_FLOAT;
  auto value = [&](unsigned at) -> float {
    if (at >= v.value_count) return 0.f;
    return isFloat ? v.valuesF[at] : static_cast<float>(v.valuesI[at]);
  };
  unsigned rows = std::max(1u, std::min(v.type.rows, 4u));
  bool byColumn = v.type.parameter_class == MOJOSHADER_SYMCLASS_MATRIX_COLUMNS;
  bool byRow = v.type.parameter_class == MOJOSHADER_SYMCLASS_MATRIX_ROWS;
  unsigned perElement = byRow ? rows : byColumn ? Columns(v) : 1;
  for (unsigned r = 0; r < sym.register_count; ++r) {
    unsigned element = r / perElement, line = r % perElement;
    float reg[4] = {};
    for (unsigned c = 0; c < 4; ++c) {
      if (byColumn) reg[c] = c < rows ? value(((element * rows) + c) * 4 + line) : 0.f;
      else reg[c] = value(((byRow ? element * rows : element) + line) * 4 + c);
    }
    unsigned at = sym.register_index + r;
    switch (sym.register_set) {
      case MOJOSHADER_SYMREGSET_FLOAT4: std::memcpy(&regs->f[at * 4], reg, sizeof reg); break;
      case MOJOSHADER_SYMREGSET_INT4:
        for (unsigned c = 0; c < 4; ++c) regs->i[at * 4 + c] = static_cast<int>(reg[c]);
        break;
      case MOJOSHADER_SYMREGSET_BOOL: regs->b[at] = reg[0] != 0.f; break;
      default: break;
    }
  }
}

}  // namespace d3dx9fx
