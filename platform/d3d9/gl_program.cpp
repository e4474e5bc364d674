#include "platform/d3d9/gl_program.h"

#include "platform/d3d9/gl_loader.h"

namespace d3d9gl {
namespace {
GLuint Compile(GLenum type, const std::string& src, std::string* log) {
  GLuint sh = glCreateShader(type);
  const char* p = src.c_str();
  glShaderSource(sh, 1, &p, nullptr);
  glCompileShader(sh);
  GLint ok = 0;
  glGetShaderiv(sh, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char buf[2048];
    GLsizei n = 0;
    glGetShaderInfoLog(sh, sizeof(buf), &n, buf);
    if (log) *log = std::string(buf, static_cast<size_t>(n)) + "\n" + src;
    glDeleteShader(sh);
    return 0;
  }
  return sh;
}

GLuint LinkAttached(GLuint p, std::string* log) {
  glBindFragDataLocation(p, 0, "o_color");
  glLinkProgram(p);
  GLint ok = 0;
  glGetProgramiv(p, GL_LINK_STATUS, &ok);
  if (!ok) {
    char buf[2048];
    GLsizei n = 0;
    glGetProgramInfoLog(p, sizeof(buf), &n, buf);
    if (log) *log = std::string(buf, static_cast<size_t>(n));
    glDeleteProgram(p);
    return 0;
  }
  return p;
}
}  // namespace

uint32_t CompileShader(uint32_t type, const std::string& source, std::string* log) {
  return Compile(type, source, log);
}

uint32_t LinkShaders(uint32_t vertex, uint32_t fragment, const std::vector<std::pair<int, std::string>>& attributes,
                     std::string* log) {
  GLuint p = glCreateProgram();
  glAttachShader(p, vertex);
  glAttachShader(p, fragment);
  for (const auto& a : attributes) glBindAttribLocation(p, static_cast<GLuint>(a.first), a.second.c_str());
  GLuint linked = LinkAttached(p, log);
  if (linked) {
    glDetachShader(linked, vertex);
    glDetachShader(linked, fragment);
  }
  return linked;
}

uint32_t LinkProgram(const std::string& vertex, const std::string& fragment, std::string* log) {
  GLuint vs = Compile(GL_VERTEX_SHADER, vertex, log);
  if (!vs) return 0;
  GLuint fs = Compile(GL_FRAGMENT_SHADER, fragment, log);
  if (!fs) {
    glDeleteShader(vs);
    return 0;
  }
  GLuint p = glCreateProgram();
  glAttachShader(p, vs);
  glAttachShader(p, fs);
  glDeleteShader(vs);
  glDeleteShader(fs);
  return LinkAttached(p, log);
}
}  // namespace d3d9gl
