#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/d3d9/pixel_memory.h"

namespace {

bool Mapped(const void* p) {
  std::ifstream maps("/proc/self/maps");
  const auto a = reinterpret_cast<uintptr_t>(p);
  std::string line;
  while (std::getline(maps, line)) {
    uintptr_t lo = 0, hi = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx", &lo, &hi) == 2 && a >= lo && a < hi) return true;
  }
  return false;
}

// Large blocks are mapped apart on a huge-page boundary, keep their bytes
// through copies and moves, and go back to the system when freed; small ones
// come from the heap as before.
TEST(PixelMemory, LargeBlocksAreAlignedKeptAndGivenBack) {
  if (pixel_memory::kMappedFrom == static_cast<size_t>(-1)) GTEST_SKIP() << "sanitizer build: every block on the heap";
  const uintptr_t huge = uintptr_t(2) << 20;
  for (size_t bytes : {pixel_memory::kMappedFrom, pixel_memory::kMappedFrom * 3 / 2 + 1, size_t(9) << 20}) {
    const void* address = nullptr;
    {
      PixelBytes a(bytes, 7);
      address = a.data();
      EXPECT_EQ(reinterpret_cast<uintptr_t>(address) % huge, 0u) << bytes;
      a.back() = 9;
      PixelBytes b = a;
      EXPECT_EQ(b.size(), bytes);
      EXPECT_EQ(b.front(), 7);
      EXPECT_EQ(b.back(), 9);
      PixelBytes c = std::move(b);
      EXPECT_EQ(c.data()[bytes / 2], 7);
      EXPECT_TRUE(Mapped(address));
    }
    EXPECT_FALSE(Mapped(address)) << bytes;
  }
  PixelBytes small(1000, 3);
  small.resize(pixel_memory::kMappedFrom + 5, 4);  // grows from the heap into a mapped block
  EXPECT_EQ(small[999], 3);
  EXPECT_EQ(small[1000], 4);
  small.assign(16, 1);
  small.shrink_to_fit();
  EXPECT_EQ(small.size(), 16u);
}

TEST(PixelMemory, ABlockBeyondTheAddressSpaceIsRefused) {
  if (pixel_memory::kMappedFrom == static_cast<size_t>(-1)) GTEST_SKIP() << "sanitizer build: the sanitizer's allocator answers";
  pixel_memory::Allocator<uint8_t> allocator;
  EXPECT_THROW(allocator.allocate(static_cast<size_t>(-1) - 4096), std::bad_alloc);
  EXPECT_THROW(pixel_memory::Allocator<uint32_t>().allocate(static_cast<size_t>(-1) / 2), std::bad_alloc);
}

}  // namespace
