#pragma once
// Small resource-only module files for tests: the 32- or 64-bit
// portable-executable headers, one resource section and the three-level
// resource directory (type, name or id, language) over the given resources.
#include <cstdint>
#include <string>
#include <vector>

namespace pw {

struct PeModuleResource {
  std::u16string typeName;  // e.g. u"DDS"; empty: typeId is used
  uint16_t typeId = 0;      // e.g. 10 (RCDATA)
  std::u16string name;      // empty: id is used
  uint16_t id = 0;
  uint16_t language = 1033;
  std::vector<uint8_t> data;
};

// Where the parts of the written file lie (file offsets), so that tests can
// damage them one at a time.
struct PeModuleFile {
  std::vector<uint8_t> bytes;
  uint32_t peOffset = 0;         // "PE\0\0"
  uint32_t optionalHeader = 0;
  uint32_t sectionTable = 0;
  uint32_t resources = 0;        // root directory of the resource section
  uint32_t firstTypeDir = 0;     // directory of the first type's names
  uint32_t firstNameDir = 0;     // directory of the first name's languages
  uint32_t firstDataEntry = 0;
  uint32_t firstNameString = 0;  // 0 when no name is a string
  uint32_t resourceRva = 0;      // address of the resource section
};

PeModuleFile PeModule(const std::vector<PeModuleResource>& resources, bool wide64 = false);

}  // namespace pw
