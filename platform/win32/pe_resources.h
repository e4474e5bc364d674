#pragma once
// The resource directory of a module file (32- or 64-bit portable-executable
// layout), read from its bytes as data: nothing in the file is ever run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A resource's type or name: an integer id, or a string kept upper-cased so
// that look-ups compare without regard to case.
struct PeResourceKey {
  bool isName = false;
  uint16_t id = 0;
  std::u16string name;
};

struct PeResource {
  PeResourceKey type;
  PeResourceKey name;
  uint16_t language = 0;
  uint32_t offset = 0;  // into the file bytes
  uint32_t size = 0;
};

// Every resource of the file, one per (type, name): the first language
// listed. False with *error saying why when the file is damaged, truncated
// or hostile; a module without a resource directory has no resources.
bool ReadPeResources(const uint8_t* bytes, size_t size, std::vector<PeResource>* out, std::string* error);

// Upper case of a UTF-16 unit (ASCII and Latin-1 letters), as resource
// names and file names compare.
char16_t PeUpper(char16_t c);
std::u16string PeUpper(std::u16string_view text);
