#include <cstring>

#include "core/embedded_file.h"
#include "platform/win32/windows.h"

namespace {

// The bytes and size of one resource, or null.
const void* LockModuleResource(HMODULE module, uint32_t id, LPCWSTR type, DWORD* size) {
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!res) return nullptr;
  HGLOBAL handle = LoadResource(module, res);
  if (!handle) return nullptr;
  const void* bytes = LockResource(handle);
  if (!bytes) return nullptr;
  *size = SizeofResource(module, res);
  return bytes;
}

}  // namespace

bool EmbeddedFile::LoadFromModule() {
  // A module that cannot be loaded has none of our resources: searching the
  // executable instead would hand back an unrelated resource of the same id.
  HMODULE module = LoadLibraryExW(moduleName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  DWORD bytes = 0;
  const void* found = nullptr;
  if (module) {
    found = LockModuleResource(module, resourceId & 0xFFFF, u"DDS", &bytes);
    if (!found) found = LockModuleResource(module, resourceId & 0xFFFF, RT_RCDATA, &bytes);
  }
  if (!found) {
    HMODULE library = LoadLibraryW(moduleName.c_str());
    if (library) found = LockModuleResource(library, resourceId & 0xFFFF, u"DDS", &bytes);
  }
  if (!found) return false;
  if (bytes == 0) {
    FreeData();
  } else {
    std::memcpy(Allocate(bytes), found, bytes);
  }
  return true;
}
