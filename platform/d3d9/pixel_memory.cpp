#include "platform/d3d9/pixel_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace pixel_memory {
namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t PageRounded(size_t bytes) {
  static const size_t page = [] {
    const long p = sysconf(_SC_PAGESIZE);
    return p > 0 ? static_cast<size_t>(p) : size_t(4096);
  }();
  return (bytes + page - 1) / page * page;
}

}  // namespace

void* AllocateMapped(size_t bytes) {
  const size_t length = PageRounded(bytes);
  if (length < bytes || length > static_cast<size_t>(-1) - kHugePage) return nullptr;
  // Mapped with a huge page of slack, then trimmed to start on a huge-page
  // boundary: only whole aligned 2 MB stretches can be huge pages.
  void* mapped = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const uintptr_t base = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t start = (base + kHugePage - 1) & ~(uintptr_t(kHugePage) - 1);
  if (start > base) munmap(mapped, start - base);
  const uintptr_t end = start + length;
  const uintptr_t mappedEnd = base + length + kHugePage;
  if (mappedEnd > end) munmap(reinterpret_cast<void*>(end), mappedEnd - end);
  // Only advice: without huge pages the block works as any other.
  madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(start);
}

void FreeMapped(void* p, size_t bytes) {
  if (p) munmap(p, PageRounded(bytes));
}

}  // namespace pixel_memory
