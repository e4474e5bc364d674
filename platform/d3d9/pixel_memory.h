#pragma once
// Storage for pictures and the memory copies of textures. Blocks of 2 MB and
// more are mapped on their own and backed by huge pages where the system
// allows it: loading a project touches hundreds of megabytes of new pixel
// memory, and faulting it in 4 KB page by page was most of the start-up on
// machines where a page fault is costly. Freeing such a block gives it back to
// the system at once.
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace pixel_memory {

// Under AddressSanitizer every block stays on the heap, where an overrun is
// caught at its end.
#if defined(__SANITIZE_ADDRESS__)
#define PIXEL_MEMORY_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIXEL_MEMORY_HEAP_ONLY 1
#endif
#endif
#ifdef PIXEL_MEMORY_HEAP_ONLY
constexpr size_t kMappedFrom = static_cast<size_t>(-1);
#else
constexpr size_t kMappedFrom = size_t(2) << 20;
#endif

void* AllocateMapped(size_t bytes);  // nullptr when the system has none
void FreeMapped(void* p, size_t bytes);

template <class T>
struct Allocator {
  using value_type = T;
  Allocator() = default;
  template <class U>
  Allocator(const Allocator<U>&) {}
  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    const size_t bytes = n * sizeof(T);
    if (bytes >= kMappedFrom) {
      if (void* p = AllocateMapped(bytes)) return static_cast<T*>(p);
      throw std::bad_alloc();
    }
    return static_cast<T*>(::operator new(bytes));
  }
  void deallocate(T* p, size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes >= kMappedFrom)
      FreeMapped(p, bytes);
    else
      ::operator delete(p);
  }
  template <class U>
  bool operator==(const Allocator<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const Allocator<U>&) const {
    return false;
  }
};

}  // namespace pixel_memory

using PixelBytes = std::vector<uint8_t, pixel_memory::Allocator<uint8_t>>;
