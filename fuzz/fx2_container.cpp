// Checks arbitrary bytes as compiled effect binaries; what the check lets
// through goes to the shader library (effect parser, shader translation,
// every pass begun once). The library is not instrumented, so the input and
// every block it allocates end at a guard page: a read or write past the end
// of any of them faults here instead of passing unseen.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "platform/d3dx9/d3dx9_fx2_container.h"
#include "tools/writer/fx2_writer.h"

namespace {

struct Mapping {
  void* base;
  size_t length;
};
std::unordered_map<void*, Mapping> g_mappings;

// A block whose end (rounded up to 16 bytes) touches an inaccessible page.
void* GuardedAlloc(size_t bytes, size_t align) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t rounded = (bytes + align - 1) / align * align;
  const size_t length = (rounded + page - 1) / page * page + page;
  void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) abort();
  uint8_t* guard = static_cast<uint8_t*>(base) + length - page;
  if (mprotect(guard, page, PROT_NONE) != 0) abort();
  void* p = guard - rounded;
  g_mappings[p] = {base, length};
  return p;
}

void GuardedFree(void* p) {
  if (!p) return;
  auto it = g_mappings.find(p);
  if (it == g_mappings.end()) abort();  // not ours: a bad free
  munmap(it->second.base, it->second.length);
  g_mappings.erase(it);
}

void* LibraryAlloc(int bytes, void*) { return bytes < 0 ? nullptr : GuardedAlloc(static_cast<size_t>(bytes), 16); }
void LibraryFree(void* p, void*) { GuardedFree(p); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  void* copy = GuardedAlloc(size, 1);
  if (size) std::memcpy(copy, data, size);
  std::string why;
  if (D3DX_ValidateFx2(copy, static_cast<uint32_t>(size), &why)) {
    pw::Fx2ParseWithLibrary(copy, static_cast<uint32_t>(size), pw::Fx2Allocator{LibraryAlloc, LibraryFree, nullptr});
  }
  GuardedFree(copy);
  return 0;
}
