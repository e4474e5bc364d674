#pragma once
// Compiles and links a GLSL vertex and fragment program (colour output
// "o_color") with the device's context current.
#include <cstdint>
#include <string>

namespace d3d9gl {
// The program name, or 0 with the compiler's or linker's message in *log.
uint32_t LinkProgram(const std::string& vertex, const std::string& fragment, std::string* log);
}  // namespace d3d9gl
