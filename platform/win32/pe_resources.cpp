// Resource directory reader for module files. Every offset is checked
// against the bytes it points into; a directory may be visited only once,
// so loops and shared subtrees cannot multiply the work.
#include "platform/win32/pe_resources.h"

#include <algorithm>
#include <set>
#include <string_view>

namespace {

constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kPe32Plus = 0x20B;
constexpr uint32_t kResourceDirectory = 2;  // index among the data directories
constexpr uint32_t kHighBit = 0x80000000u;
// Far above any real module; a hostile file stops here instead of filling memory.
constexpr size_t kMaxResources = 1u << 20;
constexpr size_t kMaxNameUnits = 1u << 22;

struct Span {
  const uint8_t* p = nullptr;
  uint64_t n = 0;
  bool Has(uint64_t off, uint64_t len) const { return off <= n && len <= n - off; }
  bool U16(uint64_t off, uint16_t* v) const {
    if (!Has(off, 2)) return false;
    *v = static_cast<uint16_t>(p[off] | (p[off + 1] << 8));
    return true;
  }
  bool U32(uint64_t off, uint32_t* v) const {
    if (!Has(off, 4)) return false;
    *v = static_cast<uint32_t>(p[off]) | (static_cast<uint32_t>(p[off + 1]) << 8) |
         (static_cast<uint32_t>(p[off + 2]) << 16) | (static_cast<uint32_t>(p[off + 3]) << 24);
    return true;
  }
};

struct Section {
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
};

class Reader {
 public:
  Reader(const uint8_t* bytes, size_t size, std::vector<PeResource>* out, std::string* error)
      : out_(out), error_(error) {
    file_.p = bytes;
    file_.n = size;
  }

  bool Run() {
    uint32_t dirRva = 0;
    if (!ReadHeaders(&dirRva)) return false;
    if (dirRva == 0) return true;
    uint64_t start = 0, avail = 0;
    if (!Map(dirRva, &start, &avail)) return Fail("resource directory outside the sections");
    view_.p = file_.p + start;
    view_.n = avail;
    return Directory(0, 0, PeResourceKey(), PeResourceKey());
  }

 private:
  bool Fail(const char* why) {
    *error_ = why;
    return false;
  }

  bool ReadHeaders(uint32_t* dirRva) {
    uint16_t mz = 0;
    uint32_t peOffset = 0, signature = 0;
    if (!file_.U16(0, &mz) || mz != 0x5A4D) return Fail("no MZ header");
    if (!file_.U32(0x3C, &peOffset)) return Fail("truncated MZ header");
    if (!file_.U32(peOffset, &signature) || signature != 0x00004550) return Fail("no PE signature");
    const uint64_t fileHeader = static_cast<uint64_t>(peOffset) + 4;
    uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    if (!file_.U16(fileHeader + 2, &sectionCount) || !file_.U16(fileHeader + 16, &optionalSize))
      return Fail("truncated file header");
    const uint64_t optional = fileHeader + 20;
    if (!file_.Has(optional, optionalSize) || !file_.U16(optional, &magic))
      return Fail("truncated optional header");
    uint64_t countAt = 0;
    if (magic == kPe32)
      countAt = 92;
    else if (magic == kPe32Plus)
      countAt = 108;
    else
      return Fail("unknown optional header");
    uint32_t dirCount = 0;
    if (countAt + 4 > optionalSize || !file_.U32(optional + countAt, &dirCount))
      return Fail("truncated optional header");
    const uint64_t dirEntry = optional + countAt + 4 + kResourceDirectory * 8;
    if (dirCount > kResourceDirectory) {
      if (dirEntry + 8 > optional + optionalSize || !file_.U32(dirEntry, dirRva))
        return Fail("data directories past the optional header");
    }
    const uint64_t table = optional + optionalSize;
    if (!file_.Has(table, static_cast<uint64_t>(sectionCount) * 40)) return Fail("truncated section table");
    sections_.resize(sectionCount);
    for (uint16_t i = 0; i < sectionCount; ++i) {
      const uint64_t at = table + static_cast<uint64_t>(i) * 40;
      Section& s = sections_[i];
      file_.U32(at + 12, &s.virtualAddress);
      file_.U32(at + 16, &s.rawSize);
      file_.U32(at + 20, &s.rawOffset);
    }
    return true;
  }

  // The file offset of an address and how many bytes of its section's stored
  // data follow it (within the file).
  bool Map(uint32_t rva, uint64_t* offset, uint64_t* avail) const {
    for (const Section& s : sections_) {
      if (rva < s.virtualAddress) continue;
      const uint64_t into = static_cast<uint64_t>(rva) - s.virtualAddress;
      if (into >= s.rawSize) continue;
      const uint64_t at = static_cast<uint64_t>(s.rawOffset) + into;
      if (at >= file_.n) continue;
      *offset = at;
      *avail = std::min<uint64_t>(s.rawSize - into, file_.n - at);
      return true;
    }
    return false;
  }

  bool Key(uint32_t field, PeResourceKey* key) {
    if (!(field & kHighBit)) {
      key->isName = false;
      key->id = static_cast<uint16_t>(field & 0xFFFF);
      return true;
    }
    const uint64_t at = field & ~kHighBit;
    uint16_t length = 0;
    if (!view_.U16(at, &length) || !view_.Has(at + 2, static_cast<uint64_t>(length) * 2))
      return Fail("resource name outside the directory");
    nameUnits_ += length;
    if (nameUnits_ > kMaxNameUnits) return Fail("too many resource names");
    key->isName = true;
    key->name.resize(length);
    for (uint16_t i = 0; i < length; ++i) {
      uint16_t unit = 0;
      view_.U16(at + 2 + static_cast<uint64_t>(i) * 2, &unit);
      key->name[i] = PeUpper(static_cast<char16_t>(unit));
    }
    return true;
  }

  // level 0: types, 1: names or ids, 2: languages (leading to data entries).
  bool Directory(uint32_t at, int level, const PeResourceKey& type, const PeResourceKey& name) {
    if (!seen_.insert(at).second) return Fail("loop in the resource directory");
    uint16_t named = 0, ids = 0;
    if (!view_.U16(static_cast<uint64_t>(at) + 12, &named) || !view_.U16(static_cast<uint64_t>(at) + 14, &ids))
      return Fail("directory outside the resource section");
    const uint64_t count = static_cast<uint64_t>(named) + ids;
    const uint64_t first = static_cast<uint64_t>(at) + 16;
    if (!view_.Has(first, count * 8)) return Fail("directory entries outside the resource section");
    bool haveLanguage = false;
    for (uint64_t i = 0; i < count; ++i) {
      uint32_t nameField = 0, target = 0;
      view_.U32(first + i * 8, &nameField);
      view_.U32(first + i * 8 + 4, &target);
      const bool sub = (target & kHighBit) != 0;
      if (level < 2) {
        if (!sub) return Fail("data entry above the language level");
        PeResourceKey key;
        if (!Key(nameField, &key)) return false;
        if (!Directory(target & ~kHighBit, level + 1, level == 0 ? key : type, level == 1 ? key : name))
          return false;
        continue;
      }
      if (sub) return Fail("directory below the language level");
      uint32_t dataRva = 0, dataSize = 0;
      if (!view_.U32(target, &dataRva) || !view_.U32(static_cast<uint64_t>(target) + 4, &dataSize))
        return Fail("data entry outside the resource section");
      uint64_t offset = 0, avail = 0;
      if (dataSize > 0 && (!Map(dataRva, &offset, &avail) || dataSize > avail))
        return Fail("resource data outside the file");
      if (haveLanguage) continue;
      haveLanguage = true;
      if (out_->size() >= kMaxResources) return Fail("too many resources");
      PeResource r;
      r.type = type;
      r.name = name;
      r.language = static_cast<uint16_t>(nameField & 0xFFFF);
      r.offset = static_cast<uint32_t>(offset);
      r.size = dataSize;
      out_->push_back(std::move(r));
    }
    return true;
  }

  Span file_;
  Span view_;
  std::vector<Section> sections_;
  std::set<uint32_t> seen_;
  size_t nameUnits_ = 0;
  std::vector<PeResource>* out_;
  std::string* error_;
};

}  // namespace

char16_t PeUpper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  return c;
}

std::u16string PeUpper(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& c : upper) c = PeUpper(c);
  return upper;
}

bool ReadPeResources(const uint8_t* bytes, size_t size, std::vector<PeResource>* out, std::string* error) {
  std::vector<PeResource> found;
  std::string why;
  Reader reader(bytes, size, &found, &why);
  if (!reader.Run()) {
    if (error) *error = why;
    return false;
  }
  *out = std::move(found);
  return true;
}
