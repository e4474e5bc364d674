#include "platform/d3dx9/d3dx9_fx2_glsl.h"

#include <mojoshader/mojoshader.h>

#include <cstring>

#include "platform/d3d9/d3d9_draw_hook.h"

namespace d3dx9fx {
namespace {

constexpr int kTexCoordSets = 8;

void ReplaceAll(std::string* s, const std::string& from, const std::string& to) {
  for (size_t at = s->find(from); at != std::string::npos; at = s->find(from, at + to.size()))
    s->replace(at, from.size(), to);
}

// gl_TexCoord[n] becomes v_tcn; false for a set we do not carry.
bool ReplaceTexCoords(std::string* s) {
  const std::string key = "gl_TexCoord[";
  for (size_t at = s->find(key); at != std::string::npos; at = s->find(key, at)) {
    size_t digit = at + key.size();
    if (digit + 1 >= s->size() || (*s)[digit] < '0' || (*s)[digit] > '7' || (*s)[digit + 1] != ']') return false;
    s->replace(at, key.size() + 2, std::string("v_tc") + (*s)[digit]);
  }
  return true;
}

// Where the device puts an FVF element; unknown usages read a disabled
// array (the attribute's constant value).
int AttributeLocation(const MOJOSHADER_attribute& a, int* spare) {
  switch (a.usage) {
    case MOJOSHADER_USAGE_POSITION:
    case MOJOSHADER_USAGE_POSITIONT:
      if (a.index == 0) return 0;
      break;
    case MOJOSHADER_USAGE_NORMAL:
      if (a.index == 0) return 1;
      break;
    case MOJOSHADER_USAGE_COLOR:
      if (a.index == 0 || a.index == 1) return 2 + a.index;
      break;
    case MOJOSHADER_USAGE_TEXCOORD:
      if (a.index >= 0 && a.index < kTexCoordSets) return 4 + a.index;
      break;
    default: break;
  }
  return (*spare)++;
}

const char kVersion[] = "#version 330 core\n";

const char kVertexPrelude[] =
    "out vec4 v_col0;\nout vec4 v_col1;\nout float v_fog;\n"
    "out vec4 v_tc0;\nout vec4 v_tc1;\nout vec4 v_tc2;\nout vec4 v_tc3;\n"
    "out vec4 v_tc4;\nout vec4 v_tc5;\nout vec4 v_tc6;\nout vec4 v_tc7;\n"
    "uniform vec4 u_half;\n";

const char kFragmentPrelude[] =
    "in vec4 v_col0;\nin vec4 v_col1;\nin float v_fog;\n"
    "in vec4 v_tc0;\nin vec4 v_tc1;\nin vec4 v_tc2;\nin vec4 v_tc3;\n"
    "in vec4 v_tc4;\nin vec4 v_tc5;\nin vec4 v_tc6;\nin vec4 v_tc7;\n"
    "out vec4 o_color;\n";

// Pixel centres sit on integer coordinates (see D3D9_ROW_CENTRE_SHIFT).
const char kVertexMain[] =
    "void main() {\n"
    "  shader_main();\n"
    "  gl_Position.xy += u_half.xy * gl_Position.w;\n"
    "}\n";

const char kFixedVertex[] =
    "#version 330 core\n"
    "layout(location = 0) in vec4 a_pos;\n"
    "layout(location = 2) in vec4 a_col0;\nlayout(location = 3) in vec4 a_col1;\n"
    "layout(location = 4) in vec4 a_tc0;\nlayout(location = 5) in vec4 a_tc1;\n"
    "layout(location = 6) in vec4 a_tc2;\nlayout(location = 7) in vec4 a_tc3;\n"
    "layout(location = 8) in vec4 a_tc4;\nlayout(location = 9) in vec4 a_tc5;\n"
    "layout(location = 10) in vec4 a_tc6;\nlayout(location = 11) in vec4 a_tc7;\n"
    "out vec4 v_col0;\nout vec4 v_col1;\nout float v_fog;\n"
    "out vec4 v_tc0;\nout vec4 v_tc1;\nout vec4 v_tc2;\nout vec4 v_tc3;\n"
    "out vec4 v_tc4;\nout vec4 v_tc5;\nout vec4 v_tc6;\nout vec4 v_tc7;\n"
    "uniform mat4 u_wvp;\nuniform vec4 u_viewport;\nuniform vec4 u_half;\nuniform int u_rhw;\n"
    "void main() {\n"
    "  if (u_rhw != 0) {\n"
    "    vec2 size = max(u_viewport.zw, vec2(1.0));\n"
    "    float w = a_pos.w != 0.0 ? 1.0 / a_pos.w : 1.0;\n"
    "    vec2 ndc = vec2((a_pos.x + 0.5 - u_viewport.x) / size.x * 2.0 - 1.0,\n"
    "                    1.0 - (a_pos.y + " D3D9_ROW_CENTRE_SHIFT " - u_viewport.y) / size.y * 2.0);\n"
    "    gl_Position = vec4(ndc, a_pos.z, 1.0) * w;\n"
    "  } else {\n"
    "    gl_Position = u_wvp * vec4(a_pos.xyz, 1.0);\n"
    "    gl_Position.xy += u_half.xy * gl_Position.w;\n"
    "  }\n"
    "  v_col0 = a_col0;\n  v_col1 = a_col1;\n  v_fog = 0.0;\n"
    "  v_tc0 = a_tc0;\n  v_tc1 = a_tc1;\n  v_tc2 = a_tc2;\n  v_tc3 = a_tc3;\n"
    "  v_tc4 = a_tc4;\n  v_tc5 = a_tc5;\n  v_tc6 = a_tc6;\n  v_tc7 = a_tc7;\n"
    "}\n";

}  // namespace

const char* FixedVertexSource() { return kFixedVertex; }

bool TranslateShader(const MOJOSHADER_parseData& parse, TranslatedShader* out, std::string* why) {
  *out = TranslatedShader{};
  if (parse.error_count > 0) {
    *why = parse.errors && parse.errors[0].error ? parse.errors[0].error : "shader not translated";
    return false;
  }
  if (!parse.output || parse.output_len <= 0) return *why = "shader not translated", false;
  bool vertex = parse.shader_type == MOJOSHADER_TYPE_VERTEX;
  if (!vertex && parse.shader_type != MOJOSHADER_TYPE_PIXEL) return *why = "not a vertex or pixel shader", false;
  out->vertex = vertex;

  int floats = 0, ints = 0, bools = 0;
  for (int i = 0; i < parse.uniform_count; ++i) {
    const MOJOSHADER_uniform& u = parse.uniforms[i];
    int count = u.array_count > 0 ? u.array_count : 1;
    if (u.index < 0 || count > kMaxFloatRegisters) return *why = "bad uniform", false;
    // Constant arrays (defined constants read with a relative address) are not carried.
    if (u.constant) return *why = "constant arrays are not supported", false;
    switch (u.type) {
      case MOJOSHADER_UNIFORM_FLOAT:
        if (u.index + count > kMaxFloatRegisters) return *why = "float register out of range", false;
        out->floats.push_back({u.index, count});
        floats += count;
        break;
      case MOJOSHADER_UNIFORM_INT:
        if (u.index + count > kMaxIntRegisters) return *why = "int register out of range", false;
        out->ints.push_back({u.index, count});
        ints += count;
        break;
      case MOJOSHADER_UNIFORM_BOOL:
        if (u.index + count > kMaxBoolRegisters) return *why = "bool register out of range", false;
        out->bools.push_back({u.index, count});
        bools += count;
        break;
      default: return *why = "unknown uniform type", false;
    }
  }
  out->float_count = floats;
  out->int_count = ints;
  out->bool_count = bools;
  for (int i = 0; i < parse.sampler_count; ++i) {
    const MOJOSHADER_sampler& s = parse.samplers[i];
    if (s.index < 0 || s.index >= 16) return *why = "bad sampler", false;
    if (s.type != MOJOSHADER_SAMPLER_2D) return *why = "only 2-D samplers are supported", false;
    if (vertex) return *why = "vertex textures are not supported", false;
    out->samplers.push_back(s.index);
  }
  if (vertex) {
    int spare = 12;
    for (int i = 0; i < parse.attribute_count; ++i) {
      const MOJOSHADER_attribute& a = parse.attributes[i];
      if (!a.name) continue;
      int loc = AttributeLocation(a, &spare);
      if (loc >= 16) return *why = "too many vertex inputs", false;
      out->attributes.push_back({loc, a.name});
    }
  }

  std::string body(parse.output, static_cast<size_t>(parse.output_len));
  size_t version = body.find("#version 120\n");
  if (version != 0) return *why = "unexpected translator output", false;
  body.erase(0, std::strlen("#version 120\n"));
  // The translator's block that finds the lod and gradient lookups: the
  // core profile has them built in.
  size_t lod = body.find("#if GL_ARB_shader_texture_lod");
  if (lod != std::string::npos) {
    size_t end = body.find("#endif\n", lod);
    if (end == std::string::npos) return *why = "unexpected translator output", false;
    body.erase(lod, end + std::strlen("#endif\n") - lod);
  }
  // Extension lines have to come before any declaration: they move up to
  // the version line.
  std::string extensions;
  for (size_t at = body.find("#extension"); at != std::string::npos; at = body.find("#extension", at)) {
    size_t end = body.find('\n', at);
    end = end == std::string::npos ? body.size() : end + 1;
    extensions += body.substr(at, end - at);
    body.erase(at, end - at);
  }
  if (!ReplaceTexCoords(&body)) return *why = "texture coordinate set out of range", false;
  if (vertex) {
    ReplaceAll(&body, "attribute ", "in ");
    ReplaceAll(&body, "varying ", "out ");
    ReplaceAll(&body, "gl_FrontSecondaryColor", "v_col1");
    ReplaceAll(&body, "gl_FrontColor", "v_col0");
    ReplaceAll(&body, "gl_FogFragCoord", "v_fog");
    size_t main = body.find("void main()");
    if (main == std::string::npos) return *why = "unexpected translator output", false;
    body.replace(main, std::strlen("void main()"), "void shader_main()");
    out->source = kVersion + extensions + kVertexPrelude + body + kVertexMain;
  } else {
    ReplaceAll(&body, "varying ", "in ");
    // Direct3D puts a pixel's position on integers; rows already run from
    // the top in our targets, which the caller's vposFlip (1, -0.5) keeps.
    ReplaceAll(&body, "gl_FragCoord.x", "(gl_FragCoord.x - 0.5)");
    ReplaceAll(&body, "gl_SecondaryColor", "v_col1");
    ReplaceAll(&body, "gl_Color", "v_col0");
    ReplaceAll(&body, "gl_FogFragCoord", "v_fog");
    ReplaceAll(&body, "gl_FragColor", "o_color");
    ReplaceAll(&body, "gl_FragData[0]", "o_color");
    ReplaceAll(&body, "texture2DProjLod(", "textureProjLod(");
    ReplaceAll(&body, "texture2DProjGrad(", "textureProjGrad(");
    ReplaceAll(&body, "texture2DGrad(", "textureGrad(");
    ReplaceAll(&body, "texture2DProj(", "textureProj(");
    ReplaceAll(&body, "texture2DLod(", "textureLod(");
    ReplaceAll(&body, "texture2D(", "texture(");
    out->source = kVersion + extensions + kFragmentPrelude + body;
  }
  // What is left of the fixed pipeline's built-ins has no place in the core profile.
  for (const char* left : {"gl_TexCoord", "gl_FragData", "gl_Color", "gl_FrontColor", "gl_BackColor", "gl_SecondaryColor",
                           "gl_FrontSecondaryColor", "gl_FogFragCoord"})
    if (out->source.find(left) != std::string::npos) return *why = std::string("unsupported output ") + left, false;
  return true;
}

}  // namespace d3dx9fx
