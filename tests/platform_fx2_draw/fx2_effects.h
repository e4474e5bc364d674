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
// Green through the column-major matrix "WorldViewProj".
pw::Fx2Effect MatrixEffect();
// Passes adding "Colour" to the target.
pw::Fx2Effect AdditiveEffect(std::initializer_list<float> colour, int passes);
// Techniques "Green" and "Blue".
pw::Fx2Effect TwoTechniques();
// A ps_2_0 (texture x vertex colour) behind the fixed-function vertex stage.
pw::Fx2Effect PixelOnlyEffect();
// vs_3_0 and ps_3_0: red scaled by the texture coordinate u.
pw::Fx2Effect ShaderModel3Effect();

}  // namespace fx2_effects
