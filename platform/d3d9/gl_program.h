#pragma once
// Compiles and links GLSL vertex and fragment programs (colour output
// "o_color") with the device's context current.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace d3d9gl {
// The program name, or 0 with the compiler's or linker's message in *log.
uint32_t LinkProgram(const std::string& vertex, const std::string& fragment, std::string* log);

// One shader object (GL_VERTEX_SHADER or GL_FRAGMENT_SHADER), or 0 with the
// compiler's message in *log.
uint32_t CompileShader(uint32_t type, const std::string& source, std::string* log);

// Links two compiled shaders, which stay alive for other programs; the
// attributes get the given locations first. 0 with the message on failure.
uint32_t LinkShaders(uint32_t vertex, uint32_t fragment, const std::vector<std::pair<int, std::string>>& attributes,
                     std::string* log);
}  // namespace d3d9gl
