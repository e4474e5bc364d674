#include "tools/writer/explosion_writer.h"

namespace pw {

ByteBuilder& WriteExplosion(ByteBuilder& b, const ExplosionRecord& r) {
  b.Header(u"DS_ExplosionConstructor", r.version);
  b.U32(r.noise1).U32(r.noise2).U32(r.noise3);
  b.U32(r.driftDirection);
  b.U32(r.driftSpeed);
  if (r.version < 2)
    for (uint32_t v : r.legacy) b.U32(v);
  b.U32(r.seed);
  b.I32(r.randomEachTime);
  b.U32(r.secondColour);
  return WriteStatBaseFXCtrl(b, r.stat);
}

ExplosionRecord DefaultExplosion(float w, float h) {
  ExplosionRecord r;
  r.stat.x = w * 0.5f;
  r.stat.y = h * 0.5f;
  r.stat.fx.sprite.size = 250;
  r.stat.fx.sprite.view.viewSpeed = 100;
  r.stat.fx.sprite.colour = 0x00FFFFFF;
  return r;
}

}  // namespace pw
