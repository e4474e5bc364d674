#include "tools/writer/smoke_rays_writer.h"

namespace pw {

ByteBuilder& WriteSmoke(ByteBuilder& b, const SmokeRecord& r) {
  b.Header(u"DS_Smoke", 1);
  b.U32(r.wind);
  return WriteOriginGenerator(b, r.origin);
}

ByteBuilder& WriteRadialRays(ByteBuilder& b, const RadialRaysRecord& r) {
  b.Header(u"DS_RadialRays", 1);
  b.U32(r.length).U32(r.width).U32(r.count).I32(r.imageIndex).I32(r.randomRays).U32(r.seed);
  b.U32(r.lengthVariation).U32(r.turnSpeed).I32(r.turnMode).U32(r.fadeDepth).U32(r.swingAmplitude);
  return WriteStaticGenerator(b, r.base);
}

}  // namespace pw
