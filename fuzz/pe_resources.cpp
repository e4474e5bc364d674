// Reads arbitrary bytes as a module file's resource directory: every input
// ends in a list of resources inside the bytes or a clean refusal, never in
// a crash, hang or unbounded allocation.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  std::vector<PeResource> found;
  std::string error;
  if (!ReadPeResources(data, size, &found, &error)) return 0;
  // Every resource's bytes lie inside the input; touch them all.
  volatile uint8_t sum = 0;
  for (const PeResource& r : found)
    for (uint32_t i = 0; i < r.size; ++i) sum = static_cast<uint8_t>(sum + data[r.offset + i]);
  return 0;
}
