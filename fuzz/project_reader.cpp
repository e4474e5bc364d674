// Reads arbitrary bytes as a project held in memory: every input must end in
// a document or in the reader's own error, never in a crash, hang or
// unbounded allocation.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/ds_error.h"
#include "fuzz/fuzz_physics.h"
#include "player/app/register_all.h"
#include "player/doc_res_manager.h"
#include "player/project_reader.h"
#include "player/slide_show.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RegisterEverything();
  fuzz::RegisterFuzzPhysics();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    std::unique_ptr<DS_SlideShow_Light> show(ReadProjectMemory(data, static_cast<uint32_t>(size)));
  } catch (const DS_Error&) {
  }
  DestroyCurrentDocResManager();
  return 0;
}
