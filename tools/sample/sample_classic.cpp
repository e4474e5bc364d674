// The Dawn slide's fountain: soft dots of the built-in pack, added to the
// picture, rising from the lower left.
#include "tools/sample/sample_classic.h"

#include "tools/writer/imitters_writer.h"

namespace sample {

const ClassicFountain& DawnFountain() {
  static const ClassicFountain fountain{0, 200.0f, 400.0f};
  return fountain;
}

void AddClassicSystems(Description& d) {
  const ClassicFountain& f = DawnFountain();
  if (f.slide >= d.slides.size()) return;
  d.slides[f.slide].objects.push_back([f](pw::ByteBuilder& b) {
    pw::FountainRecord r;
    r.rate = 200;  // 40 dots per second
    pw::BurstRecord& burst = r.burst;
    burst.source[0] = f.x;
    burst.source[1] = f.y;
    burst.speed = static_cast<uint32_t>(f.speed / 4.0f);
    burst.range = static_cast<uint32_t>(f.range);
    burst.angle = f.angle;
    burst.spread = f.spread;
    pw::ClassicBlockRecord& k = burst.system.block;
    k.image.links = {{u"common_res.dll", 6001}};
    k.image.currentName = u"common_res.dll";
    k.image.currentId = 6001;
    k.particleSize = f.size;
    k.colours.colours = {0x00FFFFFFu};
    k.blendMode = 1;       // added: the plume brightens the picture
    k.alphaFadeOut = 60;   // fading out over the last part of the rise
    k.sizeVariation = 30;
    burst.system.base.name = u"Dawn fountain";
    pw::WriteFountain(b, r);
  });
}

}  // namespace sample
