#include "platform/d3dx9/d3dx9_mesh.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/windows.h"
#include <zlib.h>

namespace {

template <class Base>
class RefCounted : public Base {
 public:
  HRESULT QueryInterface(REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

class Buffer : public RefCounted<ID3DXBuffer> {
 public:
  explicit Buffer(DWORD size) : bytes_(size) {}
  LPVOID GetBufferPointer() override { return bytes_.empty() ? nullptr : bytes_.data(); }
  DWORD GetBufferSize() override { return static_cast<DWORD>(bytes_.size()); }

 private:
  std::vector<uint8_t> bytes_;
};

// Byte offsets of the elements of a flexible vertex format (-1 when absent).
struct FvfLayout {
  int position = -1, positionSize = 0, normal = -1, diffuse = -1, specular = -1, tex = -1, texCount = 0;
  UINT size = 0;
  explicit FvfLayout(DWORD fvf) {
    UINT o = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
      case D3DFVF_XYZ: positionSize = 12; break;
      case D3DFVF_XYZRHW: positionSize = 16; break;
      case D3DFVF_XYZW: positionSize = 16; break;
      case D3DFVF_XYZB1: positionSize = 16; break;
      case D3DFVF_XYZB2: positionSize = 20; break;
      case D3DFVF_XYZB3: positionSize = 24; break;
      case D3DFVF_XYZB4: positionSize = 28; break;
      case D3DFVF_XYZB5: positionSize = 32; break;
      default: break;
    }
    if (positionSize) {
      position = 0;
      o = static_cast<UINT>(positionSize);
    }
    if (fvf & D3DFVF_NORMAL) {
      normal = static_cast<int>(o);
      o += 12;
    }
    if (fvf & D3DFVF_PSIZE) o += 4;
    if (fvf & D3DFVF_DIFFUSE) {
      diffuse = static_cast<int>(o);
      o += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
      specular = static_cast<int>(o);
      o += 4;
    }
    texCount = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    // At most eight coordinate sets: a larger count is no format at all.
    if (texCount > 8) {
      texCount = 0;
      size = 0;
      return;
    }
    if (texCount) tex = static_cast<int>(o);
    for (int i = 0; i < texCount; ++i) {
      static const UINT sizes[4] = {8, 12, 16, 4};  // formats 2, 3, 4, 1 floats
      o += sizes[(fvf >> (16 + 2 * i)) & 3];
    }
    size = o;
  }
};

class Mesh : public RefCounted<ID3DXMesh> {
 public:
  Mesh(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device)
      : options_(options), fvf_(fvf), layout_(fvf), device_(device) {
    vertices_.assign(static_cast<size_t>(vertices) * layout_.size, 0);
    indices_.assign(static_cast<size_t>(faces) * 3, 0);
    attributes_.assign(faces, 0);
    if (device_) device_->AddRef();
  }
  ~Mesh() override {
    if (device_) device_->Release();
  }

  bool Wide() const { return (options_ & D3DXMESH_32BIT) != 0; }
  std::vector<uint8_t>& Vertices() { return vertices_; }
  std::vector<uint32_t>& Indices() {
    subsets_.clear();
    return indices_;
  }
  std::vector<DWORD>& Attributes() {
    subsets_.clear();
    return attributes_;
  }
  const FvfLayout& Layout() const { return layout_; }

  // A subset's index list is gathered once and kept until the faces change,
  // so drawing every frame allocates nothing.
  HRESULT DrawSubset(DWORD attribId) override {
    if (!device_) return E_FAIL;
    auto it = subsets_.find(attribId);
    if (it == subsets_.end()) {
      std::vector<uint8_t> list;
      const size_t width = Wide() ? 4 : 2;
      for (size_t f = 0; f < attributes_.size(); ++f) {
        if (attributes_[f] != attribId) continue;
        for (int k = 0; k < 3; ++k) {
          uint32_t i = indices_[f * 3 + k];
          uint16_t narrow = static_cast<uint16_t>(i);
          const uint8_t* bytes = Wide() ? reinterpret_cast<const uint8_t*>(&i) : reinterpret_cast<const uint8_t*>(&narrow);
          list.insert(list.end(), bytes, bytes + width);
        }
      }
      it = subsets_.emplace(attribId, std::move(list)).first;
    }
    UINT count = static_cast<UINT>(it->second.size() / ((Wide() ? 4 : 2) * 3));
    if (count == 0) return S_OK;
    device_->SetFVF(fvf_);
    return device_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, GetNumVertices(), count, it->second.data(),
                                           Wide() ? D3DFMT_INDEX32 : D3DFMT_INDEX16, vertices_.data(), layout_.size);
  }
  DWORD GetNumFaces() override { return static_cast<DWORD>(attributes_.size()); }
  DWORD GetNumVertices() override { return layout_.size ? static_cast<DWORD>(vertices_.size() / layout_.size) : 0; }
  DWORD GetFVF() override { return fvf_; }
  DWORD GetNumBytesPerVertex() override { return layout_.size; }
  DWORD GetOptions() override { return options_; }
  HRESULT GetDevice(IDirect3DDevice9** out) override {
    if (!out) return E_POINTER;
    *out = device_;
    if (device_) device_->AddRef();
    return S_OK;
  }

  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** out) override {
    if (!out) return E_POINTER;
    auto* clone = new Mesh(GetNumFaces(), GetNumVertices(), options, fvf, device ? device : device_);
    const FvfLayout& to = clone->layout_;
    DWORD n = GetNumVertices();
    for (DWORD v = 0; v < n; ++v) {
      const uint8_t* src = vertices_.data() + static_cast<size_t>(v) * layout_.size;
      uint8_t* dst = clone->vertices_.data() + static_cast<size_t>(v) * to.size;
      auto copy = [&](int from, int into, int bytes) {
        if (from >= 0 && into >= 0) std::memcpy(dst + into, src + from, static_cast<size_t>(bytes));
      };
      copy(layout_.position, to.position, std::min(layout_.positionSize, to.positionSize));
      copy(layout_.normal, to.normal, 12);
      copy(layout_.diffuse, to.diffuse, 4);
      copy(layout_.specular, to.specular, 4);
      copy(layout_.tex, to.tex, 8 * std::min(layout_.texCount, to.texCount));
    }
    clone->indices_ = indices_;
    clone->attributes_ = attributes_;
    if (!clone->Wide() && GetNumVertices() > 0xFFFF) {
      clone->Release();
      return D3DXERR_INVALIDMESH;
    }
    *out = clone;
    return S_OK;
  }

  HRESULT LockVertexBuffer(DWORD, LPVOID* data) override {
    if (!data) return E_POINTER;
    *data = vertices_.data();
    return S_OK;
  }
  HRESULT UnlockVertexBuffer() override { return S_OK; }
  // The index buffer is handed out in the mesh's own index width.
  HRESULT LockIndexBuffer(DWORD, LPVOID* data) override {
    if (!data) return E_POINTER;
    subsets_.clear();
    if (Wide()) {
      *data = indices_.data();
    } else {
      lockedIndices_.resize(indices_.size());
      for (size_t i = 0; i < indices_.size(); ++i) lockedIndices_[i] = static_cast<uint16_t>(indices_[i]);
      *data = lockedIndices_.data();
    }
    return S_OK;
  }
  HRESULT UnlockIndexBuffer() override {
    if (!Wide())
      for (size_t i = 0; i < indices_.size() && i < lockedIndices_.size(); ++i) indices_[i] = lockedIndices_[i];
    return S_OK;
  }
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override {
    std::vector<D3DXATTRIBUTERANGE> ranges;
    for (DWORD f = 0; f < attributes_.size(); ++f) {
      if (ranges.empty() || ranges.back().AttribId != attributes_[f] ||
          ranges.back().FaceStart + ranges.back().FaceCount != f)
        ranges.push_back({attributes_[f], f, 0, 0, 0});
      ++ranges.back().FaceCount;
    }
    for (auto& r : ranges) {
      uint32_t lo = UINT32_MAX, hi = 0;
      for (DWORD k = r.FaceStart * 3; k < (r.FaceStart + r.FaceCount) * 3; ++k) {
        lo = std::min(lo, indices_[k]);
        hi = std::max(hi, indices_[k]);
      }
      r.VertexStart = lo;
      r.VertexCount = hi >= lo ? hi - lo + 1 : 0;
    }
    if (size) {
      if (table)
        std::copy(ranges.begin(), ranges.begin() + std::min<size_t>(*size, ranges.size()), table);
      *size = static_cast<DWORD>(ranges.size());
    }
    return S_OK;
  }
  HRESULT LockAttributeBuffer(DWORD, DWORD** data) override {
    if (!data) return E_POINTER;
    subsets_.clear();
    *data = attributes_.data();
    return S_OK;
  }
  HRESULT UnlockAttributeBuffer() override { return S_OK; }

  // Sorting by attribute and dropping unused vertices; the vertex-cache
  // reordering keeps the order the faces have.
  HRESULT OptimizeInplace(DWORD flags, const DWORD*, DWORD* adjacencyOut, DWORD* faceRemap,
                          ID3DXBuffer** vertexRemap) override {
    DWORD faces = GetNumFaces();
    std::vector<DWORD> order(faces);
    for (DWORD f = 0; f < faces; ++f) order[f] = f;
    if (flags & D3DXMESHOPT_ATTRSORT)
      std::stable_sort(order.begin(), order.end(), [&](DWORD a, DWORD b) { return attributes_[a] < attributes_[b]; });
    std::vector<uint32_t> indices(indices_.size());
    std::vector<DWORD> attributes(faces);
    for (DWORD f = 0; f < faces; ++f) {
      attributes[f] = attributes_[order[f]];
      for (int k = 0; k < 3; ++k) indices[f * 3 + k] = indices_[order[f] * 3 + k];
      if (faceRemap) faceRemap[f] = order[f];
    }
    DWORD n = GetNumVertices();
    std::vector<DWORD> remap(n);
    for (DWORD v = 0; v < n; ++v) remap[v] = v;
    if (flags & D3DXMESHOPT_COMPACT) {
      std::vector<uint32_t> newIndex(n, UINT32_MAX);
      std::vector<uint8_t> vertices;
      uint32_t next = 0;
      for (auto& i : indices) {
        if (i >= n) continue;
        if (newIndex[i] == UINT32_MAX) {
          newIndex[i] = next++;
          vertices.insert(vertices.end(), vertices_.begin() + static_cast<ptrdiff_t>(i) * layout_.size,
                          vertices_.begin() + static_cast<ptrdiff_t>(i + 1) * layout_.size);
        }
        i = newIndex[i];
      }
      remap.assign(next, 0);
      for (DWORD v = 0; v < n; ++v)
        if (newIndex[v] != UINT32_MAX) remap[newIndex[v]] = v;
      vertices_ = std::move(vertices);
    }
    indices_ = std::move(indices);
    attributes_ = std::move(attributes);
    subsets_.clear();
    if (adjacencyOut) std::fill(adjacencyOut, adjacencyOut + static_cast<size_t>(faces) * 3, 0xFFFFFFFFu);
    if (vertexRemap) {
      D3DXCreateBuffer(static_cast<DWORD>(remap.size() * sizeof(DWORD)), vertexRemap);
      if (*vertexRemap && !remap.empty()) std::memcpy((*vertexRemap)->GetBufferPointer(), remap.data(), remap.size() * sizeof(DWORD));
    }
    return S_OK;
  }

 private:
  DWORD options_;
  DWORD fvf_;
  FvfLayout layout_;
  IDirect3DDevice9* device_;
  std::vector<uint8_t> vertices_;
  std::vector<uint32_t> indices_;
  std::vector<uint16_t> lockedIndices_;
  std::vector<DWORD> attributes_;
  std::map<DWORD, std::vector<uint8_t>> subsets_;  // index bytes per attribute
};

// ---------------------------------------------------------------- .X files

// A data object of an .X file: its template name, its numbers and strings
// in order, and the objects nested in it.
struct XObject {
  std::string type;
  std::string name;
  std::vector<double> numbers;
  std::vector<std::string> strings;
  std::vector<XObject> children;  // a reference has an empty type
};

enum class Tok { Name, String, Number, Open, Close, Guid, End };
struct Token {
  Tok kind = Tok::End;
  std::string text;
  double number = 0.0;
};

class Tokens {
 public:
  virtual ~Tokens() = default;
  virtual bool Next(Token* t) = 0;  // false at the end or on damage
  bool damaged = false;
};

class TextTokens : public Tokens {
 public:
  TextTokens(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool Next(Token* t) override {
    for (;;) {
      while (i_ < n_ && (std::isspace(p_[i_]) || p_[i_] == ';' || p_[i_] == ',')) ++i_;
      if (i_ >= n_) return false;
      if (p_[i_] == '#' || (p_[i_] == '/' && i_ + 1 < n_ && p_[i_ + 1] == '/')) {
        while (i_ < n_ && p_[i_] != '\n') ++i_;
        continue;
      }
      break;
    }
    char c = static_cast<char>(p_[i_]);
    if (c == '{') {
      ++i_;
      t->kind = Tok::Open;
      return true;
    }
    if (c == '}') {
      ++i_;
      t->kind = Tok::Close;
      return true;
    }
    if (c == '<') {
      size_t end = i_;
      while (end < n_ && p_[end] != '>') ++end;
      if (end >= n_) return Fail();
      t->kind = Tok::Guid;
      i_ = end + 1;
      return true;
    }
    if (c == '"') {
      size_t end = i_ + 1;
      while (end < n_ && p_[end] != '"') ++end;
      if (end >= n_) return Fail();
      t->kind = Tok::String;
      t->text.assign(reinterpret_cast<const char*>(p_ + i_ + 1), end - i_ - 1);
      i_ = end + 1;
      return true;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
      size_t end = i_;
      while (end < n_ && (std::isdigit(p_[end]) || p_[end] == '-' || p_[end] == '+' || p_[end] == '.' ||
                          p_[end] == 'e' || p_[end] == 'E'))
        ++end;
      std::string s(reinterpret_cast<const char*>(p_ + i_), end - i_);
      i_ = end;
      char* stop = nullptr;
      t->number = std::strtod(s.c_str(), &stop);
      if (stop == s.c_str()) return Fail();
      t->kind = Tok::Number;
      return true;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t end = i_;
      while (end < n_ && (std::isalnum(p_[end]) || p_[end] == '_' || p_[end] == '-' || p_[end] == '.')) ++end;
      t->kind = Tok::Name;
      t->text.assign(reinterpret_cast<const char*>(p_ + i_), end - i_);
      i_ = end;
      return true;
    }
    if (c == '[' || c == ']') {  // array sizes inside templates
      ++i_;
      return Next(t);
    }
    return Fail();
  }

 private:
  bool Fail() {
    damaged = true;
    return false;
  }
  const uint8_t* p_;
  size_t n_;
  size_t i_ = 0;
};

class BinaryTokens : public Tokens {
 public:
  BinaryTokens(const uint8_t* p, size_t n, bool doubles) : p_(p), n_(n), doubles_(doubles) {}
  bool Next(Token* t) override {
    if (!pending_.empty()) {
      t->kind = Tok::Number;
      t->number = pending_.back();
      pending_.pop_back();
      return true;
    }
    uint16_t tok;
    if (!Read16(&tok)) return false;
    switch (tok) {
      case 1: {  // name
        uint32_t count;
        if (!Read32(&count) || !Have(count)) return Fail();
        t->kind = Tok::Name;
        t->text.assign(reinterpret_cast<const char*>(p_ + i_), count);
        i_ += count;
        return true;
      }
      case 2: {  // string, then its terminator token
        uint32_t count;
        uint16_t term;
        if (!Read32(&count) || !Have(count)) return Fail();
        t->kind = Tok::String;
        t->text.assign(reinterpret_cast<const char*>(p_ + i_), count);
        i_ += count;
        if (!Read16(&term)) return Fail();
        return true;
      }
      case 3: {  // integer
        uint32_t v;
        if (!Read32(&v)) return Fail();
        t->kind = Tok::Number;
        t->number = v;
        return true;
      }
      case 5:  // guid
        if (!Have(16)) return Fail();
        i_ += 16;
        t->kind = Tok::Guid;
        return true;
      case 6: {  // integer list
        uint32_t count;
        if (!Read32(&count) || !Have(static_cast<uint64_t>(count) * 4)) return Fail();
        std::vector<double> values(count);
        for (auto& v : values) {
          uint32_t x = 0;
          Read32(&x);
          v = x;
        }
        return Emit(values, t);
      }
      case 7: {  // float list
        uint32_t count;
        size_t width = doubles_ ? 8 : 4;
        if (!Read32(&count) || !Have(static_cast<uint64_t>(count) * width)) return Fail();
        std::vector<double> values(count);
        for (auto& v : values) {
          if (doubles_) {
            double d = 0;
            std::memcpy(&d, p_ + i_, 8);
            v = d;
          } else {
            float f;
            std::memcpy(&f, p_ + i_, 4);
            v = f;
          }
          i_ += width;
        }
        return Emit(values, t);
      }
      case 10:
        t->kind = Tok::Open;
        return true;
      case 11:
        t->kind = Tok::Close;
        return true;
      default:
        if (tok >= 12 && tok <= 53) {  // punctuation and template keywords
          if (tok == 31) {
            t->kind = Tok::Name;
            t->text = "template";
            return true;
          }
          return Next(t);
        }
        return Fail();
    }
  }

 private:
  bool Emit(std::vector<double>& values, Token* t) {
    if (values.empty()) return Next(t);
    pending_.assign(values.rbegin(), values.rend() - 1);
    t->kind = Tok::Number;
    t->number = values.front();
    return true;
  }
  bool Have(uint64_t k) const { return k <= n_ - i_; }
  bool Read16(uint16_t* v) {
    if (!Have(2)) return false;
    *v = static_cast<uint16_t>(p_[i_] | (p_[i_ + 1] << 8));
    i_ += 2;
    return true;
  }
  bool Read32(uint32_t* v) {
    if (!Have(4)) return false;
    *v = uint32_t(p_[i_]) | (uint32_t(p_[i_ + 1]) << 8) | (uint32_t(p_[i_ + 2]) << 16) | (uint32_t(p_[i_ + 3]) << 24);
    i_ += 4;
    return true;
  }
  bool Fail() {
    damaged = true;
    return false;
  }
  const uint8_t* p_;
  size_t n_;
  size_t i_ = 0;
  bool doubles_;
  std::vector<double> pending_;
};

constexpr int kMaxDepth = 64;

// Reads the body of an object after its opening brace. Names that come
// right before a brace are the child's type and optional instance name.
bool ReadBody(Tokens& in, XObject* obj, int depth) {
  if (depth > kMaxDepth) return false;
  Token t;
  std::vector<std::string> names;
  auto flush = [&] {
    for (auto& n : names) obj->strings.push_back(n);
    names.clear();
  };
  while (in.Next(&t)) {
    switch (t.kind) {
      case Tok::Close:
        flush();
        return true;
      case Tok::Number:
        flush();
        obj->numbers.push_back(t.number);
        break;
      case Tok::String:
        flush();
        obj->strings.push_back(t.text);
        break;
      case Tok::Guid:
        break;
      case Tok::Name:
        names.push_back(t.text);
        break;
      case Tok::Open: {
        if (names.empty()) {
          // "{ name }" refers to an object defined elsewhere.
          Token r, close;
          if (!in.Next(&r) || r.kind != Tok::Name) return false;
          if (!in.Next(&close) || close.kind != Tok::Close) return false;
          XObject ref;  // kept among the children, in file order
          ref.name = r.text;
          obj->children.push_back(std::move(ref));
          break;
        }
        XObject child;
        if (names.size() >= 2) {
          child.type = names[names.size() - 2];
          child.name = names.back();
          names.resize(names.size() - 2);
        } else {
          child.type = names.back();
          names.pop_back();
        }
        flush();
        if (!ReadBody(in, &child, depth + 1)) return false;
        obj->children.push_back(std::move(child));
        break;
      }
      default:
        return false;
    }
  }
  return false;
}

// Compressed files larger than this are refused rather than inflated.
constexpr uint32_t kMaxInflatedX = 64u << 20;

// The body of a compressed file: a 32-bit total size, then blocks of a 16-bit
// plain size, a 16-bit packed size, "CK" and a raw deflate stream.
bool InflateXBody(const uint8_t* data, size_t size, std::vector<uint8_t>* out) {
  out->clear();
  if (size < 4) return false;
  uint32_t total = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                   static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  // The total counts the 16-byte header with the body; a total of the body
  // alone is taken too. Deflate expands at most about 1032 times, so a total
  // the data cannot hold is refused before anything is sized by it.
  if (total > kMaxInflatedX || total / 1100 > size) return false;
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  struct End {
    z_stream* z;
    ~End() { inflateEnd(z); }
  } end{&z};
  size_t at = 4;
  while (at < size) {
    if (size - at < 6) return false;
    const uint8_t* b = data + at;
    size_t plain = static_cast<size_t>(b[0]) | static_cast<size_t>(b[1]) << 8;
    size_t packed = static_cast<size_t>(b[2]) | static_cast<size_t>(b[3]) << 8;
    if (b[4] != 'C' || b[5] != 'K') return false;
    if (plain == 0 || out->size() + plain > total) return false;
    // The packed size may count the two "CK" bytes or not; the stream itself
    // says where it ends, and it has to end at one of the two.
    size_t avail = std::min(packed, size - at - 6);
    if (inflateReset(&z) != Z_OK) return false;
    // The history runs on from what the earlier blocks gave.
    if (!out->empty()) {
      size_t keep = std::min<size_t>(out->size(), 32768);
      if (inflateSetDictionary(&z, out->data() + out->size() - keep, static_cast<uInt>(keep)) != Z_OK) return false;
    }
    size_t first = out->size();
    out->resize(first + plain);
    z.next_in = const_cast<Bytef*>(b + 6);
    z.avail_in = static_cast<uInt>(avail);
    z.next_out = out->data() + first;
    z.avail_out = static_cast<uInt>(plain);
    int rc = inflate(&z, Z_FINISH);
    if (rc != Z_STREAM_END || z.avail_out != 0) return false;
    size_t used = avail - z.avail_in;
    if (used != packed && used + 2 != packed) return false;
    at += 6 + used;
  }
  return !out->empty() && (out->size() + 16 == total || out->size() == total);
}

bool ParseX(const uint8_t* data, size_t size, std::vector<XObject>* top) {
  if (size < 16 || std::memcmp(data, "xof ", 4) != 0) return false;
  std::string format(reinterpret_cast<const char*>(data + 8), 4);
  bool doubles = std::memcmp(data + 12, "0064", 4) == 0;
  std::vector<uint8_t> inflated;
  const uint8_t* body = data + 16;
  size_t bodySize = size - 16;
  if (format == "tzip" || format == "bzip") {
    if (!InflateXBody(body, bodySize, &inflated)) return false;
    body = inflated.data();
    bodySize = inflated.size();
  }
  std::unique_ptr<Tokens> in;
  if (format == "txt " || format == "tzip") in = std::make_unique<TextTokens>(body, bodySize);
  else if (format == "bin " || format == "bzip") in = std::make_unique<BinaryTokens>(body, bodySize, doubles);
  else return false;
  Token t;
  std::vector<std::string> names;
  while (in->Next(&t)) {
    if (t.kind == Tok::Name) {
      names.push_back(t.text);
      continue;
    }
    if (t.kind != Tok::Open || names.empty()) return false;
    XObject obj;
    obj.type = names.front();
    if (names.size() > 1) obj.name = names[1];
    names.clear();
    if (!ReadBody(*in, &obj, 0)) return false;
    if (obj.type != "template") top->push_back(std::move(obj));
  }
  return !in->damaged;
}

struct Material {
  D3DMATERIAL9 mat{};
  std::string texture;
};

struct Builder {
  std::vector<D3DXVECTOR3> positions, normals;
  std::vector<D3DXVECTOR2> uvs;
  std::vector<uint32_t> indices;
  std::vector<DWORD> attributes;
  std::vector<Material> materials;
  std::map<std::string, Material> named;
  bool hasNormals = false, hasUv = false;
};

class NumberCursor {
 public:
  explicit NumberCursor(const std::vector<double>& v) : v_(v) {}
  bool Take(double* out) {
    if (i_ >= v_.size()) return false;
    *out = v_[i_++];
    return true;
  }
  bool Count(size_t* out, size_t perItem) {
    double d = 0;
    // Counts are 32-bit in the file; a larger number cannot be converted.
    if (!Take(&d) || d < 0 || !std::isfinite(d) || d > 4294967295.0) return false;
    size_t n = static_cast<size_t>(d);
    // A count can never exceed the numbers that are left.
    if (perItem && n > (v_.size() - i_) / perItem) return false;
    *out = n;
    return true;
  }
  size_t Left() const { return v_.size() - i_; }

 private:
  const std::vector<double>& v_;
  size_t i_ = 0;
};

bool ReadMaterial(const XObject& o, Material* m) {
  NumberCursor n(o.numbers);
  double v[11] = {};
  for (double& x : v)
    if (!n.Take(&x)) return false;
  m->mat.Diffuse = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]), static_cast<float>(v[3])};
  m->mat.Ambient = {0, 0, 0, 0};
  m->mat.Power = static_cast<float>(v[4]);
  m->mat.Specular = {static_cast<float>(v[5]), static_cast<float>(v[6]), static_cast<float>(v[7]), 1.0f};
  m->mat.Emissive = {static_cast<float>(v[8]), static_cast<float>(v[9]), static_cast<float>(v[10]), 1.0f};
  for (const auto& c : o.children)
    if (c.type == "TextureFilename" && !c.strings.empty()) m->texture = c.strings.back();
  return true;
}

bool AddMesh(const XObject& o, const D3DXMATRIX& world, Builder* b) {
  NumberCursor n(o.numbers);
  size_t nv, nf;
  if (!n.Count(&nv, 3)) return false;
  std::vector<D3DXVECTOR3> pos(nv);
  for (auto& p : pos) {
    double x = 0, y = 0, z = 0;
    n.Take(&x), n.Take(&y), n.Take(&z);
    D3DXVECTOR3 v(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    D3DXVec3TransformCoord(&p, &v, &world);
  }
  if (!n.Count(&nf, 1)) return false;
  std::vector<std::vector<uint32_t>> faces(nf);
  for (auto& f : faces) {
    size_t k;
    if (!n.Count(&k, 1)) return false;
    f.resize(k);
    for (auto& i : f) {
      double d = 0;
      n.Take(&d);
      if (d < 0 || d >= static_cast<double>(nv)) return false;
      i = static_cast<uint32_t>(d);
    }
  }
  std::vector<D3DXVECTOR3> normals;
  std::vector<std::vector<uint32_t>> normalFaces;
  std::vector<D3DXVECTOR2> uv;
  std::vector<DWORD> faceMaterial(nf, 0);
  std::vector<Material> materials;
  for (const auto& c : o.children) {
    NumberCursor m(c.numbers);
    if (c.type == "MeshNormals") {
      size_t nn, nfn;
      if (!m.Count(&nn, 3)) return false;
      normals.resize(nn);
      for (auto& v : normals) {
        double x = 0, y = 0, z = 0;
        m.Take(&x), m.Take(&y), m.Take(&z);
        D3DXVECTOR3 raw(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
        D3DXVec3TransformNormal(&v, &raw, &world);
        D3DXVec3Normalize(&v, &v);
      }
      if (!m.Count(&nfn, 1) || nfn != nf) return false;
      normalFaces.resize(nfn);
      for (size_t f = 0; f < nfn; ++f) {
        size_t k;
        if (!m.Count(&k, 1) || k != faces[f].size()) return false;
        normalFaces[f].resize(k);
        for (auto& i : normalFaces[f]) {
          double d = 0;
          m.Take(&d);
          if (d < 0 || d >= static_cast<double>(nn)) return false;
          i = static_cast<uint32_t>(d);
        }
      }
    } else if (c.type == "MeshTextureCoords") {
      size_t nt;
      if (!m.Count(&nt, 2) || nt != nv) return false;
      uv.resize(nt);
      for (auto& t : uv) {
        double u = 0, v = 0;
        m.Take(&u), m.Take(&v);
        t = D3DXVECTOR2(static_cast<float>(u), static_cast<float>(v));
      }
    } else if (c.type == "MeshMaterialList") {
      size_t nm, ni;
      // Each material is an object (or a reference) inside the list: a count
      // beyond those the data holds is refused before anything is sized by it.
      if (!m.Count(&nm, 0) || nm > c.children.size() || !m.Count(&ni, 1)) return false;
      for (size_t f = 0; f < ni && f < nf; ++f) {
        double d = 0;
        m.Take(&d);
        faceMaterial[f] = d >= 0 && d < static_cast<double>(nm) ? static_cast<DWORD>(d) : 0;
      }
      // A short list repeats its last entry.
      for (size_t f = ni; f < nf && ni > 0; ++f) faceMaterial[f] = faceMaterial[ni - 1];
      for (const auto& mc : c.children) {
        Material mat;
        if (mc.type == "Material" && ReadMaterial(mc, &mat)) {
          materials.push_back(mat);
        } else if (mc.type.empty()) {
          auto it = b->named.find(mc.name);
          if (it != b->named.end()) materials.push_back(it->second);
        }
      }
      materials.resize(std::max<size_t>(nm, 1));
    }
  }
  DWORD materialBase = static_cast<DWORD>(b->materials.size());
  if (materials.empty()) {
    Material white;
    white.mat.Diffuse = {1, 1, 1, 1};
    materials.push_back(white);
  }
  b->materials.insert(b->materials.end(), materials.begin(), materials.end());
  b->hasNormals = b->hasNormals || !normals.empty();
  b->hasUv = b->hasUv || !uv.empty();

  // One output vertex per distinct (position, normal) pair.
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> made;
  auto vertexFor = [&](uint32_t p, uint32_t nidx) {
    auto key = std::make_pair(p, nidx);
    auto it = made.find(key);
    if (it != made.end()) return it->second;
    uint32_t index = static_cast<uint32_t>(b->positions.size());
    b->positions.push_back(pos[p]);
    b->normals.push_back(nidx != UINT32_MAX && nidx < normals.size() ? normals[nidx] : D3DXVECTOR3(0, 0, 0));
    b->uvs.push_back(p < uv.size() ? uv[p] : D3DXVECTOR2(0, 0));
    made[key] = index;
    return index;
  };
  for (size_t f = 0; f < nf; ++f) {
    const auto& face = faces[f];
    for (size_t k = 1; k + 1 < face.size(); ++k) {
      const size_t corner[3] = {0, k, k + 1};
      for (size_t c : corner) {
        uint32_t nidx = normalFaces.empty() ? UINT32_MAX : normalFaces[f][c];
        b->indices.push_back(vertexFor(face[c], nidx));
      }
      b->attributes.push_back(materialBase + faceMaterial[f]);
    }
  }
  return true;
}

bool Walk(const XObject& o, const D3DXMATRIX& parent, Builder* b, int depth) {
  if (depth > kMaxDepth) return false;
  if (o.type == "Material") {
    Material m;
    if (ReadMaterial(o, &m) && !o.name.empty()) b->named[o.name] = m;
    return true;
  }
  if (o.type == "Mesh") return AddMesh(o, parent, b);
  if (o.type == "Frame") {
    D3DXMATRIX local;
    D3DXMatrixIdentity(&local);
    for (const auto& c : o.children) {
      if (c.type == "FrameTransformMatrix" && c.numbers.size() >= 16)
        for (int i = 0; i < 16; ++i) local.m[i / 4][i % 4] = static_cast<float>(c.numbers[i]);
    }
    D3DXMATRIX world = local * parent;
    for (const auto& c : o.children)
      if (!Walk(c, world, b, depth + 1)) return false;
  }
  return true;
}

}  // namespace

UINT D3DXGetFVFVertexSize(DWORD fvf) { return FvfLayout(fvf).size; }

HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** out) {
  if (!out) return E_POINTER;
  *out = new Buffer(size);
  return S_OK;
}

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (numFaces == 0 || numVertices == 0 || FvfLayout(fvf).size == 0) return E_INVALIDARG;
  if (!(options & D3DXMESH_32BIT) && numVertices > 0xFFFF) return E_INVALIDARG;
  *out = new Mesh(numFaces, numVertices, options, fvf, device);
  return S_OK;
}

HRESULT D3DXLoadMeshFromXInMemory(LPCVOID data, DWORD size, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh) {
  if (!mesh) return E_POINTER;
  *mesh = nullptr;
  if (adjacency) *adjacency = nullptr;
  if (materials) *materials = nullptr;
  if (effectInstances) *effectInstances = nullptr;
  if (!data) return E_POINTER;
  std::vector<XObject> top;
  if (!ParseX(static_cast<const uint8_t*>(data), size, &top)) return D3DXERR_INVALIDDATA;
  Builder b;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  for (const auto& o : top)
    if (!Walk(o, identity, &b, 0)) return D3DXERR_INVALIDDATA;
  if (b.indices.empty()) return D3DXERR_INVALIDDATA;
  DWORD fvf = D3DFVF_XYZ | (b.hasNormals ? D3DFVF_NORMAL : 0) | (b.hasUv ? D3DFVF_TEX1 : 0);
  DWORD faces = static_cast<DWORD>(b.attributes.size());
  DWORD vertices = static_cast<DWORD>(b.positions.size());
  ID3DXMesh* created = nullptr;
  HRESULT hr = D3DXCreateMeshFVF(faces, vertices, options, fvf, device, &created);
  if (FAILED(hr)) return hr;
  auto* m = static_cast<Mesh*>(created);
  const FvfLayout& l = m->Layout();
  for (DWORD v = 0; v < vertices; ++v) {
    uint8_t* dst = m->Vertices().data() + static_cast<size_t>(v) * l.size;
    std::memcpy(dst + l.position, &b.positions[v], 12);
    if (l.normal >= 0) std::memcpy(dst + l.normal, &b.normals[v], 12);
    if (l.tex >= 0) std::memcpy(dst + l.tex, &b.uvs[v], 8);
  }
  m->Indices() = b.indices;
  m->Attributes() = b.attributes;

  if (adjacency) {
    D3DXCreateBuffer(faces * 3 * sizeof(DWORD), adjacency);
    auto* adj = static_cast<DWORD*>((*adjacency)->GetBufferPointer());
    std::fill(adj, adj + static_cast<size_t>(faces) * 3, 0xFFFFFFFFu);
  }
  if (numMaterials) *numMaterials = static_cast<DWORD>(b.materials.size());
  if (materials) {
    // The texture names are stored after the material array, in the same buffer.
    size_t names = 0;
    for (auto& mat : b.materials) names += mat.texture.empty() ? 0 : mat.texture.size() + 1;
    size_t head = b.materials.size() * sizeof(D3DXMATERIAL);
    D3DXCreateBuffer(static_cast<DWORD>(head + names), materials);
    auto* base = static_cast<uint8_t*>((*materials)->GetBufferPointer());
    auto* out = reinterpret_cast<D3DXMATERIAL*>(base);
    char* text = reinterpret_cast<char*>(base + head);
    for (size_t i = 0; i < b.materials.size(); ++i) {
      out[i].MatD3D = b.materials[i].mat;
      out[i].pTextureFilename = nullptr;
      if (!b.materials[i].texture.empty()) {
        std::memcpy(text, b.materials[i].texture.c_str(), b.materials[i].texture.size() + 1);
        out[i].pTextureFilename = text;
        text += b.materials[i].texture.size() + 1;
      }
    }
  }
  *mesh = m;
  return S_OK;
}

HRESULT D3DXLoadMeshFromXW(LPCWSTR path, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* numMaterials,
                           ID3DXMesh** mesh) {
  if (mesh) *mesh = nullptr;
  if (!path) return E_POINTER;
  std::ifstream file(Win32_ToUtf8(path), std::ios::binary);
  if (!file) return static_cast<HRESULT>(0x88760B56u);  // D3DXFERR_FILENOTFOUND
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return D3DXLoadMeshFromXInMemory(bytes.data(), static_cast<DWORD>(bytes.size()), options, device, adjacency,
                                   materials, effectInstances, numMaterials, mesh);
}

HRESULT D3DXComputeNormals(ID3DXBaseMesh* base, const DWORD*) {
  auto* m = dynamic_cast<Mesh*>(base);
  if (!m) return E_INVALIDARG;
  const FvfLayout& l = m->Layout();
  if (l.normal < 0 || l.position < 0) return E_INVALIDARG;
  DWORD n = m->GetNumVertices();
  std::vector<D3DXVECTOR3> sum(n, D3DXVECTOR3(0, 0, 0));
  auto pos = [&](uint32_t i) {
    D3DXVECTOR3 p;
    std::memcpy(&p, m->Vertices().data() + static_cast<size_t>(i) * l.size + l.position, 12);
    return p;
  };
  const auto& idx = m->Indices();
  for (size_t f = 0; f + 2 < idx.size(); f += 3) {
    if (idx[f] >= n || idx[f + 1] >= n || idx[f + 2] >= n) continue;
    D3DXVECTOR3 a = pos(idx[f]), b = pos(idx[f + 1]), c = pos(idx[f + 2]);
    D3DXVECTOR3 e1 = b - a, e2 = c - a, face;
    D3DXVec3Cross(&face, &e1, &e2);
    for (int k = 0; k < 3; ++k) sum[idx[f + k]] += face;
  }
  for (DWORD v = 0; v < n; ++v) {
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &sum[v]);
    std::memcpy(m->Vertices().data() + static_cast<size_t>(v) * l.size + l.normal, &unit, 12);
  }
  return S_OK;
}

HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* first, DWORD count, DWORD stride, D3DXVECTOR3* center,
                                  float* radius) {
  if (!first || !center || !radius || count == 0) return E_INVALIDARG;
  auto at = [&](DWORD i) {
    return *reinterpret_cast<const D3DXVECTOR3*>(reinterpret_cast<const uint8_t*>(first) + static_cast<size_t>(i) * stride);
  };
  D3DXVECTOR3 c(0, 0, 0);
  for (DWORD i = 0; i < count; ++i) c += at(i);
  c /= static_cast<float>(count);
  float r = 0.0f;
  for (DWORD i = 0; i < count; ++i) {
    D3DXVECTOR3 d = at(i) - c;
    r = std::max(r, D3DXVec3Length(&d));
  }
  *center = c;
  *radius = r;
  return S_OK;
}
