#pragma once
// Parameter values of compiled effects as the shader library keeps them
// (slots of four floats or ints: one per vector, array element or matrix
// row), read and written packed as Direct3D's callers hand them, and copied
// into the shader constant registers.
#ifndef MOJOSHADER_EFFECT_SUPPORT
#define MOJOSHADER_EFFECT_SUPPORT
#endif
#include <mojoshader/mojoshader.h>
#include <mojoshader/mojoshader_effects.h>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9_fx2_glsl.h"

namespace d3dx9fx {

// One shader stage's constant register files.
struct Registers {
  float f[kMaxFloatRegisters * 4] = {};
  int i[kMaxIntRegisters * 4] = {};
  unsigned char b[kMaxBoolRegisters] = {};
};

// Columns of a value (1 to 4).
unsigned Columns(const MOJOSHADER_effectValue& v);
// Where the packed value number `packed` sits.
unsigned Slot(const MOJOSHADER_effectValue& v, unsigned packed);
// How many packed values the parameter holds.
unsigned Packed(const MOJOSHADER_effectValue& v);
// Writes up to `count` packed floats (ints and bools converted).
void WriteFloats(MOJOSHADER_effectValue& v, const float* values, UINT count);

// Copies a parameter into the registers a constant-table entry gives it, as
// Direct3D lays them out: a register per vector or array element, per matrix
// row (row-major) or column (column-major). The entry's registers lie inside
// the files (checked when the effect is made).
void CopyToRegisters(const MOJOSHADER_effectValue& v, const MOJOSHADER_symbol& sym, Registers* regs);

}  // namespace d3dx9fx
