// The sample's classic systems, drawn with the built-in pack's pictures: the
// Dawn slide's fountain of soft dots rising from the lower left, the Forest
// slide's ground fog and the Voyage slide's vortex of sparks.
#include "tools/sample/sample_classic.h"

#include "tools/writer/imitters_writer.h"

namespace sample {

const ClassicFountain& DawnFountain() {
  static const ClassicFountain fountain{0, 200.0f, 400.0f};
  return fountain;
}

const ClassicFog& ForestFog() {
  static const ClassicFog fog{};
  return fog;
}

const ClassicVortex& VoyageVortex() {
  static const ClassicVortex vortex{};
  return vortex;
}

namespace {

void AddFog(Description& d) {
  const ClassicFog& f = ForestFog();
  if (f.slide >= d.slides.size()) return;
  d.slides[f.slide].objects.push_back([f](pw::ByteBuilder& b) {
    pw::SprayPresetRecord r;
    r.className = u"DS_PtclFog";
    pw::SprayRecord& spray = r.spray;
    spray.rate = 2000;  // x 0.01 for fog: 20 puffs per second
    pw::SplashRecord& s = spray.splash;
    s.area = {f.left, f.top, 0, f.left, f.bottom, 0, f.right, f.top, 0, f.right, f.bottom, 0};
    s.life = 800;
    s.velocityAngle = 0;
    s.velocitySpread = 180;  // drifting either way
    s.speed = 800;           // x 0.01 for fog: 8 pixels per second
    pw::ClassicBlockRecord& k = s.system.block;
    k.image.links = {{u"common_res.dll", 6003}};
    k.image.currentName = u"common_res.dll";
    k.image.currentId = 6003;
    k.particleSize = f.size;
    k.colours.colours = {0x00F0F0F0u};
    k.colours.transparency = 0;  // thick enough to read as fog
    k.alphaFadeIn = 30;
    k.alphaFadeOut = 60;
    k.sizeVariation = 40;
    s.system.base.name = u"Forest fog";
    pw::WriteSprayPreset(b, r);
  });
}

void AddVortex(Description& d) {
  const ClassicVortex& v = VoyageVortex();
  if (v.slide >= d.slides.size()) return;
  d.slides[v.slide].objects.push_back([v](pw::ByteBuilder& b) {
    pw::VortexRecord r;
    r.rate = 600;  // 120 sparks per second
    r.source[0] = v.x;
    r.source[1] = v.y;
    r.speed = 50;    // x 2: 100 pixels per second outwards
    r.twist = 100;   // one radian per second about the centre
    r.arms = 5;
    r.spread = 20;
    r.rotationSpeed = 10;  // arms turning at 20 degrees per second
    r.range = static_cast<uint32_t>(v.range);
    pw::ClassicBlockRecord& k = r.system.block;
    k.image.links = {{u"common_res.dll", 6001}};
    k.image.currentName = u"common_res.dll";
    k.image.currentId = 6001;
    k.particleSize = v.size;
    k.colours.colours = {0x0040E0FFu, 0x000030FFu};  // warm yellow to red over the life
    k.colours.colourMode = 1;
    k.blendMode = 1;
    r.system.base.name = u"Voyage vortex";
    pw::WriteVortex(b, r);
  });
}

}  // namespace

void AddClassicSystems(Description& d) {
  AddFog(d);
  AddVortex(d);
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
