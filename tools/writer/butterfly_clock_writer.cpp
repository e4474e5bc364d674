#include "tools/writer/butterfly_clock_writer.h"

namespace pw {

ByteBuilder& WriteButterfly(ByteBuilder& b, const ButterflyRecord& r) {
  b.Header(u"DS_ButterflyConstructor", r.version);
  b.FileLink(r.bodyImageName, static_cast<uint64_t>(r.bodyImageId));
  b.FileLink(r.bodyMeshName, static_cast<uint64_t>(r.bodyMeshId));
  b.U32(r.percentages[0]).U32(r.percentages[1]);
  if (r.version >= 2) b.F32(r.wingScale);
  return Write3DObjCtrl(b, r.base);
}

ByteBuilder& WriteClock(ByteBuilder& b, const ClockRecord& r) {
  b.Header(u"DS_ClockConstructor", r.version);
  for (int32_t v : r.rect) b.I32(v);
  b.FileLink(r.handImageName, static_cast<uint64_t>(r.handImageId));
  return Write3DObjCtrl(b, r.base);
}

}  // namespace pw
