#pragma once
// Effects from compiled fx_2_0 binaries, run by libmojoshader's effect
// runtime: it keeps the parameters, picks a technique's passes, evaluates
// preshaders and fills the shader constant registers; we translate the
// shaders to GLSL 330 and draw through the device, which stays the only
// owner of GL state (programs bind through its draw hook, render and
// sampler states and textures go through its Set* calls).
#include <string>

#include "platform/d3dx9/d3dx9_effect.h"

// Builds an effect over bytes that passed the container check; an error
// HRESULT with a message in *log when a shader or state cannot run here.
HRESULT CreateCompiledEffect(IDirect3DDevice9* device, const void* data, UINT bytes, ID3DXEffect** effect,
                             std::string* log);
