// The sample's starfield and fireflies (Night) and light rays (Forest), drawn
// with the built-in pack's dot (6001), ray profile (6004) and firefly (6005).
#include "tools/sample/sample_night_forest.h"

#include "tools/writer/imitters_writer.h"

namespace sample {

const NightStarfield& TheNightStarfield() {
  static const NightStarfield s{};
  return s;
}

const NightFireflies& TheNightFireflies() {
  static const NightFireflies f{};
  return f;
}

const ForestRays& TheForestRays() {
  static const ForestRays r{};
  return r;
}

namespace {

void UsePicture(pw::ClassicBlockRecord& k, int64_t id) {
  k.image.links = {{u"common_res.dll", id}};
  k.image.currentName = u"common_res.dll";
  k.image.currentId = id;
}

void AddStarfield(Description& d) {
  const NightStarfield& s = TheNightStarfield();
  if (s.slide >= d.slides.size()) return;
  d.slides[s.slide].objects.push_back([s](pw::ByteBuilder& b) {
    pw::ThroughSpaceRecord r;
    r.rate = 200;  // 40 stars per second of motion
    r.area = {s.left, s.top, 0, s.left, s.bottom, 0, s.right, s.top, 0, s.right, s.bottom, 0};
    r.rotationSpeed = 1;  // 0.4 degrees per second
    r.centre[0] = s.cx;
    r.centre[1] = s.cy;
    r.motionSpeed = 100;
    pw::ClassicBlockRecord& k = r.system.block;
    UsePicture(k, 6001);
    k.particleSize = s.size;
    k.colours.colours = {0x00FFF8F0u};
    k.blendMode = 1;
    k.alphaFadeIn = 10;    // out of the dark
    k.alphaFadeOut = 50;   // gone before they grow large
    r.system.base.name = u"Night starfield";
    pw::WriteThroughSpace(b, r);
  });
}

void AddFireflies(Description& d) {
  const NightFireflies& f = TheNightFireflies();
  if (f.slide >= d.slides.size()) return;
  d.slides[f.slide].objects.push_back([f](pw::ByteBuilder& b) {
    pw::FireflyRecord r;
    pw::TracerRecord& t = r.tracer;
    UsePicture(t.block, 6001);
    t.block.particleSize = 6;
    t.block.colours.colours = {0x0060FFB0u};
    t.block.blendMode = 1;
    t.block.alphaFadeOut = 0;  // fading over the whole trail
    t.rate = 100;        // 20 sparks per second per firefly
    t.life = 80;         // 0.8 s
    t.circleSize = 100;  // born within the firefly
    t.drift = 0;         // drawn back to the firefly's point
    pw::BrownianRecord& w = r.brownian;
    w.count = f.count;
    w.speed = 10;          // 30 to 40 pixels per second
    w.changeRate = 45;     // a new heading about once a second
    w.responseTime = 24;   // turning in half a second
    w.area = {f.left, f.top, 0, f.left, f.bottom, 0, f.right, f.top, 0, f.right, f.bottom, 0};
    pw::ClassicBlockRecord& k = w.system.block;
    UsePicture(k, 6005);
    k.particleSize = f.size;
    k.colours.colours = {0x00FFFFFFu};
    k.blendMode = 1;
    w.system.base.name = u"Night fireflies";
    pw::WriteFirefly(b, r);
  });
}

void AddRays(Description& d) {
  const ForestRays& f = TheForestRays();
  if (f.slide >= d.slides.size()) return;
  d.slides[f.slide].objects.push_back([f](pw::ByteBuilder& b) {
    pw::RayOfLightRecord r;
    r.edges = f.edges;
    r.rayCount = f.count;
    r.life = 60, r.lifeJitter = 30;    // 4.2 to 6 s
    r.width = 40, r.widthJitter = 40;  // 24 to 40 pixels at the top
    r.drift = 100, r.driftJitter = 50;
    r.endWidth = 20;  // twice as wide at the bottom
    r.fadeIn = 20, r.fadeOut = 30, r.edgeFade = 40;
    pw::ClassicBlockRecord& k = r.system.block;
    UsePicture(k, 6004);
    k.colours.colours = {0x00C8F0FFu};  // pale yellow
    k.colours.transparency = 70;
    k.blendMode = 1;
    r.system.base.name = u"Forest rays";
    pw::WriteRayOfLight(b, r);
  });
}

}  // namespace

void AddNightAndForestSystems(Description& d) {
  AddStarfield(d);
  AddFireflies(d);
  AddRays(d);
}

}  // namespace sample
