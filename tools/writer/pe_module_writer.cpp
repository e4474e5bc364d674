#include "tools/writer/pe_module_writer.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace pw {
namespace {

constexpr uint32_t kSectionRva = 0x1000;
constexpr uint32_t kFileAlign = 0x200;
constexpr uint32_t kPeOffset = 0x80;

uint32_t Align(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(std::vector<uint8_t>& b, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Directory order: string names first (sorted), then ids ascending.
struct Key {
  std::u16string name;
  uint16_t id = 0;
  bool operator<(const Key& o) const {
    if (name.empty() != o.name.empty()) return !name.empty();
    return name.empty() ? id < o.id : name < o.name;
  }
};

}  // namespace

PeModuleFile PeModule(const std::vector<PeModuleResource>& resources, bool wide64) {
  std::map<Key, std::map<Key, const PeModuleResource*>> tree;
  for (const PeModuleResource& r : resources) tree[{r.typeName, r.typeId}][{r.name, r.id}] = &r;

  // The section: directories, then data entries, then name strings, then data.
  size_t nameDirs = 0;
  for (auto& t : tree) nameDirs += t.second.size();
  const uint32_t rootSize = 16 + 8 * static_cast<uint32_t>(tree.size());
  uint32_t dirsEnd = rootSize;
  for (auto& t : tree) dirsEnd += 16 + 8 * static_cast<uint32_t>(t.second.size());
  const uint32_t langDirsStart = dirsEnd;
  dirsEnd += static_cast<uint32_t>(nameDirs) * (16 + 8);
  const uint32_t entriesStart = dirsEnd;
  uint32_t stringsEnd = entriesStart + 16 * static_cast<uint32_t>(nameDirs);
  std::map<std::u16string, uint32_t> strings;
  for (auto& t : tree) {
    if (!t.first.name.empty()) strings.emplace(t.first.name, 0);
    for (auto& n : t.second)
      if (!n.first.name.empty()) strings.emplace(n.first.name, 0);
  }
  const uint32_t stringsStart = stringsEnd;
  for (auto& s : strings) {
    s.second = stringsEnd;
    stringsEnd += 2 + 2 * static_cast<uint32_t>(s.first.size());
  }
  uint32_t dataEnd = Align(stringsEnd, 8);
  std::vector<uint32_t> dataAt;
  for (auto& t : tree)
    for (auto& n : t.second) {
      dataAt.push_back(dataEnd);
      dataEnd = Align(dataEnd + static_cast<uint32_t>(n.second->data.size()), 8);
    }

  std::vector<uint8_t> section(dataEnd, 0);
  auto nameField = [&](const Key& k) { return k.name.empty() ? k.id : (0x80000000u | strings[k.name]); };
  auto dirHeader = [&](uint32_t at, const std::map<Key, const PeModuleResource*>* names, size_t count) {
    size_t named = 0;
    if (names)
      for (auto& n : *names) named += n.first.name.empty() ? 0 : 1;
    Put16(section, at + 12, static_cast<uint32_t>(named));
    Put16(section, at + 14, static_cast<uint32_t>(count - named));
  };
  {
    size_t named = 0;
    for (auto& t : tree) named += t.first.name.empty() ? 0 : 1;
    Put16(section, 12, static_cast<uint32_t>(named));
    Put16(section, 14, static_cast<uint32_t>(tree.size() - named));
  }
  uint32_t typeDir = rootSize, langDir = langDirsStart, entry = entriesStart;
  size_t typeIndex = 0, k = 0;
  PeModuleFile file;
  for (auto& t : tree) {
    Put32(section, 16 + 8 * typeIndex, nameField(t.first));
    Put32(section, 16 + 8 * typeIndex + 4, 0x80000000u | typeDir);
    dirHeader(typeDir, &t.second, t.second.size());
    size_t nameIndex = 0;
    for (auto& n : t.second) {
      Put32(section, typeDir + 16 + 8 * nameIndex, nameField(n.first));
      Put32(section, typeDir + 16 + 8 * nameIndex + 4, 0x80000000u | langDir);
      dirHeader(langDir, nullptr, 1);
      Put32(section, langDir + 16, n.second->language);
      Put32(section, langDir + 20, entry);
      Put32(section, entry, kSectionRva + dataAt[k]);
      Put32(section, entry + 4, static_cast<uint32_t>(n.second->data.size()));
      if (!n.second->data.empty())
        std::memcpy(section.data() + dataAt[k], n.second->data.data(), n.second->data.size());
      langDir += 24;
      entry += 16;
      ++nameIndex;
      ++k;
    }
    typeDir += 16 + 8 * static_cast<uint32_t>(t.second.size());
    ++typeIndex;
  }
  for (auto& s : strings) {
    Put16(section, s.second, static_cast<uint32_t>(s.first.size()));
    for (size_t i = 0; i < s.first.size(); ++i) Put16(section, s.second + 2 + 2 * i, s.first[i]);
  }

  const uint32_t optionalSize = wide64 ? 240 : 224;
  const uint32_t optional = kPeOffset + 24;
  const uint32_t table = optional + optionalSize;
  const uint32_t headers = Align(table + 40, kFileAlign);
  const uint32_t rawSize = Align(static_cast<uint32_t>(section.size()), kFileAlign);
  std::vector<uint8_t>& b = file.bytes;
  b.assign(headers + rawSize, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, kPeOffset);
  std::memcpy(b.data() + kPeOffset, "PE\0\0", 4);
  Put16(b, kPeOffset + 4, wide64 ? 0x8664 : 0x14C);
  Put16(b, kPeOffset + 6, 1);
  Put16(b, kPeOffset + 20, optionalSize);
  Put16(b, kPeOffset + 22, wide64 ? 0x2022 : 0x2102);
  Put16(b, optional, wide64 ? 0x20B : 0x10B);
  Put32(b, optional + 32, 0x1000);  // section alignment
  Put32(b, optional + 36, kFileAlign);
  Put16(b, optional + 40, 5);       // OS version
  Put16(b, optional + 48, 5);       // subsystem version
  Put32(b, optional + 56, kSectionRva + Align(static_cast<uint32_t>(section.size()), 0x1000));
  Put32(b, optional + 60, headers);
  Put16(b, optional + 68, 2);       // windows GUI
  if (wide64) {
    Put64(b, optional + 24, 0x180000000ull);
    Put32(b, optional + 108, 16);
    Put32(b, optional + 112 + 2 * 8, kSectionRva);
    Put32(b, optional + 112 + 2 * 8 + 4, static_cast<uint32_t>(section.size()));
  } else {
    Put32(b, optional + 28, 0x10000000u);
    Put32(b, optional + 92, 16);
    Put32(b, optional + 96 + 2 * 8, kSectionRva);
    Put32(b, optional + 96 + 2 * 8 + 4, static_cast<uint32_t>(section.size()));
  }
  std::memcpy(b.data() + table, ".rsrc\0\0\0", 8);
  Put32(b, table + 8, static_cast<uint32_t>(section.size()));
  Put32(b, table + 12, kSectionRva);
  Put32(b, table + 16, rawSize);
  Put32(b, table + 20, headers);
  Put32(b, table + 36, 0x40000040u);  // initialised data, readable
  std::memcpy(b.data() + headers, section.data(), section.size());

  file.peOffset = kPeOffset;
  file.optionalHeader = optional;
  file.sectionTable = table;
  file.resources = headers;
  file.firstTypeDir = headers + rootSize;
  file.firstNameDir = headers + langDirsStart;
  file.firstDataEntry = headers + entriesStart;
  file.firstNameString = strings.empty() ? 0 : headers + stringsStart;
  file.resourceRva = kSectionRva;
  return file;
}

}  // namespace pw
