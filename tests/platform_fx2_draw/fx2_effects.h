#pragma once
// Small compiled effects for the drawing tests and the benchmark, made with
// the test writer and the shader assembler.
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "tools/writer/fx2_writer.h"

namespace fx2_effects {

// Assembles a shader; an empty vector when the source does not assemble.
std::vector<uint8_t> Asm(const char* source, const std::vector<pw::Fx2Symbol>& symbols = {});

// The assembler writes every ps_3_0 input declaration as POSITION0; a real
// compiler writes the usage. Sets (register, usage, usage index) in place.
void SetPixelInputUsages(std::vector<uint8_t>* bytecode, std::initializer_list<std::pair<int, uint32_t>> usages);

// vs_2_0 passing clip-space positions on, ps_2_0 drawing "Colour".
pw::Fx2Effect ColourEffect(std::initializer_list<float> colour);
// "Picture" through "PictureSampler" with the filter and address modes given.
pw::Fx2Effect TexturedEffect(uint32_t filter, uint32_t address);
// Green through the matrix "WorldViewProj", column-major (m4x4 against
// columns) or row-major (v x M summed over rows).
pw::Fx2Effect MatrixEffect(bool rowMajor = false);
// Red from the sum of the float[3] "Weights" in c0..c2.
pw::Fx2Effect ArrayEffect(std::initializer_list<float> weights);
// Passes adding "Colour" to the target.
pw::Fx2Effect AdditiveEffect(std::initializer_list<float> colour, int passes);
// Techniques "Green" and "Blue".
pw::Fx2Effect TwoTechniques();
// A ps_2_0 (texture x vertex colour) behind the fixed-function vertex stage.
pw::Fx2Effect PixelOnlyEffect();
// vs_3_0 and ps_3_0: red scaled by the texture coordinate u. Without the
// usage fix the two pixel inputs both read as POSITION0.
pw::Fx2Effect ShaderModel3Effect(bool fixUsages = true);
// vs_3_0 and ps_3_0 looking the texture "Picture" up at a level (texldl).
pw::Fx2Effect LevelLookupEffect();
// ps_3_0 drawing its pixel position: red = vPos.x - 31, green = vPos.y - 31.
pw::Fx2Effect PixelPositionEffect();
// One pass with additive blending and no shaders at all.
pw::Fx2Effect FixedFunctionEffect();
// A pass with only a vertex shader.
pw::Fx2Effect VertexOnlyEffect();
// A pass setting a state of the given stored number besides its shaders.
pw::Fx2Effect EffectWithState(uint32_t operation, uint32_t index, uint32_t value);

}  // namespace fx2_effects
