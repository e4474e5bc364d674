#include "platform/d3dx9/d3dx9_effect.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/d3d9/d3d9_draw_hook.h"
#include "platform/d3d9/gl_loader.h"
#include "platform/d3d9/gl_program.h"
#include "platform/d3dx9/d3dx9_effect_fx2.h"
#include "platform/d3dx9/d3dx9_fx2_container.h"
#include "platform/win32/windows.h"

using namespace d3d9gl;

namespace {

// ------------------------------------------------------------------ text

constexpr uint32_t kMaxEffectBytes = 1u << 20;
constexpr size_t kMaxParameters = 256;
constexpr size_t kMaxTechniques = 64;
constexpr size_t kMaxPasses = 16;
constexpr size_t kMaxAllPasses = 128;  // every pass may link a program
constexpr size_t kMaxPrograms = 64;
constexpr size_t kMaxProgramBytes = 64u << 10;
constexpr long kMaxLoopIterations = 256;
constexpr long kMaxLoopProduct = 4096;
constexpr size_t kMaxStatesPerPass = 64;
constexpr size_t kMaxNameLength = 64;
constexpr UINT kTextureUnits = 4;  // the device binds four stages

enum class ParamType { Float, Matrix, Texture };

struct ParamDesc {
  std::string name;
  ParamType type = ParamType::Float;
  uint32_t size = 1;  // floats: 1..4, matrices 16, textures 0
  float defaults[16] = {};
};

struct StateSet {
  DWORD state;
  DWORD value;
};
struct SamplerSet {
  std::string texture;
  DWORD type;
  DWORD value;
};

struct PassDesc {
  std::string name;
  std::string vertex, fragment;  // program names; no vertex = device transforms
  std::vector<StateSet> states;
  std::vector<SamplerSet> samplers;
};

struct TechniqueDesc {
  std::string name;
  std::vector<PassDesc> passes;
};

struct EffectDesc {
  std::vector<ParamDesc> params;
  std::map<std::string, std::string> programs;
  std::vector<TechniqueDesc> techniques;
};

struct ParseError : std::runtime_error {
  ParseError(size_t line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what) {}
};

struct Named {
  const char* name;
  DWORD value;
};

constexpr Named kBoolValues[] = {{"FALSE", 0}, {"TRUE", 1}};
constexpr Named kBlendValues[] = {{"ZERO", D3DBLEND_ZERO},
                                  {"ONE", D3DBLEND_ONE},
                                  {"SRCCOLOR", D3DBLEND_SRCCOLOR},
                                  {"INVSRCCOLOR", D3DBLEND_INVSRCCOLOR},
                                  {"SRCALPHA", D3DBLEND_SRCALPHA},
                                  {"INVSRCALPHA", D3DBLEND_INVSRCALPHA},
                                  {"DESTALPHA", D3DBLEND_DESTALPHA},
                                  {"INVDESTALPHA", D3DBLEND_INVDESTALPHA},
                                  {"DESTCOLOR", D3DBLEND_DESTCOLOR},
                                  {"INVDESTCOLOR", D3DBLEND_INVDESTCOLOR},
                                  {"SRCALPHASAT", D3DBLEND_SRCALPHASAT},
                                  {"BLENDFACTOR", D3DBLEND_BLENDFACTOR},
                                  {"INVBLENDFACTOR", D3DBLEND_INVBLENDFACTOR}};
constexpr Named kBlendOpValues[] = {{"ADD", D3DBLENDOP_ADD},
                                    {"SUBTRACT", D3DBLENDOP_SUBTRACT},
                                    {"REVSUBTRACT", D3DBLENDOP_REVSUBTRACT},
                                    {"MIN", D3DBLENDOP_MIN},
                                    {"MAX", D3DBLENDOP_MAX}};
constexpr Named kCullValues[] = {{"NONE", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}};
constexpr Named kCmpValues[] = {{"NEVER", D3DCMP_NEVER},     {"LESS", D3DCMP_LESS},
                                {"EQUAL", D3DCMP_EQUAL},     {"LESSEQUAL", D3DCMP_LESSEQUAL},
                                {"GREATER", D3DCMP_GREATER}, {"NOTEQUAL", D3DCMP_NOTEQUAL},
                                {"GREATEREQUAL", D3DCMP_GREATEREQUAL}, {"ALWAYS", D3DCMP_ALWAYS}};
constexpr Named kFillValues[] = {{"POINT", 1}, {"WIREFRAME", 2}, {"SOLID", 3}};
constexpr Named kAddressValues[] = {{"WRAP", 1}, {"MIRROR", 2}, {"CLAMP", 3}, {"BORDER", 4}, {"MIRRORONCE", 5}};
constexpr Named kFilterValues[] = {{"NONE", 0}, {"POINT", 1}, {"LINEAR", 2}, {"ANISOTROPIC", 3}};

struct StateName {
  const char* name;
  DWORD state;
  const Named* values;
  size_t count;
};
template <size_t N>
constexpr StateName S(const char* name, DWORD state, const Named (&values)[N]) {
  return {name, state, values, N};
}
constexpr StateName N0(const char* name, DWORD state) { return {name, state, nullptr, 0}; }

const StateName kRenderStates[] = {
    S("ZENABLE", D3DRS_ZENABLE, kBoolValues),
    S("ZWRITEENABLE", D3DRS_ZWRITEENABLE, kBoolValues),
    S("ZFUNC", D3DRS_ZFUNC, kCmpValues),
    S("ALPHABLENDENABLE", D3DRS_ALPHABLENDENABLE, kBoolValues),
    S("SRCBLEND", D3DRS_SRCBLEND, kBlendValues),
    S("DESTBLEND", D3DRS_DESTBLEND, kBlendValues),
    S("BLENDOP", D3DRS_BLENDOP, kBlendOpValues),
    S("SEPARATEALPHABLENDENABLE", D3DRS_SEPARATEALPHABLENDENABLE, kBoolValues),
    S("SRCBLENDALPHA", D3DRS_SRCBLENDALPHA, kBlendValues),
    S("DESTBLENDALPHA", D3DRS_DESTBLENDALPHA, kBlendValues),
    S("BLENDOPALPHA", D3DRS_BLENDOPALPHA, kBlendOpValues),
    S("CULLMODE", D3DRS_CULLMODE, kCullValues),
    S("FILLMODE", D3DRS_FILLMODE, kFillValues),
    S("SCISSORTESTENABLE", D3DRS_SCISSORTESTENABLE, kBoolValues),
    S("STENCILENABLE", D3DRS_STENCILENABLE, kBoolValues),
    N0("COLORWRITEENABLE", D3DRS_COLORWRITEENABLE),
    N0("BLENDFACTOR", D3DRS_BLENDFACTOR),
};
const StateName kSamplerStates[] = {
    S("ADDRESSU", D3DSAMP_ADDRESSU, kAddressValues),   S("ADDRESSV", D3DSAMP_ADDRESSV, kAddressValues),
    S("MAGFILTER", D3DSAMP_MAGFILTER, kFilterValues),  S("MINFILTER", D3DSAMP_MINFILTER, kFilterValues),
    S("MIPFILTER", D3DSAMP_MIPFILTER, kFilterValues),  N0("BORDERCOLOR", D3DSAMP_BORDERCOLOR),
    N0("MAXMIPLEVEL", D3DSAMP_MAXMIPLEVEL),
};

bool IsIdentifier(std::string_view s) {
  if (s.empty() || s.size() > kMaxNameLength) return false;
  if (!(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  // Names that would clash with the built-in inputs, outputs and uniforms.
  return s.substr(0, 3) != "gl_" && s.substr(0, 2) != "a_" && s.substr(0, 2) != "v_" && s.substr(0, 2) != "u_" &&
         s.substr(0, 2) != "o_" && s != "main";
}

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
    if (j > i) out.push_back(line.substr(i, j - i));
    i = j;
  }
  return out;
}

bool ParseFloat(std::string_view t, float* out) {
  if (t.empty() || t.size() > 48) return false;
  std::string s(t);
  char* end = nullptr;
  float v = std::strtof(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

bool ParseNumber(std::string_view t, DWORD* out) {
  if (t.empty() || t.size() > 12) return false;
  std::string s(t);
  char* end = nullptr;
  bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  unsigned long long v = std::strtoull(s.c_str(), &end, hex ? 16 : 10);
  if (end != s.c_str() + s.size() || v > 0xFFFFFFFFull || s[0] == '-' || s[0] == '+') return false;
  *out = static_cast<DWORD>(v);
  return true;
}

// Parses "NAME = VALUE" from tokens[i..i+2] against a state table.
void ParseAssignment(const std::vector<std::string_view>& tk, size_t i, const StateName* table, size_t tableSize,
                     size_t line, DWORD* state, DWORD* value) {
  if (i + 2 >= tk.size() || tk[i + 1] != "=") throw ParseError(line, "expected NAME = VALUE");
  const StateName* found = nullptr;
  for (size_t k = 0; k < tableSize; ++k)
    if (tk[i] == table[k].name) found = &table[k];
  if (!found) throw ParseError(line, "unknown state " + std::string(tk[i]));
  *state = found->state;
  for (size_t k = 0; k < found->count; ++k)
    if (tk[i + 2] == found->values[k].name) {
      *value = found->values[k].value;
      return;
    }
  if (!ParseNumber(tk[i + 2], value)) throw ParseError(line, "bad value " + std::string(tk[i + 2]));
}

// Programs run for every vertex and pixel drawn, and nothing stops a GLSL
// loop that never ends: only counted loops with small constant bounds are
// accepted, and no preprocessor that could hide other code.
std::string WithoutComments(const std::string& src) {
  std::string out;
  for (size_t i = 0; i < src.size();) {
    if (src.compare(i, 2, "//") == 0) {
      while (i < src.size() && src[i] != '\n') ++i;
    } else if (src.compare(i, 2, "/*") == 0) {
      size_t e = src.find("*/", i + 2);
      i = e == std::string::npos ? src.size() : e + 2;
      out.push_back(' ');
    } else {
      out.push_back(src[i++]);
    }
  }
  return out;
}

bool IsWordAt(const std::string& s, size_t i, std::string_view w) {
  auto ident = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  return s.compare(i, w.size(), w) == 0 && (i == 0 || !ident(s[i - 1])) &&
         (i + w.size() >= s.size() || !ident(s[i + w.size()]));
}

// The index just past the bracket that closes the one at `open`, or npos.
size_t Closing(const std::string& s, size_t open, char o, char c) {
  int depth = 0;
  for (size_t i = open; i < s.size(); ++i) {
    if (s[i] == o) ++depth;
    if (s[i] == c && --depth == 0) return i + 1;
  }
  return std::string::npos;
}

struct Loop {
  size_t begin, end;
  long count;
};

bool BoundedProgram(const std::string& source, std::string* why) {
  std::string s = WithoutComments(source);
  if (s.find('#') != std::string::npos) return *why = "preprocessor lines are not accepted", false;
  std::vector<Loop> loops;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsWordAt(s, i, "while") || IsWordAt(s, i, "do")) return *why = "only counted for loops are accepted", false;
    if (!IsWordAt(s, i, "for")) continue;
    size_t open = s.find_first_not_of(" \t\r\n", i + 3);
    if (open == std::string::npos || s[open] != '(') return *why = "bad for loop", false;
    size_t close = Closing(s, open, '(', ')');
    if (close == std::string::npos) return *why = "bad for loop", false;
    // for (int i = A; i < B; ++i), also i <= B, i++ and i += 1.
    std::string head = s.substr(open + 1, close - open - 2);
    std::vector<std::string_view> t;
    std::string spaced;
    for (char c : head) {
      if (c == ';' || c == '=' || c == '<' || c == '+') {
        spaced += ' ';
        spaced += c;
        spaced += ' ';
      } else {
        spaced += c;
      }
    }
    for (std::string_view v : Tokens(spaced)) t.push_back(v);
    // Tokens: int n = A ; n < [=] B ; step...
    auto number = [](std::string_view v, long* out) {
      std::string n(v);
      if (n.empty() || n.size() > 9) return false;
      char* end = nullptr;
      *out = std::strtol(n.c_str(), &end, 10);
      return end == n.c_str() + n.size();
    };
    long a = 0, b = 0;
    size_t k = 0;
    bool ok = t.size() >= 9 && t[k++] == "int" && IsIdentifier(t[k]) ;
    std::string_view n = ok ? t[k++] : std::string_view();
    if (ok) ok = t[k++] == "=";
    if (ok && t[k] == "+") ++k;
    if (ok) ok = k < t.size() && number(t[k++], &a) && k < t.size() && t[k++] == ";" && k < t.size() && t[k++] == n &&
                 k < t.size() && t[k++] == "<";
    bool inclusive = ok && k < t.size() && t[k] == "=";
    if (inclusive) ++k;
    if (ok) ok = k < t.size() && number(t[k++], &b) && k < t.size() && t[k++] == ";";
    if (ok) {
      std::vector<std::string_view> step(t.begin() + static_cast<long>(k), t.end());
      std::vector<std::vector<std::string_view>> forms = {
          {"+", "+", n}, {n, "+", "+"}, {n, "+", "=", "1"}};
      ok = false;
      for (const auto& f : forms) ok = ok || step == f;
    }
    if (!ok) return *why = "for loops must count one by one between constants", false;
    long count = std::max(0L, b - a + (inclusive ? 1 : 0));
    if (count > kMaxLoopIterations) return *why = "a loop runs too many times", false;
    // The body: a block or one statement; it must not change the counter.
    size_t body = s.find_first_not_of(" \t\r\n", close);
    if (body == std::string::npos) return *why = "bad for loop", false;
    size_t end = s[body] == '{' ? Closing(s, body, '{', '}') : s.find(';', body);
    if (end == std::string::npos) return *why = "bad for loop", false;
    for (size_t j = body; j < end; ++j) {
      if (!IsWordAt(s, j, n)) continue;
      size_t after = s.find_first_not_of(" \t\r\n", j + n.size());
      size_t before = s.find_last_not_of(" \t\r\n", j == 0 ? 0 : j - 1);
      bool assigns = after != std::string::npos && after < s.size() &&
                     ((s[after] == '=' && (after + 1 >= s.size() || s[after + 1] != '=')) ||
                      (std::strchr("+-*/", s[after]) && after + 1 < s.size() &&
                       (s[after + 1] == '=' || s[after + 1] == s[after])));
      bool prefixed = before != std::string::npos && before > 0 && j > 0 && std::strchr("+-", s[before]) &&
                      s[before - 1] == s[before];
      if (assigns || prefixed) return *why = "a loop changes its own counter", false;
    }
    loops.push_back({i, end, count});
  }
  // Nested loops multiply; so may functions called from loops: bound them all.
  long product = 1;
  for (const Loop& l : loops) {
    product *= std::max(1L, l.count);
    if (product > kMaxLoopProduct) return *why = "loops run too many times together", false;
  }
  return true;
}

EffectDesc ParseEffect(const uint8_t* bytes, uint32_t size) {
  if (!bytes || size == 0) throw ParseError(0, "no data");
  if (size > kMaxEffectBytes) throw ParseError(0, "too large");
  for (uint32_t i = 0; i < size; ++i) {
    uint8_t c = bytes[i];
    if (c < 0x20 && c != '\n' && c != '\r' && c != '\t') throw ParseError(0, "not an effect text");
  }
  std::string_view text(reinterpret_cast<const char*>(bytes), size);
  std::vector<std::string_view> lines;
  for (size_t i = 0; i <= text.size();) {
    size_t j = text.find('\n', i);
    if (j == std::string_view::npos) j = text.size();
    std::string_view l = text.substr(i, j - i);
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    lines.push_back(l);
    i = j + 1;
  }

  EffectDesc fx;
  bool header = false;
  TechniqueDesc* tech = nullptr;
  PassDesc* pass = nullptr;
  size_t allPasses = 0;
  auto paramExists = [&](std::string_view n) {
    for (const ParamDesc& p : fx.params)
      if (p.name == n) return true;
    return false;
  };
  for (size_t li = 0; li < lines.size(); ++li) {
    size_t ln = li + 1;
    std::vector<std::string_view> tk = Tokens(lines[li]);
    if (tk.empty() || tk[0][0] == '#') continue;
    if (!header) {
      if (tk.size() != 2 || tk[0] != "effect" || tk[1] != "1") throw ParseError(ln, "not an effect text");
      header = true;
      continue;
    }
    std::string_view kw = tk[0];
    if (pass) {
      if (kw == "end" && tk.size() == 1) {
        if (pass->fragment.empty()) throw ParseError(ln, "pass without a fragment program");
        pass = nullptr;
      } else if (kw == "state") {
        if (pass->states.size() >= kMaxStatesPerPass || tk.size() != 4) throw ParseError(ln, "bad state");
        StateSet s{};
        ParseAssignment(tk, 1, kRenderStates, std::size(kRenderStates), ln, &s.state, &s.value);
        pass->states.push_back(s);
      } else if (kw == "sampler") {
        if (tk.size() < 5 || (tk.size() - 2) % 3 != 0) throw ParseError(ln, "bad sampler");
        bool isTexture = false;
        for (const ParamDesc& p : fx.params)
          if (p.name == tk[1] && p.type == ParamType::Texture) isTexture = true;
        if (!isTexture) throw ParseError(ln, "sampler of an unknown texture");
        for (size_t i = 2; i < tk.size(); i += 3) {
          if (pass->samplers.size() >= kMaxStatesPerPass) throw ParseError(ln, "too many sampler states");
          SamplerSet s{std::string(tk[1]), 0, 0};
          ParseAssignment(tk, i, kSamplerStates, std::size(kSamplerStates), ln, &s.type, &s.value);
          pass->samplers.push_back(s);
        }
      } else if ((kw == "vertex" || kw == "fragment") && tk.size() == 2) {
        if (!fx.programs.count(std::string(tk[1]))) throw ParseError(ln, "unknown program " + std::string(tk[1]));
        (kw == "vertex" ? pass->vertex : pass->fragment) = std::string(tk[1]);
      } else {
        throw ParseError(ln, "unexpected " + std::string(kw) + " in a pass");
      }
      continue;
    }
    if (tech) {
      if (kw == "end" && tk.size() == 1) {
        if (tech->passes.empty()) throw ParseError(ln, "technique without passes");
        tech = nullptr;
      } else if (kw == "pass" && tk.size() == 2 && IsIdentifier(tk[1])) {
        if (tech->passes.size() >= kMaxPasses || ++allPasses > kMaxAllPasses) throw ParseError(ln, "too many passes");
        tech->passes.emplace_back();
        pass = &tech->passes.back();
        pass->name = std::string(tk[1]);
      } else {
        throw ParseError(ln, "expected pass or end");
      }
      continue;
    }
    if (kw == "technique") {
      if (tk.size() != 2 || !IsIdentifier(tk[1])) throw ParseError(ln, "bad technique name");
      if (fx.techniques.size() >= kMaxTechniques) throw ParseError(ln, "too many techniques");
      for (const TechniqueDesc& t : fx.techniques)
        if (t.name == tk[1]) throw ParseError(ln, "technique named twice");
      fx.techniques.emplace_back();
      tech = &fx.techniques.back();
      tech->name = std::string(tk[1]);
    } else if (kw == "program") {
      if (tk.size() != 2 || !IsIdentifier(tk[1])) throw ParseError(ln, "bad program name");
      std::string name(tk[1]);
      if (fx.programs.count(name)) throw ParseError(ln, "program named twice");
      std::string body;
      size_t start = li + 1;
      for (++li; li < lines.size(); ++li) {
        std::vector<std::string_view> t = Tokens(lines[li]);
        if (t.size() == 1 && t[0] == "end") break;
        body.append(lines[li]);
        body.push_back('\n');
      }
      if (li >= lines.size()) throw ParseError(start, "program without end");
      if (fx.programs.size() >= kMaxPrograms) throw ParseError(start, "too many programs");
      if (body.size() > kMaxProgramBytes) throw ParseError(start, "program too long");
      std::string why;
      if (!BoundedProgram(body, &why)) throw ParseError(start, "program " + name + ": " + why);
      fx.programs[name] = "#line " + std::to_string(start + 1) + "\n" + body;
    } else if (kw == "float" || kw == "float2" || kw == "float3" || kw == "float4" || kw == "matrix" ||
               kw == "texture") {
      if (tk.size() < 2 || !IsIdentifier(tk[1])) throw ParseError(ln, "bad parameter name");
      if (paramExists(tk[1])) throw ParseError(ln, "parameter named twice");
      if (fx.params.size() >= kMaxParameters) throw ParseError(ln, "too many parameters");
      ParamDesc p;
      p.name = std::string(tk[1]);
      if (kw == "texture") {
        p.type = ParamType::Texture;
        p.size = 0;
        if (tk.size() != 2) throw ParseError(ln, "a texture has no default");
      } else {
        if (kw == "matrix") {
          p.type = ParamType::Matrix;
          p.size = 16;
          for (int i = 0; i < 4; ++i) p.defaults[i * 5] = 1.f;
        } else {
          p.size = kw == "float" ? 1 : static_cast<uint32_t>(kw[5] - '0');
        }
        if (tk.size() > 2) {
          if (tk[2] != "=" || tk.size() == 3 || tk.size() - 3 > p.size) throw ParseError(ln, "bad default");
          for (size_t i = 3; i < tk.size(); ++i)
            if (!ParseFloat(tk[i], &p.defaults[i - 3])) throw ParseError(ln, "bad number " + std::string(tk[i]));
        }
      }
      fx.params.push_back(std::move(p));
    } else {
      throw ParseError(ln, "unexpected " + std::string(kw));
    }
  }
  if (!header) throw ParseError(0, "not an effect text");
  if (tech || pass) throw ParseError(lines.size(), "missing end");
  if (fx.techniques.empty()) throw ParseError(lines.size(), "no technique");
  return fx;
}

// ------------------------------------------------------------------ GL

// Entry points the device's loader does not list. Fetched again for every
// effect: the GL library may be loaded anew with each device.
struct ExtraGL {
  PFNGLUNIFORM2FVPROC uniform2fv = nullptr;
  PFNGLUNIFORM3FVPROC uniform3fv = nullptr;
  PFNGLVERTEXATTRIB4FPROC vertexAttrib4f = nullptr;
  bool Load() {
    uniform2fv = reinterpret_cast<PFNGLUNIFORM2FVPROC>(SDL_GL_GetProcAddress("glUniform2fv"));
    uniform3fv = reinterpret_cast<PFNGLUNIFORM3FVPROC>(SDL_GL_GetProcAddress("glUniform3fv"));
    vertexAttrib4f = reinterpret_cast<PFNGLVERTEXATTRIB4FPROC>(SDL_GL_GetProcAddress("glVertexAttrib4f"));
    return uniform2fv && uniform3fv && vertexAttrib4f;
  }
};
ExtraGL g_gl;

const char* GlslType(const ParamDesc& p) {
  if (p.type == ParamType::Texture) return "sampler2D";
  if (p.type == ParamType::Matrix) return "mat4";
  static const char* kVec[] = {"float", "float", "vec2", "vec3", "vec4"};
  return kVec[p.size];
}

std::string Uniforms(const EffectDesc& fx) {
  std::string s = "uniform mat4 u_world;\nuniform mat4 u_view;\nuniform mat4 u_proj;\nuniform mat4 u_wvp;\n"
                  "uniform vec4 u_viewport;\n";
  for (const ParamDesc& p : fx.params) s += std::string("uniform ") + GlslType(p) + " " + p.name + ";\n";
  return s;
}

const char kVertexInputs[] =
    "layout(location = 0) in vec4 a_pos;\nlayout(location = 1) in vec3 a_nrm;\n"
    "layout(location = 2) in vec4 a_col0;\nlayout(location = 3) in vec4 a_col1;\n"
    "layout(location = 4) in vec4 a_tc0;\nlayout(location = 5) in vec4 a_tc1;\n"
    "layout(location = 6) in vec4 a_tc2;\nlayout(location = 7) in vec4 a_tc3;\n"
    "out vec4 v_col0;\nout vec4 v_col1;\nout vec2 v_tc0;\nout vec2 v_tc1;\nout vec2 v_tc2;\nout vec2 v_tc3;\n";

// The fixed-function transform: device matrices, or pixel positions for
// pre-transformed vertices; pixel centres sit on integer coordinates.
const char kDefaultVertex[] =
    "uniform int u_rhw;\n"
    "void main() {\n"
    "  vec2 size = max(u_viewport.zw, vec2(1.0));\n"
    "  if (u_rhw != 0) {\n"
    "    float w = a_pos.w != 0.0 ? 1.0 / a_pos.w : 1.0;\n"
    "    vec2 ndc = vec2((a_pos.x + 0.5 - u_viewport.x) / size.x * 2.0 - 1.0,\n"
    "                    1.0 - (a_pos.y + " D3D9_ROW_CENTRE_SHIFT " - u_viewport.y) / size.y * 2.0);\n"
    "    gl_Position = vec4(ndc, a_pos.z, 1.0) * w;\n"
    "  } else {\n"
    "    gl_Position = u_wvp * vec4(a_pos.xyz, 1.0);\n"
    "    gl_Position.xy += vec2(1.0 / size.x, -2.0 * " D3D9_ROW_CENTRE_SHIFT " / size.y) * gl_Position.w;\n"
    "  }\n"
    "  v_col0 = a_col0;\n  v_col1 = a_col1;\n"
    "  v_tc0 = a_tc0.xy;\n  v_tc1 = a_tc1.xy;\n  v_tc2 = a_tc2.xy;\n  v_tc3 = a_tc3.xy;\n"
    "}\n";

const char kFragmentInputs[] =
    "in vec4 v_col0;\nin vec4 v_col1;\nin vec2 v_tc0;\nin vec2 v_tc1;\nin vec2 v_tc2;\nin vec2 v_tc3;\n"
    "out vec4 o_color;\n";

// One linked pair of programs with the places of its uniforms.
struct GLProgram {
  GLuint id = 0;
  GLint world = -1, view = -1, proj = -1, wvp = -1, viewport = -1, rhw = -1;
  std::vector<GLint> params;       // per parameter; -1 when unused
  std::vector<int> units;          // per parameter: texture unit or -1
};

// ------------------------------------------------------------------ effect

bool InDefaultPool(IDirect3DBaseTexture9* t) {
  if (t->GetType() == D3DRTYPE_TEXTURE) {
    D3DSURFACE_DESC d{};
    return SUCCEEDED(static_cast<IDirect3DTexture9*>(t)->GetLevelDesc(0, &d)) && d.Pool == D3DPOOL_DEFAULT;
  }
  return false;
}

struct Param {
  ParamDesc desc;
  float value[16] = {};
  IDirect3DBaseTexture9* texture = nullptr;
};

struct Pass {
  PassDesc desc;
  GLProgram* program = nullptr;
};

struct Technique {
  std::string name;
  std::vector<Pass> passes;
};

class Effect final : public ID3DXEffect, private D3D9DrawHook {
 public:
  explicit Effect(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }

  ~Effect() {
    if (in_pass_) EndPass();
    if (begun_) End();
    for (Param& p : params_)
      if (p.texture) p.texture->Release();
    D3D9_MakeCurrent(device_);
    for (auto& entry : programs_)
      if (entry.second->id) glDeleteProgram(entry.second->id);
    if (black_) black_->Release();
    device_->Release();
  }

  // Builds parameters, programs and techniques; false with a message.
  bool Build(EffectDesc&& fx, std::string* log) {
    D3D9_MakeCurrent(device_);
    if (!g_gl.Load()) {
      *log = "missing GL entry points";
      return false;
    }
    // The device remembers which program GL has bound: leave it as found.
    GLint bound = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &bound);
    bool built = BuildPrograms(fx, log);
    glUseProgram(static_cast<GLuint>(bound));
    if (!built) return false;
    // Null textures sample opaque black.
    if (FAILED(device_->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &black_, nullptr)) || !black_) {
      *log = "no texture for null samplers";
      return false;
    }
    D3DLOCKED_RECT lr;
    if (SUCCEEDED(black_->LockRect(0, &lr, nullptr, 0))) {
      *static_cast<uint32_t*>(lr.pBits) = 0xFF000000u;
      black_->UnlockRect(0);
    }
    current_ = 0;
    return true;
  }

  bool BuildPrograms(EffectDesc& fx, std::string* log) {
    for (ParamDesc& d : fx.params) {
      Param p;
      p.desc = d;
      std::memcpy(p.value, d.defaults, sizeof p.value);
      params_.push_back(std::move(p));
    }
    std::string uniforms = Uniforms(fx);
    for (TechniqueDesc& td : fx.techniques) {
      Technique t;
      t.name = td.name;
      for (PassDesc& pd : td.passes) {
        Pass pass;
        pass.desc = pd;
        pass.program = Program(fx, uniforms, pd.vertex, pd.fragment, log);
        if (!pass.program) {
          *log = "technique " + td.name + ", pass " + pd.name + ": " + *log;
          return false;
        }
        t.passes.push_back(std::move(pass));
      }
      techniques_.push_back(std::move(t));
    }
    return true;
  }

  // IUnknown
  HRESULT QueryInterface(REFIID, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }

  HRESULT GetDesc(D3DXEFFECT_DESC* desc) override {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Creator = "effect text 1";
    desc->Parameters = static_cast<UINT>(params_.size());
    desc->Techniques = static_cast<UINT>(techniques_.size());
    desc->Functions = 0;
    return D3D_OK;
  }

  D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) override {
    if (parent || !name) return nullptr;
    Param* p = FindParam(name);
    return p ? p->desc.name.c_str() : nullptr;
  }
  D3DXHANDLE GetTechnique(UINT index) override {
    return index < techniques_.size() ? techniques_[index].name.c_str() : nullptr;
  }
  D3DXHANDLE GetTechniqueByName(LPCSTR name) override {
    int i = FindTechnique(name);
    return i < 0 ? nullptr : techniques_[i].name.c_str();
  }
  HRESULT SetTechnique(D3DXHANDLE technique) override {
    int i = FindTechnique(technique);
    if (i < 0) return D3DERR_INVALIDCALL;
    current_ = i;
    return D3D_OK;
  }
  D3DXHANDLE GetCurrentTechnique() override { return techniques_[current_].name.c_str(); }

  HRESULT SetValue(D3DXHANDLE h, LPCVOID data, UINT bytes) override {
    Param* p = FindParam(h);
    if (!p || !data) return D3DERR_INVALIDCALL;
    if (p->desc.type == ParamType::Texture) {
      if (bytes < sizeof(IDirect3DBaseTexture9*)) return D3DERR_INVALIDCALL;
      IDirect3DBaseTexture9* t;
      std::memcpy(&t, data, sizeof t);
      return SetTexture(h, t);
    }
    std::memcpy(p->value, data, std::min<size_t>(bytes, p->desc.size * sizeof(float)));
    return D3D_OK;
  }
  HRESULT GetValue(D3DXHANDLE h, LPVOID data, UINT bytes) override {
    Param* p = FindParam(h);
    if (!p || !data) return D3DERR_INVALIDCALL;
    if (p->desc.type == ParamType::Texture) {
      if (bytes < sizeof(IDirect3DBaseTexture9*)) return D3DERR_INVALIDCALL;
      if (p->texture) p->texture->AddRef();
      std::memcpy(data, &p->texture, sizeof p->texture);
      return D3D_OK;
    }
    std::memcpy(data, p->value, std::min<size_t>(bytes, p->desc.size * sizeof(float)));
    return D3D_OK;
  }
  HRESULT SetFloat(D3DXHANDLE h, FLOAT v) override { return SetFloatArray(h, &v, 1); }
  HRESULT GetFloat(D3DXHANDLE h, FLOAT* v) override { return GetFloatArray(h, v, 1); }
  HRESULT SetFloatArray(D3DXHANDLE h, const FLOAT* values, UINT count) override {
    Param* p = FindParam(h);
    if (!p || !values || p->desc.type == ParamType::Texture) return D3DERR_INVALIDCALL;
    std::memcpy(p->value, values, std::min<UINT>(count, p->desc.size) * sizeof(float));
    return D3D_OK;
  }
  HRESULT GetFloatArray(D3DXHANDLE h, FLOAT* values, UINT count) override {
    Param* p = FindParam(h);
    if (!p || !values || p->desc.type == ParamType::Texture) return D3DERR_INVALIDCALL;
    std::memcpy(values, p->value, std::min<UINT>(count, p->desc.size) * sizeof(float));
    return D3D_OK;
  }
  HRESULT SetVector(D3DXHANDLE h, const D3DXVECTOR4* v) override {
    Param* p = FindParam(h);
    if (!p || !v || p->desc.type != ParamType::Float) return D3DERR_INVALIDCALL;
    const float f[4] = {v->x, v->y, v->z, v->w};
    return SetFloatArray(h, f, 4);
  }
  HRESULT GetVector(D3DXHANDLE h, D3DXVECTOR4* v) override {
    Param* p = FindParam(h);
    if (!p || !v || p->desc.type != ParamType::Float) return D3DERR_INVALIDCALL;
    float f[4] = {};
    std::memcpy(f, p->value, p->desc.size * sizeof(float));
    *v = D3DXVECTOR4(f[0], f[1], f[2], f[3]);
    return D3D_OK;
  }
  HRESULT SetMatrix(D3DXHANDLE h, const D3DXMATRIX* m) override {
    Param* p = FindParam(h);
    if (!p || !m || p->desc.type != ParamType::Matrix) return D3DERR_INVALIDCALL;
    std::memcpy(p->value, &m->m[0][0], 16 * sizeof(float));
    return D3D_OK;
  }
  HRESULT GetMatrix(D3DXHANDLE h, D3DXMATRIX* m) override {
    Param* p = FindParam(h);
    if (!p || !m || p->desc.type != ParamType::Matrix) return D3DERR_INVALIDCALL;
    std::memcpy(&m->m[0][0], p->value, 16 * sizeof(float));
    return D3D_OK;
  }
  HRESULT SetTexture(D3DXHANDLE h, IDirect3DBaseTexture9* texture) override {
    Param* p = FindParam(h);
    if (!p || p->desc.type != ParamType::Texture) return D3DERR_INVALIDCALL;
    if (texture) texture->AddRef();
    if (p->texture) p->texture->Release();
    p->texture = texture;
    return D3D_OK;
  }
  HRESULT GetTexture(D3DXHANDLE h, IDirect3DBaseTexture9** texture) override {
    Param* p = FindParam(h);
    if (!p || !texture || p->desc.type != ParamType::Texture) return D3DERR_INVALIDCALL;
    if (p->texture) p->texture->AddRef();
    *texture = p->texture;
    return D3D_OK;
  }
  // The text format has floats only.
  HRESULT SetInt(D3DXHANDLE h, INT v) override { return SetFloat(h, static_cast<float>(v)); }
  HRESULT SetBool(D3DXHANDLE h, BOOL v) override { return SetFloat(h, v ? 1.f : 0.f); }

  HRESULT Begin(UINT* passes, DWORD flags) override {
    if (begun_) return D3DERR_INVALIDCALL;
    begun_ = true;
    begun_technique_ = current_;
    saved_ = Saved{};
    if (!(flags & D3DXFX_DONOTSAVESTATE)) SaveStates();
    if (passes) *passes = static_cast<UINT>(techniques_[current_].passes.size());
    return D3D_OK;
  }

  HRESULT BeginPass(UINT index) override {
    if (!begun_ || in_pass_ || index >= techniques_[begun_technique_].passes.size()) return D3DERR_INVALIDCALL;
    pass_ = &techniques_[begun_technique_].passes[index];
    in_pass_ = true;
    for (const StateSet& s : pass_->desc.states)
      device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s.state), s.value);
    for (const SamplerSet& s : pass_->desc.samplers) {
      int unit = UnitOf(*pass_, s.texture);
      if (unit >= 0) device_->SetSamplerState(unit, static_cast<D3DSAMPLERSTATETYPE>(s.type), s.value);
    }
    Commit();
    previous_hook_ = D3D9_GetDrawHook(device_);
    D3D9_SetDrawHook(device_, this);
    return D3D_OK;
  }

  HRESULT CommitChanges() override {
    if (!in_pass_) return D3DERR_INVALIDCALL;
    Commit();
    return D3D_OK;
  }

  HRESULT EndPass() override {
    if (!in_pass_) return D3DERR_INVALIDCALL;
    if (D3D9_GetDrawHook(device_) == this) D3D9_SetDrawHook(device_, previous_hook_);
    previous_hook_ = nullptr;
    in_pass_ = false;
    pass_ = nullptr;
    return D3D_OK;
  }

  HRESULT End() override {
    if (!begun_) return D3DERR_INVALIDCALL;
    if (in_pass_) EndPass();
    begun_ = false;
    RestoreStates();
    return D3D_OK;
  }

  HRESULT GetDevice(IDirect3DDevice9** device) override {
    if (!device) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return D3D_OK;
  }
  // Effects hold nothing in the default pool.
  // Textures in the default pool die with the device: an effect still
  // holding one would keep the device from being reset.
  HRESULT OnLostDevice() override {
    for (Param& p : params_) {
      if (p.desc.type != ParamType::Texture || !p.texture || !InDefaultPool(p.texture)) continue;
      p.texture->Release();
      p.texture = nullptr;
    }
    return D3D_OK;
  }
  HRESULT OnResetDevice() override { return D3D_OK; }

 private:
  struct Saved {
    std::vector<std::pair<DWORD, DWORD>> states;                  // render state, value
    std::vector<std::pair<std::pair<DWORD, DWORD>, DWORD>> samplers;  // (unit, type), value
    std::vector<std::pair<DWORD, IDirect3DBaseTexture9*>> textures;   // unit, texture held
  };

  Param* FindParam(D3DXHANDLE h) {
    if (!h) return nullptr;
    for (Param& p : params_)
      if (p.desc.name.c_str() == h) return &p;
    for (Param& p : params_)
      if (p.desc.name == h) return &p;
    return nullptr;
  }
  int FindTechnique(D3DXHANDLE h) {
    if (!h) return -1;
    for (size_t i = 0; i < techniques_.size(); ++i)
      if (techniques_[i].name.c_str() == h) return static_cast<int>(i);
    for (size_t i = 0; i < techniques_.size(); ++i)
      if (techniques_[i].name == h) return static_cast<int>(i);
    return -1;
  }
  int UnitOf(const Pass& pass, const std::string& texture) {
    for (size_t i = 0; i < params_.size(); ++i)
      if (params_[i].desc.name == texture) return pass.program->units[i];
    return -1;
  }

  // Links (or reuses) the program of a vertex and fragment pair.
  GLProgram* Program(const EffectDesc& fx, const std::string& uniforms, const std::string& vertex,
                     const std::string& fragment, std::string* log) {
    std::string key = vertex + "/" + fragment;
    auto found = programs_.find(key);
    if (found != programs_.end()) return found->second.get();
    std::string vs = "#version 330 core\n" + std::string(kVertexInputs) + uniforms +
                     (vertex.empty() ? std::string(kDefaultVertex) : fx.programs.at(vertex));
    std::string fs = "#version 330 core\n" + std::string(kFragmentInputs) + uniforms + fx.programs.at(fragment);
    auto prog = std::make_unique<GLProgram>();
    prog->id = LinkProgram(vs, fs, log);
    if (!prog->id) return nullptr;
    GLuint id = prog->id;
    glUseProgram(id);
    prog->world = glGetUniformLocation(id, "u_world");
    prog->view = glGetUniformLocation(id, "u_view");
    prog->proj = glGetUniformLocation(id, "u_proj");
    prog->wvp = glGetUniformLocation(id, "u_wvp");
    prog->viewport = glGetUniformLocation(id, "u_viewport");
    prog->rhw = glGetUniformLocation(id, "u_rhw");
    int unit = 0;
    for (const ParamDesc& p : fx.params) {
      GLint loc = glGetUniformLocation(id, p.name.c_str());
      prog->params.push_back(loc);
      int u = -1;
      if (p.type == ParamType::Texture && loc >= 0) {
        if (unit >= static_cast<int>(kTextureUnits)) {
          glDeleteProgram(id);
          *log = "more than four textures in one pass";
          return nullptr;
        }
        u = unit++;
        glUniform1i(loc, u);
      }
      prog->units.push_back(u);
    }
    GLProgram* raw = prog.get();
    programs_[key] = std::move(prog);
    return raw;
  }

  // The values a draw of the current pass uses, and its textures on the device.
  void Commit() {
    committed_.resize(params_.size() * 16);
    for (size_t i = 0; i < params_.size(); ++i) std::memcpy(&committed_[i * 16], params_[i].value, 16 * sizeof(float));
    for (size_t i = 0; i < params_.size(); ++i) {
      int unit = pass_->program->units[i];
      if (unit < 0) continue;
      IDirect3DBaseTexture9* t = params_[i].texture ? params_[i].texture : black_;
      device_->SetTexture(unit, t);
    }
  }

  bool BindForDraw(IDirect3DDevice9* device, DWORD fvf) override {
    if (!pass_ || device != device_) return false;
    const GLProgram& p = *pass_->program;
    glUseProgram(p.id);
    D3DXMATRIX world, view, proj, wvp;
    device_->GetTransform(D3DTS_WORLD, &world);
    device_->GetTransform(D3DTS_VIEW, &view);
    device_->GetTransform(D3DTS_PROJECTION, &proj);
    D3DXMatrixMultiply(&wvp, D3DXMatrixMultiply(&wvp, &world, &view), &proj);
    // Row-major matrices read as column-major ones: M * v in GLSL is v * M here.
    if (p.world >= 0) glUniformMatrix4fv(p.world, 1, GL_FALSE, &world.m[0][0]);
    if (p.view >= 0) glUniformMatrix4fv(p.view, 1, GL_FALSE, &view.m[0][0]);
    if (p.proj >= 0) glUniformMatrix4fv(p.proj, 1, GL_FALSE, &proj.m[0][0]);
    if (p.wvp >= 0) glUniformMatrix4fv(p.wvp, 1, GL_FALSE, &wvp.m[0][0]);
    if (p.viewport >= 0) {
      D3DVIEWPORT9 vp{};
      device_->GetViewport(&vp);
      glUniform4f(p.viewport, static_cast<float>(vp.X), static_cast<float>(vp.Y), static_cast<float>(vp.Width),
                  static_cast<float>(vp.Height));
    }
    if (p.rhw >= 0) glUniform1i(p.rhw, (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW ? 1 : 0);
    for (size_t i = 0; i < params_.size(); ++i) {
      GLint loc = p.params[i];
      if (loc < 0) continue;
      const ParamDesc& d = params_[i].desc;
      const float* v = &committed_[i * 16];
      if (d.type == ParamType::Matrix) glUniformMatrix4fv(loc, 1, GL_FALSE, v);
      else if (d.type == ParamType::Float) {
        switch (d.size) {
          case 1: glUniform1f(loc, v[0]); break;
          case 2: g_gl.uniform2fv(loc, 1, v); break;
          case 3: g_gl.uniform3fv(loc, 1, v); break;
          default: glUniform4fv(loc, 1, v); break;
        }
      }
    }
    // A vertex without a diffuse colour reads opaque white.
    if (!(fvf & D3DFVF_DIFFUSE)) g_gl.vertexAttrib4f(2, 1.f, 1.f, 1.f, 1.f);
    if (!(fvf & D3DFVF_SPECULAR)) g_gl.vertexAttrib4f(3, 0.f, 0.f, 0.f, 0.f);
    return true;
  }

  void SaveStates() {
    const Technique& t = techniques_[begun_technique_];
    for (const Pass& pass : t.passes) {
      for (const StateSet& s : pass.desc.states) {
        bool known = false;
        for (auto& e : saved_.states) known |= e.first == s.state;
        if (known) continue;
        DWORD v = 0;
        device_->GetRenderState(static_cast<D3DRENDERSTATETYPE>(s.state), &v);
        saved_.states.push_back({s.state, v});
      }
      for (const SamplerSet& s : pass.desc.samplers) {
        int unit = UnitOf(pass, s.texture);
        if (unit < 0) continue;
        std::pair<DWORD, DWORD> key{static_cast<DWORD>(unit), s.type};
        bool known = false;
        for (auto& e : saved_.samplers) known |= e.first == key;
        if (known) continue;
        DWORD v = 0;
        device_->GetSamplerState(key.first, static_cast<D3DSAMPLERSTATETYPE>(key.second), &v);
        saved_.samplers.push_back({key, v});
      }
      for (int unit : pass.program->units) {
        if (unit < 0) continue;
        bool known = false;
        for (auto& e : saved_.textures) known |= e.first == static_cast<DWORD>(unit);
        if (known) continue;
        IDirect3DBaseTexture9* held = nullptr;
        device_->GetTexture(unit, &held);
        saved_.textures.push_back({static_cast<DWORD>(unit), held});
      }
    }
  }

  void RestoreStates() {
    for (auto& e : saved_.states) device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(e.first), e.second);
    for (auto& e : saved_.samplers)
      device_->SetSamplerState(e.first.first, static_cast<D3DSAMPLERSTATETYPE>(e.first.second), e.second);
    for (auto& e : saved_.textures) {
      device_->SetTexture(e.first, e.second);
      if (e.second) e.second->Release();
    }
    saved_ = Saved{};
  }

  std::atomic<ULONG> refs_{1};
  IDirect3DDevice9* device_;
  std::vector<Param> params_;
  std::vector<Technique> techniques_;
  std::map<std::string, std::unique_ptr<GLProgram>> programs_;
  IDirect3DTexture9* black_ = nullptr;
  int current_ = 0;
  int begun_technique_ = 0;
  bool begun_ = false;
  bool in_pass_ = false;
  Pass* pass_ = nullptr;
  D3D9DrawHook* previous_hook_ = nullptr;
  std::vector<float> committed_;
  Saved saved_;
};

void ReportError(const std::string& message, ID3DXBuffer** errors) {
  if (!errors) return;
  if (SUCCEEDED(D3DXCreateBuffer(static_cast<DWORD>(message.size() + 1), errors)) && *errors)
    std::memcpy((*errors)->GetBufferPointer(), message.c_str(), message.size() + 1);
}

}  // namespace

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID data, UINT bytes, const D3DXMACRO*, ID3DXInclude*, DWORD,
                         ID3DXEffectPool*, ID3DXEffect** effect, ID3DXBuffer** errors) {
  if (errors) *errors = nullptr;
  if (!effect) return D3DERR_INVALIDCALL;
  *effect = nullptr;
  if (!device || !data) return D3DERR_INVALIDCALL;
  if (D3DX_IsFx2(data, bytes)) {
    // The shader library trusts what it reads: nothing reaches it unchecked.
    std::string why;
    if (!D3DX_ValidateFx2(data, bytes, &why)) {
      ReportError("compiled effect: " + why, errors);
      return D3DXERR_INVALIDDATA;
    }
    HRESULT hr = CreateCompiledEffect(device, data, bytes, effect, &why);
    if (FAILED(hr)) ReportError("compiled effect: " + why, errors);
    return hr;
  }
  EffectDesc fx;
  try {
    fx = ParseEffect(static_cast<const uint8_t*>(data), bytes);
  } catch (const ParseError& e) {
    ReportError(e.what(), errors);
    return D3DXERR_INVALIDDATA;
  }
  auto* made = new Effect(device);
  std::string log;
  if (!made->Build(std::move(fx), &log)) {
    made->Release();
    ReportError(log, errors);
    return D3DXERR_INVALIDDATA;
  }
  *effect = made;
  return D3D_OK;
}

HRESULT CreateBuiltInEffect(IDirect3DDevice9* device, uint32_t effectId, ID3DXEffect** effect) {
  if (!effect) return D3DERR_INVALIDCALL;
  *effect = nullptr;
  if (effectId == 0 || effectId > 0xFFFF) return D3DERR_INVALIDCALL;
  // Without the data-file flags: our own pack, never a module file of that name.
  HMODULE pack = LoadLibraryExW(u"common_res.dll", nullptr, 0);
  if (!pack) return E_FAIL;
  HRSRC res = FindResourceW(pack, MAKEINTRESOURCEW(effectId), RT_RCDATA);
  HGLOBAL loaded = res ? LoadResource(pack, res) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return E_FAIL;
  return D3DXCreateEffect(device, bytes, SizeofResource(pack, res), nullptr, nullptr, 0, nullptr, effect, nullptr);
}
