#pragma once
// Checks a compiled effect binary (the fx_2_0 container) before the shader
// library reads it: the library trusts every offset, count and index it
// finds, so a damaged project file would otherwise crash the player.
//
// What passes: every offset, count, length, object index and string inside
// the data; value types the library knows (no structures); every shader with
// a valid version token, comments inside it, registers within the model's
// limits and its end token as its last word; every constant-table name of
// every shader naming a top-level parameter that can fill its registers;
// every sampler's texture state naming a texture parameter; every object that
// a value refers to stored exactly once. What is refused although a compiler
// may write it: structure parameters, shaders carrying a preshader,
// expression-selected shaders (large objects of a kind other than bytecode),
// passes naming a shader object without bytecode. Parameters always have
// names; technique and pass names and semantics may be empty.
#include <cstdint>
#include <string>

// True when the data starts with the container's tag (FEFF0901).
bool D3DX_IsFx2(const void* data, uint32_t size);

// True when the whole binary passes; otherwise false with the reason in why
// (when given). Work and memory are bounded by the size of the data.
bool D3DX_ValidateFx2(const void* data, uint32_t size, std::string* why);
