#include "tools/writer/lightning_writer.h"

namespace pw {

ByteBuilder& WriteStringGenerator(ByteBuilder& b, const StringGeneratorRecord& r) {
  b.Header(u"DS_StringGenerator", 1);
  for (float v : r.start) b.F32(v);
  for (float v : r.end) b.F32(v);
  return WriteTexGenerator(b, r.tex);
}

ByteBuilder& WriteLightning(ByteBuilder& b, const LightningRecord& r) {
  b.Header(u"DS_LightningGN", r.version);
  b.U32(r.coreWidth).U32(r.detail).U32(r.jitter).U32(r.seed).U32(r.branchLength).U32(r.branchAngle).U32(r.taper);
  for (uint32_t v : r.branches) b.U32(v);
  if (r.version < 2)
    for (uint32_t v : r.legacy) b.U32(v);
  b.U32(r.flicker).U32(r.glowWidth).I32(r.newShapeEachTime);
  return WriteStringGenerator(b, r.base);
}

}  // namespace pw
