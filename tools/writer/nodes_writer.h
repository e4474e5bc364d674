#pragma once
// Records of the node particle blocks.
#include <cstdint>

#include "tools/writer/byte_builder.h"

namespace pw {

// The forces block of the point, sector and rectangle emitters: version;
// from version 2 the drag mode; gravity mode, gravity, drag (stored values).
ByteBuilder& WriteStandardForcesParams(ByteBuilder& b, int32_t version, int32_t gravityMode, uint32_t gravity,
                                       int32_t dragMode, uint32_t drag);

}  // namespace pw
