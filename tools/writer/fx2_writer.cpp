#include "tools/writer/fx2_writer.h"

#include <algorithm>
#include <cstring>

#define MOJOSHADER_EFFECT_SUPPORT
#include <mojoshader.h>

namespace pw {
namespace {

uint32_t FloatBits(float v) {
  uint32_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

bool IsObjectType(Fx2Type t) { return t >= Fx2Type::String; }
bool IsSamplerType(Fx2Type t) { return t >= Fx2Type::Sampler && t <= Fx2Type::SamplerCube; }
bool IsShaderType(Fx2Type t) { return t == Fx2Type::PixelShader || t == Fx2Type::VertexShader; }

// Little-endian words into a growing byte vector.
class Words {
 public:
  uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }
  uint32_t U32(uint32_t v) {
    uint32_t at = size();
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return at;
  }
  void Patch(uint32_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  void Raw(const void* p, size_t n) {
    auto* b = static_cast<const uint8_t*>(p);
    bytes_.insert(bytes_.end(), b, b + n);
  }
  void Pad() {
    while (bytes_.size() % 4) bytes_.push_back(0);
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

struct SmallObject {
  uint32_t index;
  std::vector<uint8_t> data;
};
struct LargeObject {
  uint32_t technique, pass, state;
  uint32_t index;
  std::vector<uint8_t> data;
};

class Writer {
 public:
  explicit Writer(Fx2Layout* layout) : layout_(layout) {}

  std::vector<uint8_t> Write(const Fx2Effect& e) {
    data_.U32(0);  // offset 0 reads as an empty string: "no name"
    Words tables;
    tables.U32(static_cast<uint32_t>(e.parameters.size()));
    tables.U32(static_cast<uint32_t>(e.techniques.size()));
    tables.U32(0);
    uint32_t objectCountAt = tables.U32(0);
    for (const Fx2Parameter& p : e.parameters) {
      tables.U32(Type(p.value, p.name, p.semantic));
      tables.U32(Value(p.value, kNoPass));
      tables.U32(p.flags);
      Annotations(tables, p.annotations);
    }
    for (uint32_t t = 0; t < e.techniques.size(); ++t) {
      const Fx2Technique& tech = e.techniques[t];
      tables.U32(String(tech.name));
      tables.U32(static_cast<uint32_t>(tech.annotations.size()));
      tables.U32(static_cast<uint32_t>(tech.passes.size()));
      Annotations(tables, tech.annotations, false);
      for (uint32_t p = 0; p < tech.passes.size(); ++p) {
        const Fx2Pass& pass = tech.passes[p];
        tables.U32(String(pass.name));
        tables.U32(static_cast<uint32_t>(pass.annotations.size()));
        tables.U32(static_cast<uint32_t>(pass.states.size()));
        Annotations(tables, pass.annotations, false);
        for (uint32_t s = 0; s < pass.states.size(); ++s) {
          const Fx2State& st = pass.states[s];
          tables.U32(st.operation);
          tables.U32(st.index);
          tables.U32(Type(st.value, {}, {}));
          tables.U32(Value(st.value, Where{t, p, s}));
        }
      }
    }
    tables.Patch(objectCountAt, nextObject_);
    uint32_t objectCountsAt = tables.U32(static_cast<uint32_t>(small_.size()));
    tables.U32(static_cast<uint32_t>(large_.size()));
    std::vector<uint32_t> smallAt, largeAt, shaderAt;
    for (const SmallObject& o : small_) {
      smallAt.push_back(tables.U32(o.index));
      tables.U32(static_cast<uint32_t>(o.data.size()));
      tables.Raw(o.data.data(), o.data.size());
      tables.Pad();
    }
    for (const LargeObject& o : large_) {
      largeAt.push_back(tables.U32(o.technique));
      tables.U32(o.pass);
      tables.U32(0);
      tables.U32(o.state);
      tables.U32(0);  // bytecode
      tables.U32(static_cast<uint32_t>(o.data.size()));
      shaderAt.push_back(tables.size());
      tables.Raw(o.data.data(), o.data.size());
      tables.Pad();
    }

    Words out;
    out.U32(kFx2Tag);
    out.U32(data_.size());
    out.Raw(data_.bytes().data(), data_.size());
    const uint32_t base = 8, tablesBase = 8 + data_.size();
    out.Raw(tables.bytes().data(), tables.size());
    if (layout_) {
      layout_->tablesStart = tablesBase;
      layout_->objectCountsStart = tablesBase + objectCountsAt;
      for (uint32_t at : strings_) layout_->stringOffsets.push_back(base + at);
      for (uint32_t at : types_) layout_->typeOffsets.push_back(base + at);
      for (uint32_t at : smallAt) layout_->smallObjectOffsets.push_back(tablesBase + at);
      for (uint32_t at : largeAt) layout_->largeObjectOffsets.push_back(tablesBase + at);
      for (size_t i = 0; i < large_.size(); ++i) {
        layout_->shaderOffsets.push_back(tablesBase + shaderAt[i]);
        layout_->shaderSizes.push_back(static_cast<uint32_t>(large_[i].data.size()));
      }
    }
    return std::move(out.bytes());
  }

 private:
  struct Where {
    uint32_t technique, pass, state;
  };
  static constexpr Where kNoPass{~0u, ~0u, ~0u};

  void Annotations(Words& w, const std::vector<Fx2Annotation>& annos, bool withCount = true) {
    if (withCount) w.U32(static_cast<uint32_t>(annos.size()));
    for (const Fx2Annotation& a : annos) {
      w.U32(Type(a.value, a.name, {}));
      w.U32(Value(a.value, kNoPass));
    }
  }

  // Stored strings: byte count with the terminator, the bytes, padding.
  uint32_t String(std::string_view s) {
    if (s.empty()) return 0;
    uint32_t at = data_.U32(static_cast<uint32_t>(s.size() + 1));
    data_.Raw(s.data(), s.size());
    data_.Raw("", 1);
    data_.Pad();
    strings_.push_back(at);
    return at;
  }

  uint32_t Type(const Fx2Value& v, std::string_view name, std::string_view semantic) {
    uint32_t nameAt = String(name), semanticAt = String(semantic);
    uint32_t at = data_.U32(static_cast<uint32_t>(v.type));
    types_.push_back(at);
    data_.U32(static_cast<uint32_t>(v.cls));
    data_.U32(nameAt);
    data_.U32(semanticAt);
    data_.U32(v.elements);
    if (v.cls <= Fx2Class::MatrixColumns) {
      data_.U32(v.columns);
      data_.U32(v.rows);
    }
    return at;
  }

  std::vector<uint8_t> Terminated(std::string_view s) {
    std::vector<uint8_t> b(s.begin(), s.end());
    b.push_back(0);
    return b;
  }

  uint32_t Value(const Fx2Value& v, Where where) {
    const uint32_t count = std::max<uint32_t>(v.elements, 1);
    if (IsSamplerType(v.type)) {
      // Each state's type and value first, so the sampler's words are contiguous.
      std::vector<uint32_t> typeAt, valueAt;
      for (const Fx2State& s : v.samplerStates) {
        typeAt.push_back(Type(s.value, {}, {}));
        valueAt.push_back(Value(s.value, kNoPass));
      }
      uint32_t at = data_.U32(static_cast<uint32_t>(v.samplerStates.size()));
      for (size_t i = 0; i < v.samplerStates.size(); ++i) {
        data_.U32(v.samplerStates[i].operation);
        data_.U32(v.samplerStates[i].index);
        data_.U32(typeAt[i]);
        data_.U32(valueAt[i]);
      }
      return at;
    }
    if (IsObjectType(v.type)) {
      uint32_t at = data_.size();
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t index = nextObject_++;
        data_.U32(index);
        if (v.type == Fx2Type::String) {
          small_.push_back({index, Terminated(v.text)});
        } else if (IsShaderType(v.type)) {
          if (where.technique != ~0u) {
            large_.push_back({where.technique, where.pass, where.state, index, v.shader});
          } else {
            small_.push_back({index, v.shader});
          }
        } else if (!v.text.empty()) {
          small_.push_back({index, Terminated(v.text)});  // a sampler's texture: the parameter's name
        }
      }
      return at;
    }
    uint32_t at = data_.size();
    const uint32_t n = v.rows * v.columns * count;
    for (uint32_t i = 0; i < n; ++i) data_.U32(i < v.words.size() ? v.words[i] : 0);
    return at;
  }

  Fx2Layout* layout_;
  Words data_;
  uint32_t nextObject_ = 1;  // index 0 stays unused
  std::vector<SmallObject> small_;
  std::vector<LargeObject> large_;
  std::vector<uint32_t> strings_, types_;
};

}  // namespace

Fx2Value Fx2Float(float v) {
  Fx2Value r;
  r.words = {FloatBits(v)};
  return r;
}

Fx2Value Fx2Vector(std::initializer_list<float> v) {
  Fx2Value r;
  r.cls = Fx2Class::Vector;
  r.columns = static_cast<uint32_t>(v.size());
  for (float f : v) r.words.push_back(FloatBits(f));
  return r;
}

Fx2Value Fx2Matrix(uint32_t rows, uint32_t columns, const std::vector<float>& v) {
  Fx2Value r;
  r.cls = Fx2Class::MatrixRows;
  r.rows = rows;
  r.columns = columns;
  for (float f : v) r.words.push_back(FloatBits(f));
  return r;
}

Fx2Value Fx2FloatArray(const std::vector<float>& v) {
  Fx2Value r;
  r.elements = static_cast<uint32_t>(v.size());
  for (float f : v) r.words.push_back(FloatBits(f));
  return r;
}

Fx2Value Fx2Int(int32_t v) {
  Fx2Value r;
  r.type = Fx2Type::Int;
  r.words = {static_cast<uint32_t>(v)};
  return r;
}

Fx2Value Fx2Bool(bool v) {
  Fx2Value r;
  r.type = Fx2Type::Bool;
  r.words = {v ? 1u : 0u};
  return r;
}

Fx2Value Fx2String(std::string_view text) {
  Fx2Value r;
  r.type = Fx2Type::String;
  r.cls = Fx2Class::Object;
  r.text = std::string(text);
  return r;
}

Fx2Value Fx2Texture(Fx2Type type) {
  Fx2Value r;
  r.type = type;
  r.cls = Fx2Class::Object;
  return r;
}

Fx2Value Fx2Sampler(std::vector<Fx2State> states, Fx2Type type) {
  Fx2Value r;
  r.type = type;
  r.cls = Fx2Class::Object;
  r.samplerStates = std::move(states);
  return r;
}

Fx2Value Fx2Shader(Fx2Type type, std::vector<uint8_t> bytecode) {
  Fx2Value r;
  r.type = type;
  r.cls = Fx2Class::Object;
  r.shader = std::move(bytecode);
  return r;
}

Fx2State Fx2RenderState(uint32_t operation, uint32_t value) {
  return {operation, 0, Fx2Int(static_cast<int32_t>(value))};
}

Fx2State Fx2VertexShaderState(std::vector<uint8_t> bytecode) {
  return {kFx2StateVertexShader, 0, Fx2Shader(Fx2Type::VertexShader, std::move(bytecode))};
}

Fx2State Fx2PixelShaderState(std::vector<uint8_t> bytecode) {
  return {kFx2StatePixelShader, 0, Fx2Shader(Fx2Type::PixelShader, std::move(bytecode))};
}

Fx2State Fx2SamplerState(uint32_t operation, uint32_t value) {
  return {operation, 0, Fx2Int(static_cast<int32_t>(value))};
}

Fx2State Fx2SamplerTextureState(std::string_view textureParameter) {
  Fx2Value v = Fx2Texture(Fx2Type::Texture);
  v.text = std::string(textureParameter);
  return {kFx2SamplerTexture, 0, v};
}

std::vector<uint8_t> WriteFx2(const Fx2Effect& effect, Fx2Layout* layout) {
  return Writer(layout).Write(effect);
}

std::vector<uint8_t> AssembleShader(std::string_view source, const std::vector<Fx2Symbol>& symbols,
                                    std::string* errors) {
  std::vector<MOJOSHADER_symbol> syms(symbols.size());
  for (size_t i = 0; i < symbols.size(); ++i) {
    const Fx2Symbol& s = symbols[i];
    MOJOSHADER_symbol& m = syms[i];
    std::memset(&m, 0, sizeof m);
    m.name = s.name.c_str();
    m.register_set = static_cast<MOJOSHADER_symbolRegisterSet>(s.registerSet);
    m.register_index = s.registerIndex;
    m.register_count = s.registerCount;
    m.info.parameter_class = static_cast<MOJOSHADER_symbolClass>(s.cls);
    m.info.parameter_type = static_cast<MOJOSHADER_symbolType>(s.type);
    m.info.rows = s.rows;
    m.info.columns = s.columns;
    m.info.elements = s.elements;
  }
  const MOJOSHADER_parseData* pd =
      MOJOSHADER_assemble(nullptr, source.data(), static_cast<unsigned>(source.size()), nullptr, 0,
                          syms.empty() ? nullptr : syms.data(), static_cast<unsigned>(syms.size()), nullptr, 0,
                          nullptr, nullptr, nullptr, nullptr, nullptr);
  std::vector<uint8_t> out;
  if (pd->error_count == 0 && pd->output && pd->output_len > 0) {
    out.assign(pd->output, pd->output + pd->output_len);
  } else if (errors) {
    for (int i = 0; i < pd->error_count; ++i) {
      *errors += pd->errors[i].error ? pd->errors[i].error : "?";
      *errors += "\n";
    }
  }
  MOJOSHADER_freeParseData(pd);
  return out;
}

namespace {

constexpr uint32_t kCommentToken = 0xFFFEu;

uint32_t FourCc(const char* s) {
  uint32_t v;
  std::memcpy(&v, s, 4);
  return v;
}
void PutWord(std::vector<uint8_t>* out, uint32_t v) {
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&v);
  out->insert(out->end(), b, b + 4);
}
uint32_t GetWord(const std::vector<uint8_t>& in, size_t word) {
  uint32_t v = 0;
  if (4 * word + 4 <= in.size()) std::memcpy(&v, in.data() + 4 * word, 4);
  return v;
}
void PutComment(std::vector<uint8_t>* out, const char* fourcc, const std::vector<uint8_t>& body) {
  PutWord(out, kCommentToken | static_cast<uint32_t>((body.size() / 4 + 1) << 16));
  PutWord(out, FourCc(fourcc));
  out->insert(out->end(), body.begin(), body.end());
}

}  // namespace

std::vector<uint8_t> AttachPreshader(const std::vector<uint8_t>& shader, const Fx2Preshader& preshader) {
  std::vector<uint8_t> pres;
  PutWord(&pres, FourCc("PRES"));
  PutWord(&pres, 0x46580200u);  // the preshader's version token
  if (!preshader.inputs.empty()) {
    // The input table is a constant table like a shader's own, taken from
    // the assembler and marked with the preshader's version.
    const std::vector<uint8_t> dummy = AssembleShader("ps_2_0\n", preshader.inputs);
    for (size_t w = 1; w < dummy.size() / 4;) {
      const uint32_t token = GetWord(dummy, w);
      if ((token & 0xFFFF) != kCommentToken) break;
      const uint32_t length = token >> 16;
      if (GetWord(dummy, w + 1) == FourCc("CTAB")) {
        std::vector<uint8_t> table(dummy.begin() + 4 * (w + 2), dummy.begin() + 4 * (w + 1 + length));
        const uint32_t version = 0x46580200u;
        std::memcpy(table.data() + 8, &version, 4);
        PutComment(&pres, "CTAB", table);
        break;
      }
      w += 1 + length;
    }
  }
  std::vector<uint8_t> lit;
  PutWord(&lit, static_cast<uint32_t>(preshader.literals.size()));
  for (double d : preshader.literals) {
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&d);
    lit.insert(lit.end(), b, b + 8);
  }
  PutComment(&pres, "CLIT", lit);
  std::vector<uint8_t> code;
  PutWord(&code, static_cast<uint32_t>(preshader.code.size()));
  for (const Fx2PresInstruction& ins : preshader.code) {
    PutWord(&code, (ins.opcode << 16) | ins.elements);
    PutWord(&code, ins.operands.empty() ? 0 : static_cast<uint32_t>(ins.operands.size() - 1));
    for (const Fx2PresOperand& o : ins.operands) {
      PutWord(&code, 0);  // no relative addressing
      PutWord(&code, o.type);
      PutWord(&code, o.index);
    }
  }
  PutComment(&pres, "FXLC", code);
  if (!preshader.outputMapping.empty()) {
    std::vector<uint8_t> map;
    for (uint32_t w : preshader.outputMapping) PutWord(&map, w);
    PutComment(&pres, "PRSI", map);
  }
  PutWord(&pres, 0x0000FFFFu);

  std::vector<uint8_t> out(shader.begin(), shader.begin() + std::min<size_t>(4, shader.size()));
  PutWord(&out, kCommentToken | static_cast<uint32_t>((pres.size() / 4) << 16));
  out.insert(out.end(), pres.begin(), pres.end());
  if (shader.size() > 4) out.insert(out.end(), shader.begin() + 4, shader.end());
  return out;
}

uint32_t PreshaderCodeWord(const std::vector<uint8_t>& shader) {
  // The preshader's comment follows the version token: its fourcc, version,
  // then blocks.
  const uint32_t end = 2 + (GetWord(shader, 1) >> 16);
  for (uint32_t w = 4; w < end && w < shader.size() / 4;) {
    const uint32_t length = GetWord(shader, w) >> 16;
    if (GetWord(shader, w + 1) == FourCc("FXLC")) return w + 2;
    if ((GetWord(shader, w) & 0xFFFF) != kCommentToken) break;
    w += 1 + length;
  }
  return 0;
}

}  // namespace pw

namespace pw {
namespace {

// A shader context that translates shaders and binds nothing; the uniform
// images are large enough for any register a shader model allows.
struct NullBackend {
  Fx2LibraryReport* report = nullptr;
  Fx2Allocator allocator;
  void* vertex = nullptr;
  void* pixel = nullptr;
  std::vector<float> vsf = std::vector<float>(256 * 4), psf = std::vector<float>(256 * 4);
  std::vector<int> vsi = std::vector<int>(16 * 4), psi = std::vector<int>(16 * 4);
  std::vector<unsigned char> vsb = std::vector<unsigned char>(16), psb = std::vector<unsigned char>(16);
};
thread_local NullBackend* g_backend = nullptr;

void* MOJOSHADERCALL NullCompile(const char* mainfn, const unsigned char* tokens, const unsigned int size,
                                 const MOJOSHADER_swizzle* swiz, const unsigned int swizCount,
                                 const MOJOSHADER_samplerMap* smap, const unsigned int smapCount) {
  const Fx2Allocator& a = g_backend->allocator;
  const MOJOSHADER_parseData* pd = MOJOSHADER_parse(MOJOSHADER_PROFILE_GLSL120, mainfn, tokens, size, swiz,
                                                    swizCount, smap, smapCount, a.allocate, a.release, a.data);
  if (pd->error_count > 0) {
    for (int i = 0; i < pd->error_count; ++i) {
      g_backend->report->errors += pd->errors[i].error ? pd->errors[i].error : "?";
      g_backend->report->errors += "\n";
    }
    MOJOSHADER_freeParseData(pd);
    return nullptr;
  }
  ++g_backend->report->shaders;
  return const_cast<MOJOSHADER_parseData*>(pd);
}
void MOJOSHADERCALL NullAddRef(void*) {}
void MOJOSHADERCALL NullDelete(void* shader) {
  MOJOSHADER_freeParseData(static_cast<const MOJOSHADER_parseData*>(shader));
}
MOJOSHADER_parseData* MOJOSHADERCALL NullParseData(void* shader) {
  return static_cast<MOJOSHADER_parseData*>(shader);
}
void MOJOSHADERCALL NullBind(void* v, void* p) {
  g_backend->vertex = v;
  g_backend->pixel = p;
}
void MOJOSHADERCALL NullBound(void** v, void** p) {
  *v = g_backend->vertex;
  *p = g_backend->pixel;
}
void MOJOSHADERCALL NullMap(float** vsf, int** vsi, unsigned char** vsb, float** psf, int** psi,
                            unsigned char** psb) {
  *vsf = g_backend->vsf.data();
  *vsi = g_backend->vsi.data();
  *vsb = g_backend->vsb.data();
  *psf = g_backend->psf.data();
  *psi = g_backend->psi.data();
  *psb = g_backend->psb.data();
}
void MOJOSHADERCALL NullUnmap() {}
const char* MOJOSHADERCALL NullError() { return "shader translation failed"; }

}  // namespace

Fx2LibraryReport Fx2ParseWithLibrary(const void* data, uint32_t size) {
  return Fx2ParseWithLibrary(data, size, Fx2Allocator{});
}

Fx2LibraryReport Fx2ParseWithLibrary(const void* data, uint32_t size, const Fx2Allocator& allocator) {
  Fx2LibraryReport report;
  NullBackend backend;
  backend.report = &report;
  backend.allocator = allocator;
  NullBackend* saved = g_backend;
  g_backend = &backend;
  MOJOSHADER_effectShaderContext ctx{};
  ctx.compileShader = NullCompile;
  ctx.shaderAddRef = NullAddRef;
  ctx.deleteShader = NullDelete;
  ctx.getParseData = NullParseData;
  ctx.bindShaders = NullBind;
  ctx.getBoundShaders = NullBound;
  ctx.mapUniformBufferMemory = NullMap;
  ctx.unmapUniformBufferMemory = NullUnmap;
  ctx.getError = NullError;
  ctx.m = allocator.allocate;
  ctx.f = allocator.release;
  ctx.malloc_data = allocator.data;
  MOJOSHADER_effect* fx = MOJOSHADER_compileEffect(static_cast<const unsigned char*>(data), size, nullptr, 0,
                                                   nullptr, 0, &ctx);
  if (fx) {
    for (int i = 0; i < fx->error_count; ++i) {
      report.errors += fx->errors[i].error ? fx->errors[i].error : "?";
      report.errors += "\n";
    }
    for (int i = 0; i < fx->param_count; ++i) {
      report.parameters.emplace_back(fx->params[i].value.name ? fx->params[i].value.name : "");
    }
    for (int i = 0; i < fx->technique_count; ++i) {
      report.techniques.emplace_back(fx->techniques[i].name ? fx->techniques[i].name : "");
      report.passes.push_back(fx->techniques[i].pass_count);
    }
    report.parsed = report.errors.empty();
    if (report.parsed) {
      // Every pass once, as a draw would run it.
      for (int t = 0; t < fx->technique_count; ++t) {
        MOJOSHADER_effectSetTechnique(fx, &fx->techniques[t]);
        MOJOSHADER_effectStateChanges changes{};
        unsigned passes = 0;
        MOJOSHADER_effectBegin(fx, &passes, 0, &changes);
        for (unsigned p = 0; p < passes; ++p) {
          MOJOSHADER_effectBeginPass(fx, p);
          MOJOSHADER_effectCommitChanges(fx);
          MOJOSHADER_effectEndPass(fx);
        }
        MOJOSHADER_effectEnd(fx);
      }
    }
    report.vertexFloats = backend.vsf;
    report.pixelFloats = backend.psf;
    MOJOSHADER_deleteEffect(fx);
  } else {
    report.errors += "no effect\n";
  }
  g_backend = saved;
  return report;
}

}  // namespace pw
