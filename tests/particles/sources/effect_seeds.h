#pragma once
// One record per effect class and version, as written by the project writer
// (the fuzz seeds of the effects are these bytes).
#include <string>
#include <utility>
#include <vector>

#include "tools/writer/geometry_writer.h"
#include "tools/writer/node_effects_writer.h"
#include "tools/writer/sources_writer.h"
#include "tools/writer/values_writer.h"

namespace effect_seeds {

using Seed = std::pair<std::string, pw::ByteBuilder>;

inline pw::ByteBuilder LineGraph(float from, float to) {
  pw::ByteBuilder b;
  pw::WriteVGraphLine(b, {{0.0f, from}, {1.0f, to}});
  return b;
}

inline pw::ByteBuilder ConstGraph() {
  pw::ByteBuilder b;
  pw::WriteVGraphConst(b);
  return b;
}

inline pw::ByteBuilder LinearGradient() {
  pw::ByteBuilder b;
  pw::WriteVGradientLinear(b, {0, 0, 0}, {100, 0, 0}, 100, 0);
  return b;
}

inline std::vector<Seed> All() {
  std::vector<Seed> seeds;
  auto add = [&](std::string name, auto&& write) {
    pw::ByteBuilder b;
    write(b);
    seeds.emplace_back(std::move(name), std::move(b));
  };
  for (int32_t v = 1; v <= 3; ++v) {
    pw::EffectBaseRecord base;
    base.version = v;
    base.name = u"effect";
    base.timeSource = 1;
    add("bgtex_base_v" + std::to_string(v),
        [&](pw::ByteBuilder& b) { pw::WriteBareEffect(b, u"ZVI_PtclSysEffect_BgTex", base); });
  }
  add("align_v1", [](pw::ByteBuilder& b) { pw::WriteBareEffect(b, u"ZVI_PtclSysEffect_AlignToSource"); });
  add("nail_v1", [](pw::ByteBuilder& b) { pw::WriteBareEffect(b, u"ZVI_PtclSysEffect_NailToSource"); });
  add("orientation_v1", [](pw::ByteBuilder& b) { pw::WriteOrientationInMotion(b, 1); });
  add("gravitation_v1", [](pw::ByteBuilder& b) { pw::WriteForceGravitation(b, 270, 40); });
  add("drag_v1", [](pw::ByteBuilder& b) { pw::WriteForceDrag(b, 10); });
  add("motionlaw_v1", [](pw::ByteBuilder& b) {
    pw::ByteBuilder law;
    pw::WriteVectorLaw(law, 2, 90, 30, 100);
    pw::WriteMotionLawEffect(b, law);
  });
  for (int32_t v = 1; v <= 2; ++v) {
    pw::TimeFuncRecord r;
    r.version = v;
    r.randomPhase = 1;
    r.phase = 25;
    add("pulsation_tf" + std::to_string(v), [&](pw::ByteBuilder& b) { pw::WritePulsation(b, 2, r); });
    add("swinging_tf" + std::to_string(v), [&](pw::ByteBuilder& b) { pw::WriteSwinging(b, r); });
    add("vibration_v" + std::to_string(v), [&](pw::ByteBuilder& b) { pw::WriteVibration(b, v, 45, 1, r); });
    add("deformation_vib" + std::to_string(v), [&](pw::ByteBuilder& b) { pw::WriteDeformation(b, v, 30, r); });
  }
  add("stretch_v1", [](pw::ByteBuilder& b) { pw::WriteStretch(b, 30, 150, 50); });
  pw::ColorSourceRecord colours;
  colours.colours = {0x0000FF, 0x00FF00, 0xFF0000};
  add("colord_v1", [&](pw::ByteBuilder& b) { pw::WriteColorD(b, colours); });
  add("colorv_v1", [&](pw::ByteBuilder& b) { pw::WriteColorV(b, colours); });
  add("colorgradient_v1",
      [&](pw::ByteBuilder& b) { pw::WriteColorGradient(b, pw::ColorSourceRecord{1}, LinearGradient()); });
  add("scrolltex_v1", [](pw::ByteBuilder& b) { pw::WriteScrollTex(b, 100, 3); });
  add("anglebase_v1", [](pw::ByteBuilder& b) { pw::WriteAngleBase(b, 30, 10); });
  add("angledyn_v1", [](pw::ByteBuilder& b) { pw::WriteAngleDyn(b, LineGraph(0, 1), 2); });
  add("spin_v1", [](pw::ByteBuilder& b) { pw::WriteSpin(b, 90, 50, 2); });
  add("clocktime_v1", [](pw::ByteBuilder& b) { pw::WriteClockTime(b, 100, 0, 3, 15, 30); });
  add("clockhand_v1", [](pw::ByteBuilder& b) { pw::WriteClockHand(b, 1.0f / 60.0f); });
  for (int32_t v = 1; v <= 2; ++v) {
    pw::MultiplicatorRecord r;
    r.version = v;
    r.index = 4;
    r.kind = 1;
    r.weightX = 1.0f;
    r.weightY = 0.5f;
    add("graph_mul" + std::to_string(v),
        [&](pw::ByteBuilder& b) { pw::WriteGraphMultiplicator(b, LineGraph(1, 0), r); });
    add("gradient_mul" + std::to_string(v),
        [&](pw::ByteBuilder& b) { pw::WriteGradientMultiplicator(b, LinearGradient(), r); });
    pw::VariatorRecord var;
    var.version = v;
    var.jitter = 100;
    add("variator_v" + std::to_string(v), [&](pw::ByteBuilder& b) { pw::WriteVariatorMF(b, var, r); });
  }
  return seeds;
}

}  // namespace effect_seeds
