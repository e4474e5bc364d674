// GLSL programs standing in for the fixed-function pipeline: vertex
// transform, lighting, texture-coordinate generation and transforms, and the
// texture stage chain, generated from a state key.
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/d3d9/d3d9_draw_hook.h"
#include "platform/d3d9/d3d9_impl.h"
#include "platform/d3d9/gl_loader.h"
#include "platform/d3d9/gl_program.h"

// GCC 12 misreports overlapping copies in std::string concatenation.
#pragma GCC diagnostic ignored "-Wrestrict"

using namespace d3d9gl;

namespace d3d9impl {
namespace {

struct StageKey {
  DWORD colorop, carg1, carg2, alphaop, aarg1, aarg2, carg0, aarg0;
  bool has_tex;
  DWORD tc_index, tc_mode, tt_count;
  bool projected;
};

StageKey Decode(const uint32_t w[2]) {
  StageKey s;
  s.colorop = w[0] & 31;
  s.carg1 = (w[0] >> 5) & 63;
  s.carg2 = (w[0] >> 11) & 63;
  s.alphaop = (w[0] >> 17) & 31;
  s.aarg1 = (w[0] >> 22) & 63;
  s.has_tex = (w[0] >> 28) & 1;
  s.aarg2 = w[1] & 63;
  s.tc_index = (w[1] >> 6) & 7;
  s.tc_mode = (w[1] >> 9) & 7;
  s.tt_count = (w[1] >> 12) & 7;
  s.projected = (w[1] >> 15) & 1;
  s.carg0 = (w[1] >> 16) & 63;
  s.aarg0 = (w[1] >> 22) & 63;
  return s;
}

int StageCount(const ProgramKey& k) {
  int n = 0;
  while (n < static_cast<int>(kStages) && k.stages[n][0] != 0) ++n;
  return n;
}

std::string Num(int i) { return std::to_string(i); }

std::string Arg(DWORD a, int s) {
  std::string b;
  switch (a & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: b = "v_col0"; break;
    case D3DTA_CURRENT: b = "cur"; break;
    case D3DTA_TEXTURE: b = "t" + Num(s); break;
    case D3DTA_TFACTOR: b = "u_tfactor"; break;
    case D3DTA_SPECULAR: b = "v_col1"; break;
    case D3DTA_TEMP: b = "tmp"; break;
    case D3DTA_CONSTANT: b = "u_const[" + Num(s) + "]"; break;
    default: b = "cur"; break;
  }
  if (a & D3DTA_ALPHAREPLICATE) b = "vec4(" + b + ".a)";
  if (a & D3DTA_COMPLEMENT) b = "(vec4(1.0) - " + b + ")";
  return b;
}

// Joins pieces of GLSL (one append each keeps the compiler's overlap checks quiet).
std::string J(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view p : parts) out.append(p);
  return out;
}

std::string Op(DWORD op, const std::string& a1, const std::string& a2, const std::string& a0, int s) {
  std::string t = "t" + Num(s);
  switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return J({a1, " * ", a2});
    case D3DTOP_MODULATE2X: return J({a1, " * ", a2, " * 2.0"});
    case D3DTOP_MODULATE4X: return J({a1, " * ", a2, " * 4.0"});
    case D3DTOP_ADD: return J({a1, " + ", a2});
    case D3DTOP_ADDSIGNED: return J({a1, " + ", a2, " - vec4(0.5)"});
    case D3DTOP_ADDSIGNED2X: return J({"(", a1, " + ", a2, " - vec4(0.5)) * 2.0"});
    case D3DTOP_SUBTRACT: return J({a1, " - ", a2});
    case D3DTOP_ADDSMOOTH: return J({a1, " + ", a2, " - ", a1, " * ", a2});
    case D3DTOP_BLENDDIFFUSEALPHA: return J({"mix(", a2, ", ", a1, ", v_col0.a)"});
    case D3DTOP_BLENDTEXTUREALPHA: return J({"mix(", a2, ", ", a1, ", ", t, ".a)"});
    case D3DTOP_BLENDFACTORALPHA: return J({"mix(", a2, ", ", a1, ", u_tfactor.a)"});
    case D3DTOP_BLENDTEXTUREALPHAPM: return J({a1, " + ", a2, " * (1.0 - ", t, ".a)"});
    case D3DTOP_BLENDCURRENTALPHA: return J({"mix(", a2, ", ", a1, ", cur.a)"});
    case D3DTOP_PREMODULATE: return a1;
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return J({a1, " + vec4(", a1, ".a) * ", a2});
    case D3DTOP_MODULATECOLOR_ADDALPHA: return J({a1, " * ", a2, " + vec4(", a1, ".a)"});
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return J({"vec4(1.0 - ", a1, ".a) * ", a2, " + ", a1});
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return J({"(vec4(1.0) - ", a1, ") * ", a2, " + vec4(", a1, ".a)"});
    case D3DTOP_DOTPRODUCT3: return J({"vec4(dot((", a1, ".rgb - 0.5) * 2.0, (", a2, ".rgb - 0.5) * 2.0))"});
    case D3DTOP_MULTIPLYADD: return J({a0, " + ", a1, " * ", a2});
    case D3DTOP_LERP: return J({"mix(", a2, ", ", a1, ", ", a0, ")"});
    default: return "cur";  // the bump stages leave the colour as it is
  }
}

bool IsBump(DWORD op) { return op == D3DTOP_BUMPENVMAP || op == D3DTOP_BUMPENVMAPLUMINANCE; }

std::string VertexSource(const ProgramKey& k) {
  DWORD fvf = k.fvf;
  bool rhw = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
  bool has_n = (fvf & D3DFVF_NORMAL) != 0;
  bool has_d = (fvf & D3DFVF_DIFFUSE) != 0;
  bool has_s = (fvf & D3DFVF_SPECULAR) != 0;
  UINT ntc = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (ntc > 8) ntc = 8;
  bool lit = (k.flags & kKeyLighting) != 0;
  int nl = static_cast<int>((k.flags >> kKeyLightShift) & 15);
  bool flat = (k.flags & kKeyFlat) != 0;
  int stages = StageCount(k);

  std::string s = "#version 330 core\n";
  s += "layout(location = 0) in vec4 a_pos;\n";
  if (has_n) s += "layout(location = 1) in vec3 a_nrm;\n";
  if (has_d) s += "layout(location = 2) in vec4 a_col0;\n";
  if (has_s) s += "layout(location = 3) in vec4 a_col1;\n";
  for (UINT i = 0; i < ntc; ++i) s += "layout(location = " + Num(4 + i) + ") in vec4 a_tc" + Num(i) + ";\n";
  s += "uniform mat4 u_wvp;\nuniform mat4 u_wv;\nuniform mat3 u_nrm;\nuniform vec4 u_vp;\nuniform vec4 u_half;\n";
  s += "uniform mat4 u_texm[" + Num(kStages) + "];\n";
  if (lit) {
    s += "uniform vec4 u_mat[4];\nuniform float u_power;\nuniform vec4 u_amb;\n";
    s += "uniform vec4 u_light[" + Num(kMaxLights * 4) + "];\n";
  }
  std::string q = flat ? "flat " : "";
  s += q + "out vec4 v_col0;\n" + q + "out vec4 v_col1;\n";
  for (int i = 0; i < stages; ++i) s += "out vec4 v_tc" + Num(i) + ";\n";
  s += "void main() {\n";
  s += "  vec3 vpos = vec3(0.0);\n  vec3 vnrm = vec3(0.0);\n";
  if (rhw) {
    // Pixel positions, pixel centres on integers; w = 1 / rhw keeps perspective.
    s += "  float w = a_pos.w != 0.0 ? 1.0 / a_pos.w : 1.0;\n";
    s += "  vec2 ndc = vec2((a_pos.x + 0.5 - u_vp.x) / u_vp.z * 2.0 - 1.0, 1.0 - (a_pos.y + " D3D9_ROW_CENTRE_SHIFT
         " - u_vp.y) / u_vp.w * 2.0);\n";
    s += "  gl_Position = vec4(ndc, a_pos.z, 1.0) * w;\n";
  } else {
    s += "  vec4 p = vec4(a_pos.xyz, 1.0);\n";
    s += "  gl_Position = u_wvp * p;\n";
    s += "  gl_Position.xy += u_half.xy * gl_Position.w;\n";
    s += "  vpos = (u_wv * p).xyz;\n";
    if (has_n) s += "  vnrm = u_nrm * a_nrm;\n";
  }
  std::string col0 = has_d ? "a_col0" : "vec4(1.0)";
  std::string col1 = has_s ? "a_col1" : "vec4(0.0)";
  if (lit) {
    if (k.flags & kKeyNormalize) s += "  if (dot(vnrm, vnrm) > 0.0) vnrm = normalize(vnrm);\n";
    bool cv = (k.flags & kKeyColorVertex) != 0;
    auto source = [&](int shift, const char* mat) -> std::string {
      DWORD m = (k.flags >> (kKeyMcsShift + shift)) & 3;
      if (cv && m == D3DMCS_COLOR1 && has_d) return "a_col0";
      if (cv && m == D3DMCS_COLOR2 && has_s) return "a_col1";
      return mat;
    };
    s += "  vec4 md = " + source(0, "u_mat[0]") + ";\n";
    s += "  vec4 ms = " + source(2, "u_mat[2]") + ";\n";
    s += "  vec4 ma = " + source(4, "u_mat[1]") + ";\n";
    s += "  vec4 me = " + source(6, "u_mat[3]") + ";\n";
    s += "  vec3 amb = u_amb.rgb;\n  vec3 dif = vec3(0.0);\n  vec3 spc = vec3(0.0);\n";
    if (nl > 0) {
      s += "  for (int i = 0; i < " + Num(nl) + "; ++i) {\n";
      s += "    vec3 L = u_light[i * 4].xyz;\n";
      s += "    amb += u_light[i * 4 + 3].rgb;\n";
      s += "    float ndl = dot(vnrm, L);\n";
      s += "    if (ndl > 0.0) {\n";
      s += "      dif += u_light[i * 4 + 1].rgb * ndl;\n";
      if (k.flags & kKeySpecular) {
        s += (k.flags & kKeyLocalViewer) ? "      vec3 V = normalize(-vpos);\n" : "      vec3 V = vec3(0.0, 0.0, -1.0);\n";
        s += "      vec3 H = normalize(L + V);\n";
        s += "      float nh = dot(vnrm, H);\n";
        s += "      if (nh > 0.0) spc += u_light[i * 4 + 2].rgb * pow(nh, u_power);\n";
      }
      s += "    }\n  }\n";
    }
    s += "  v_col0 = vec4(clamp(me.rgb + ma.rgb * amb + md.rgb * dif, 0.0, 1.0), md.a);\n";
    s += "  v_col1 = vec4(clamp(ms.rgb * spc, 0.0, 1.0), 0.0);\n";
  } else {
    s += "  v_col0 = " + col0 + ";\n  v_col1 = " + col1 + ";\n";
  }
  static const int kSizes[4] = {2, 3, 4, 1};
  for (int i = 0; i < stages; ++i) {
    StageKey st = Decode(k.stages[i]);
    std::string tc;
    switch (st.tc_mode) {
      case 1: tc = "vec4(vnrm, 1.0)"; break;
      case 2: tc = "vec4(vpos, 1.0)"; break;
      case 3: tc = "vec4(reflect(normalize(vpos), vnrm), 1.0)"; break;
      case 4:
        tc = "vec4(reflect(normalize(vpos), vnrm).xy / (2.0 * length(reflect(normalize(vpos), vnrm) + vec3(0.0, 0.0, 1.0)) + 1e-6) + 0.5, 0.0, 1.0)";
        break;
      default:
        if (st.tc_index < ntc) {
          std::string a = "a_tc" + Num(static_cast<int>(st.tc_index));
          // Missing components read as in Direct3D: the first one is 1.
          switch (kSizes[(fvf >> (16 + 2 * st.tc_index)) & 3]) {
            case 1: tc = "vec4(" + a + ".x, 1.0, 0.0, 0.0)"; break;
            case 2: tc = "vec4(" + a + ".xy, 1.0, 0.0)"; break;
            case 3: tc = "vec4(" + a + ".xyz, 1.0)"; break;
            default: tc = a; break;
          }
        } else {
          tc = "vec4(0.0, 0.0, 1.0, 0.0)";
        }
        break;
    }
    if (rhw && st.tc_mode != 0) tc = "vec4(0.0, 0.0, 1.0, 0.0)";
    if (st.tt_count != 0) tc = "u_texm[" + Num(i) + "] * " + tc;
    s += "  v_tc" + Num(i) + " = " + tc + ";\n";
  }
  s += "}\n";
  return s;
}

std::string FragmentSource(const ProgramKey& k) {
  bool flat = (k.flags & kKeyFlat) != 0;
  int stages = StageCount(k);
  std::string q = flat ? "flat " : "";
  std::string s = "#version 330 core\n";
  s += q + "in vec4 v_col0;\n" + q + "in vec4 v_col1;\n";
  for (int i = 0; i < stages; ++i) s += "in vec4 v_tc" + Num(i) + ";\n";
  for (int i = 0; i < static_cast<int>(kStages); ++i) s += "uniform sampler2D u_tex" + Num(i) + ";\n";
  s += "uniform vec4 u_tfactor;\nuniform vec4 u_bump[" + Num(kStages * 2) + "];\nuniform vec4 u_const[" +
       Num(kStages) + "];\nuniform float u_alpharef;\n";
  s += "out vec4 o_color;\n";
  s += "void main() {\n  vec4 cur = v_col0;\n  vec4 tmp = vec4(0.0);\n";
  for (int i = 0; i < stages; ++i) {
    StageKey st = Decode(k.stages[i]);
    std::string n = Num(i);
    std::string tc = "v_tc" + n;
    std::string uv = st.projected && st.tt_count > 0
                         ? tc + ".xy / " + tc + "[" + Num(static_cast<int>(st.tt_count) - 1) + "]"
                         : tc + ".xy";
    s += "  vec2 uv" + n + " = " + uv + ";\n";
    if (i > 0) {
      StageKey prev = Decode(k.stages[i - 1]);
      if (IsBump(prev.colorop)) {
        std::string p = Num(i - 1), b = "u_bump[" + Num((i - 1) * 2) + "]";
        s += "  uv" + n + " += vec2(dot(t" + p + ".rg, " + b + ".xz), dot(t" + p + ".rg, " + b + ".yw));\n";
      }
    }
    s += "  vec4 t" + n + " = " + (st.has_tex ? "texture(u_tex" + n + ", uv" + n + ")" : "vec4(0.0, 0.0, 0.0, 1.0)") +
         ";\n";
    if (i > 0) {
      StageKey prev = Decode(k.stages[i - 1]);
      if (prev.colorop == D3DTOP_BUMPENVMAPLUMINANCE) {
        std::string b = "u_bump[" + Num((i - 1) * 2 + 1) + "]";
        s += "  t" + n + ".rgb *= clamp(t" + Num(i - 1) + ".b * " + b + ".x + " + b + ".y, 0.0, 1.0);\n";
      }
    }
    std::string c = Op(st.colorop, Arg(st.carg1, i), Arg(st.carg2, i), Arg(st.carg0, i), i);
    std::string a = st.alphaop == D3DTOP_DISABLE
                        ? "cur"
                        : Op(st.alphaop, Arg(st.aarg1, i), Arg(st.aarg2, i), Arg(st.aarg0, i), i);
    s += "  vec4 c" + n + " = clamp(" + c + ", 0.0, 1.0);\n";
    s += "  vec4 a" + n + " = clamp(" + a + ", 0.0, 1.0);\n";
    s += "  cur = vec4(c" + n + ".rgb, a" + n + ".a);\n";
  }
  if (k.flags & kKeySpecular) s += "  cur.rgb = clamp(cur.rgb + v_col1.rgb, 0.0, 1.0);\n";
  DWORD af = (k.flags >> kKeyAlphaShift) & 15;
  if (af != 0 && af != D3DCMP_ALWAYS) {
    static const char* kCmp[] = {"", "false", "<", "==", "<=", ">", "!=", ">="};
    s += "  float av = floor(cur.a * 255.0 + 0.5);\n";
    if (af == D3DCMP_NEVER) s += "  discard;\n";
    else if (af < 8) s += std::string("  if (!(av ") + kCmp[af] + " u_alpharef)) discard;\n";
  }
  s += "  o_color = cur;\n}\n";
  return s;
}

}  // namespace

uint32_t BuildProgram(const ProgramKey& key, std::string* log) {
  return d3d9gl::LinkProgram(VertexSource(key), FragmentSource(key), log);
}

}  // namespace d3d9impl
