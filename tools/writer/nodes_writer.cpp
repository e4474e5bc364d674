#include "tools/writer/nodes_writer.h"

namespace pw {

ByteBuilder& WriteStandardForcesParams(ByteBuilder& b, int32_t version, int32_t gravityMode, uint32_t gravity,
                                       int32_t dragMode, uint32_t drag) {
  b.I32(version);
  if (version >= 2) b.I32(dragMode);
  return b.I32(gravityMode).U32(gravity).U32(drag);
}

}  // namespace pw
