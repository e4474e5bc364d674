#include "platform/d3dx9/d3dx9_fx2_container.h"

#include <cstring>
#include <vector>

#include "platform/d3dx9/d3dx9_fx2_shader_check.h"

namespace {

constexpr uint32_t kTag = 0xFEFF0901u;

// Value types and classes as stored.
constexpr uint32_t kTypeBool = 1, kTypeFloat = 3, kTypeString = 4, kTypeTexture = 5, kTypeTextureCube = 9,
                   kTypeSampler = 10, kTypeSamplerCube = 14, kTypePixelShader = 15, kTypeVertexShader = 16;
constexpr uint32_t kClassScalar = 0, kClassVector = 1, kClassMatrixColumns = 3, kClassObject = 4;

constexpr uint32_t kStateVertexShader = 146, kStatePixelShader = 147;
constexpr uint32_t kSamplerStateTexture = 4, kSamplerStateLast = 17;

// The most objects a binary may declare: the library allocates one record
// for each.
constexpr uint32_t kMaxObjects = 1u << 16;

bool IsTexture(uint32_t t) { return t >= kTypeTexture && t <= kTypeTextureCube; }
bool IsSampler(uint32_t t) { return t >= kTypeSampler && t <= kTypeSamplerCube; }

struct TypeInfo {
  uint32_t type = 0, cls = 0, rows = 0, columns = 0, elements = 0;
  std::string name;
};

// What an object is used as, from the values that refer to it.
enum class Use : uint8_t { None, String, Texture, SamplerTexture, PixelShader, VertexShader };

struct Object {
  Use use = Use::None;
  bool stored = false;
};

struct PassInfo {
  std::vector<uint32_t> shaderObject;  // per state: the object a shader state names, or ~0
};

class Checker {
 public:
  Checker(const uint8_t* p, uint32_t size, std::string* why) : p_(p), size_(size), why_(why) {}

  bool Run() {
    if (size_ < 8 || Word(0) != kTag) return Fail("no effect container tag");
    const uint32_t dataSize = Word(4);
    if (dataSize > size_ - 8) return Fail("data block runs past the end");
    data_ = p_ + 8;
    dataSize_ = dataSize;
    // Every value the library copies out, counted in words against this.
    budget_ = 4ull * size_ + 65536;
    at_ = 8 + dataSize;
    uint32_t numParams, numTechniques, unused, numObjects;
    if (!Next(&numParams) || !Next(&numTechniques) || !Next(&unused) || !Next(&numObjects)) {
      return Fail("effect tables cut short");
    }
    if (numObjects > kMaxObjects || numObjects > size_ / 4) return Fail("object count too large");
    objects_.resize(numObjects);
    if (numParams > Remaining() / 16) return Fail("parameter count too large");
    for (uint32_t i = 0; i < numParams; ++i) {
      if (!Parameter()) return false;
    }
    if (numTechniques > Remaining() / 12) return Fail("technique count too large");
    passes_.resize(numTechniques);
    for (uint32_t t = 0; t < numTechniques; ++t) {
      if (!Technique(t)) return false;
    }
    uint32_t numSmall, numLarge;
    if (!Next(&numSmall) || !Next(&numLarge)) return Fail("object counts cut short");
    if (numSmall > Remaining() / 8) return Fail("small object count too large");
    for (uint32_t i = 0; i < numSmall; ++i) {
      if (!SmallObject()) return false;
    }
    if (numLarge > Remaining() / 24) return Fail("large object count too large");
    for (uint32_t i = 0; i < numLarge; ++i) {
      if (!LargeObject()) return false;
    }
    for (const Object& o : objects_) {
      if (o.use != Use::None && o.use != Use::Texture && !o.stored) {
        return Fail("an object a value names is not stored");
      }
    }
    return true;
  }

 private:
  bool Fail(const char* text) {
    if (why_) *why_ = text;
    return false;
  }

  uint32_t Word(uint32_t at) const {
    uint32_t v;
    std::memcpy(&v, p_ + at, sizeof v);
    return v;
  }
  uint32_t Remaining() const { return size_ - at_; }
  bool Next(uint32_t* v) {
    if (Remaining() < 4) return false;
    *v = Word(at_);
    at_ += 4;
    return true;
  }
  // count words at a data-block offset, 4-aligned.
  bool DataWords(uint32_t off, uint64_t count) const {
    return off % 4 == 0 && off <= dataSize_ && count <= (dataSize_ - off) / 4;
  }
  uint32_t DataWord(uint32_t off) const {
    uint32_t v;
    std::memcpy(&v, data_ + off, sizeof v);
    return v;
  }

  // A stored string: byte count, then the bytes with a terminator among them.
  bool String(uint32_t off, std::string* out) {
    if (!DataWords(off, 1)) return Fail("string outside the data block");
    const uint32_t length = DataWord(off);
    if (length > dataSize_ - off - 4) return Fail("string runs past the data block");
    if (length == 0) {
      out->clear();
      return true;
    }
    const uint8_t* s = data_ + off + 4;
    if (!Spend(length / 4 + 1)) return false;  // the same string may be named many times
    const void* nul = std::memchr(s, 0, length);
    if (!nul) return Fail("string without a terminator");
    out->assign(reinterpret_cast<const char*>(s), static_cast<const uint8_t*>(nul) - s);
    return true;
  }

  bool Type(uint32_t off, TypeInfo* t) {
    if (!DataWords(off, 5)) return Fail("type outside the data block");
    t->type = DataWord(off);
    t->cls = DataWord(off + 4);
    t->elements = DataWord(off + 16);
    std::string semantic;
    if (!String(DataWord(off + 8), &t->name) || !String(DataWord(off + 12), &semantic)) return false;
    if (t->cls <= kClassMatrixColumns) {
      if (t->type < kTypeBool || t->type > kTypeFloat) return Fail("number class with a type that is not a number");
      if (!DataWords(off, 7)) return Fail("type outside the data block");
      t->columns = DataWord(off + 20);
      t->rows = DataWord(off + 24);
      if (t->rows < 1 || t->rows > 4 || t->columns < 1 || t->columns > 4) return Fail("matrix size out of range");
      if (t->cls == kClassScalar && (t->rows != 1 || t->columns != 1)) return Fail("scalar with rows or columns");
      if (t->cls == kClassVector && t->rows != 1) return Fail("vector with rows");
      return true;
    }
    if (t->cls == kClassObject) {
      if (t->type < kTypeString || t->type > kTypeVertexShader) return Fail("object class with an unknown type");
      return true;
    }
    return Fail("structures and unknown classes are not supported");
  }

  bool Spend(uint64_t words) {
    if (words > budget_) return Fail("values too large for the data");
    budget_ -= words;
    return true;
  }

  // A value of type t at a data-block offset. objectUse overrides what its
  // objects are used as; firstObject receives the first object index.
  bool Value(const TypeInfo& t, uint32_t off, Use* objectUse = nullptr, uint32_t* firstObject = nullptr) {
    const uint64_t elements = t.elements ? t.elements : 1;
    if (t.cls != kClassObject) {
      const uint64_t words = static_cast<uint64_t>(t.rows) * t.columns * elements;
      if (!DataWords(off, words)) return Fail("value runs past the data block");
      return Spend(4ull * t.rows * elements);
    }
    if (IsSampler(t.type)) return SamplerValue(off);
    if (!DataWords(off, elements)) return Fail("object indices run past the data block");
    if (!Spend(elements)) return false;
    const Use use = t.type == kTypeString        ? Use::String
                    : IsTexture(t.type)          ? Use::Texture
                    : t.type == kTypePixelShader ? Use::PixelShader
                                                 : Use::VertexShader;
    for (uint64_t i = 0; i < elements; ++i) {
      const uint32_t index = DataWord(off + static_cast<uint32_t>(4 * i));
      if (i == 0 && firstObject) *firstObject = index;
      if (!Refer(index, objectUse ? *objectUse : use)) return false;
    }
    return true;
  }

  bool Refer(uint32_t index, Use use) {
    if (index >= objects_.size()) return Fail("object index past the object count");
    Object& o = objects_[index];
    if (o.use != Use::None && o.use != use) return Fail("object used as two different things");
    o.use = use;
    return true;
  }

  // A sampler: its state count, then its states; the texture state names an
  // object that holds a texture parameter's name.
  bool SamplerValue(uint32_t off) {
    if (!DataWords(off, 1)) return Fail("sampler outside the data block");
    const uint32_t count = DataWord(off);
    if (!DataWords(off + 4, 4ull * count)) return Fail("sampler states run past the data block");
    if (!Spend(1ull + 4ull * count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t s = off + 4 + 16 * i;
      const uint32_t op = DataWord(s);
      if (op > kSamplerStateLast) return Fail("unknown sampler state");
      TypeInfo t;
      if (!Type(DataWord(s + 8), &t)) return false;
      if (IsSampler(t.type)) return Fail("sampler state holding a sampler");
      if (op == kSamplerStateTexture) {
        if (!IsTexture(t.type) || t.cls != kClassObject) return Fail("sampler texture state is not a texture");
        Use use = Use::SamplerTexture;
        if (!Value(t, DataWord(s + 12), &use)) return false;
      } else {
        if (t.cls == kClassObject) return Fail("sampler state holding an object");
        if (!Value(t, DataWord(s + 12))) return false;
      }
    }
    return true;
  }

  bool Annotations(uint32_t count) {
    if (count > Remaining() / 8) return Fail("annotation count too large");
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t typeOff = 0, valueOff = 0;
      Next(&typeOff);
      Next(&valueOff);
      TypeInfo t;
      if (!Type(typeOff, &t)) return false;
      if (IsSampler(t.type)) return Fail("sampler annotation");
      if (!Value(t, valueOff)) return false;
    }
    return true;
  }

  bool Parameter() {
    uint32_t typeOff, valueOff, flags, annotations;
    if (!Next(&typeOff) || !Next(&valueOff) || !Next(&flags) || !Next(&annotations)) {
      return Fail("parameter cut short");
    }
    TypeInfo t;
    if (!Type(typeOff, &t)) return false;
    if (t.name.empty()) return Fail("parameter without a name");
    if (!Value(t, valueOff)) return false;
    params_.emplace(t.name, fx2::ParamShape{t.name, t.type, t.cls, t.rows, t.elements});
    return Annotations(annotations);
  }

  bool Technique(uint32_t index) {
    uint32_t nameOff, annotations, numPasses;
    if (!Next(&nameOff) || !Next(&annotations) || !Next(&numPasses)) return Fail("technique cut short");
    std::string name;
    if (!String(nameOff, &name) || !Annotations(annotations)) return false;
    if (numPasses > Remaining() / 12) return Fail("pass count too large");
    passes_[index].resize(numPasses);
    for (uint32_t p = 0; p < numPasses; ++p) {
      uint32_t passName, passAnnotations, numStates;
      if (!Next(&passName) || !Next(&passAnnotations) || !Next(&numStates)) return Fail("pass cut short");
      if (!String(passName, &name) || !Annotations(passAnnotations)) return false;
      if (numStates > Remaining() / 16) return Fail("state count too large");
      std::vector<uint32_t>& shaders = passes_[index][p].shaderObject;
      shaders.assign(numStates, ~0u);
      for (uint32_t s = 0; s < numStates; ++s) {
        uint32_t op = 0, stateIndex = 0, typeOff = 0, valueOff = 0;
        Next(&op);
        Next(&stateIndex);
        Next(&typeOff);
        Next(&valueOff);
        TypeInfo t;
        if (!Type(typeOff, &t)) return false;
        if (IsSampler(t.type)) return Fail("pass state holding a sampler");
        if (op == kStateVertexShader || op == kStatePixelShader) {
          const uint32_t want = op == kStateVertexShader ? kTypeVertexShader : kTypePixelShader;
          if (t.type != want || t.cls != kClassObject || t.elements > 1) {
            return Fail("shader state holding something other than its shader");
          }
          if (!Value(t, valueOff, nullptr, &shaders[s])) return false;
        } else if (!Value(t, valueOff)) {
          return false;
        }
      }
    }
    return true;
  }

  // The object's bytes at the cursor: length, bytes, padding to a word.
  bool ObjectBytes(uint32_t length, const uint8_t** bytes) {
    if (length > Remaining()) return Fail("object runs past the end");
    *bytes = p_ + at_;
    const uint64_t padded = (static_cast<uint64_t>(length) + 3) & ~3ull;
    at_ = padded > Remaining() ? size_ : at_ + static_cast<uint32_t>(padded);
    return true;
  }

  bool Store(uint32_t index, const uint8_t* bytes, uint32_t length) {
    Object& o = objects_[index];
    if (o.stored) return Fail("object stored twice");
    o.stored = true;
    switch (o.use) {
      case Use::None:
      case Use::Texture:
        return Fail("object stored that no value names as a string, sampler texture or shader");
      case Use::String:
        if (!std::memchr(bytes, 0, length)) return Fail("string object without a terminator");
        return true;
      case Use::SamplerTexture: {
        const void* nul = std::memchr(bytes, 0, length);
        if (!nul) return Fail("sampler texture name without a terminator");
        const std::string name(reinterpret_cast<const char*>(bytes), static_cast<const uint8_t*>(nul) - bytes);
        const auto found = params_.find(name);
        if (found != params_.end() && IsTexture(found->second.type)) return true;
        return Fail("sampler texture names no texture parameter");
      }
      case Use::PixelShader:
      case Use::VertexShader:
        return CheckShader(bytes, length, o.use == Use::PixelShader);
    }
    return false;
  }

  // Constant-table strings are scanned out of the same budget (in bytes).
  bool CheckShader(const uint8_t* bytes, uint32_t length, bool pixel) {
    uint64_t scan = budget_ * 4;
    const bool ok = fx2::CheckShader(bytes, length, pixel, params_, &scan, why_);
    budget_ = scan / 4;
    return ok;
  }

  bool SmallObject() {
    uint32_t index, length;
    if (!Next(&index) || !Next(&length)) return Fail("small object cut short");
    const uint8_t* bytes;
    if (!ObjectBytes(length, &bytes)) return false;
    if (index >= objects_.size()) return Fail("small object index past the object count");
    return Store(index, bytes, length);
  }

  bool LargeObject() {
    uint32_t technique, pass, element, state, kind, length;
    if (!Next(&technique) || !Next(&pass) || !Next(&element) || !Next(&state) || !Next(&kind) || !Next(&length)) {
      return Fail("large object cut short");
    }
    const uint8_t* bytes;
    if (!ObjectBytes(length, &bytes)) return false;
    if (technique >= passes_.size() || pass >= passes_[technique].size() ||
        state >= passes_[technique][pass].shaderObject.size()) {
      return Fail("large object names no pass state");
    }
    const uint32_t index = passes_[technique][pass].shaderObject[state];
    if (index == ~0u) return Fail("large object names a state that is not a shader");
    if (element != 0 || kind != 0) return Fail("large object is not shader bytecode");
    return Store(index, bytes, length);
  }

  const uint8_t* p_;
  uint32_t size_;
  std::string* why_;
  const uint8_t* data_ = nullptr;
  uint32_t dataSize_ = 0;
  uint32_t at_ = 0;
  uint64_t budget_ = 0;
  std::vector<Object> objects_;
  fx2::ParamIndex params_;
  std::vector<std::vector<PassInfo>> passes_;
};

}  // namespace

bool D3DX_IsFx2(const void* data, uint32_t size) {
  if (!data || size < 4) return false;
  uint32_t tag;
  std::memcpy(&tag, data, sizeof tag);
  return tag == kTag;
}

bool D3DX_ValidateFx2(const void* data, uint32_t size, std::string* why) {
  if (!data) {
    if (why) *why = "no data";
    return false;
  }
  return Checker(static_cast<const uint8_t*>(data), size, why).Run();
}
