#pragma once
// How far each slide's objects of the sample reach, in picture pixels of the
// slide's own picture: boxes drawn round where the description puts each
// object, widened by how far it moves, sways or glows. Outside them a frame
// shows the slide's plain picture. Full-screen effects and objects that
// cover the picture reach the whole picture (the letterbox borders stay).
#include <algorithm>
#include <string>
#include <vector>

#include "tools/sample/sample_classic.h"
#include "tools/sample/sample_generators.h"
#include "tools/sample/sample_night_forest.h"
#include "tools/sample/sample_nodes.h"
#include "tools/sample/sample_objects.h"
#include "tools/sample/sample_scene.h"
#include "tools/sample/sample_sky.h"
#include "tools/sample/sample_texts.h"
#include "tools/sample/sample_trace_systems.h"
#include "tools/sample/sample_trees.h"
#include "tools/writer/sources_writer.h"

namespace reach {

struct Box {
  float left, top, right, bottom;
};

struct SlideReach {
  std::u16string slide;
  bool whole = false;  // the whole picture
  std::vector<Box> boxes;
};

inline Box Around(float x, float y, float rx, float ry) { return {x - rx, y - ry, x + rx, y + ry}; }
inline Box Widened(float left, float top, float right, float bottom, float by) {
  return {left - by, top - by, right + by, bottom + by};
}

inline const std::vector<SlideReach>& Table() {
  static const std::vector<SlideReach> table = [] {
    using namespace sample;
    std::vector<SlideReach> t;

    {  // A fountain rising `range` within its spread, sparkles turning about
       // their dabs, the title's four glyphs from (380, 24) with their glow.
      const ClassicFountain& f = DawnFountain();
      SlideReach r{u"Dawn", false,
                   {{f.x - 0.35f * f.range - f.size, f.y - f.range - f.size, f.x + 0.35f * f.range + f.size,
                     f.y + f.size},
                    {370.0f, 14.0f, 530.0f, 62.0f}}};
      for (const auto& p : kSparkles) r.boxes.push_back(Around(p[0], p[1], 70.0f, 70.0f));
      t.push_back(r);
    }
    {  // Fog drifting a life long about its band, rays between their edges,
       // the plant swaying its width's share.
      const ClassicFog& fog = ForestFog();
      const auto& e = TheForestRays().edges;
      const float raysLeft = std::min({e[0], e[3], e[6], e[9]}), raysRight = std::max({e[0], e[3], e[6], e[9]});
      t.push_back({u"Forest", false,
                   {Widened(fog.left, fog.top, fog.right, fog.bottom, 64.0f + fog.size),
                    {raysLeft - 20.0f, 0.0f, raysRight + 20.0f, 640.0f},
                    Widened(kPlantRect[0], kPlantRect[1], kPlantRect[2], kPlantRect[3], 30.0f)}});
    }
    {  // The vortex's arms within their range, sparks along the horizon path.
      const ClassicVortex& v = VoyageVortex();
      const VoyageHorizonPath& h = TheVoyageHorizonPath();
      const float wobble = h.wobbleWidth + h.size + 10.0f;
      t.push_back({u"Voyage", false,
                   {Around(v.x, v.y, v.range + v.size + 20.0f, v.range + v.size + 20.0f),
                    {h.left - 20.0f, h.y - wobble, h.right + 20.0f, h.y + wobble}}});
    }
    {  // The sky: falling stars drifting left and down, the firework, the
       // aurora's curtain with its waves, twinkling stars and the starfield
       // flying out from its centre; fireflies wandering about their box.
      // The firework's sparks fly a cycle long (1.6 s at 96 pixels a second)
      // from its origin, trailing widening glows.
      const NightFireflies& f = TheNightFireflies();
      t.push_back({u"Night", false,
                   {{-100.0f, -100.0f, 400.0f, kAuroraY + kAuroraHeight + 45.0f},
                    Around(kFireworkOrigin[0], kFireworkOrigin[1], 240.0f, 240.0f),
                    Widened(f.left, f.top, f.right, f.bottom, 50.0f)}});
    }
    {  // Drops and twinkles on the pane.
      const RainWindow& w = TheRainWindow();
      t.push_back({u"Rain", false, {Widened(w.left, w.top, w.right, w.bottom, static_cast<float>(w.dropSize))}});
    }
    // The arc jitters about its line; its glow sprites are 40 pixels.
    t.push_back({u"Storm", false,
                 {{std::min(kArcStart[0], kArcEnd[0]) - 60.0f, std::min(kArcStart[1], kArcEnd[1]) - 60.0f,
                   std::max(kArcStart[0], kArcEnd[0]) + 60.0f, std::max(kArcStart[1], kArcEnd[1]) + 60.0f}}});
    // Rain over the view, grass along its bottom, fish, a leaf.
    t.push_back({u"Garden", true, {}});
    {  // Leaves flying a life long from the root, the pulsing row below it,
       // sparks fanning up to the right from the stream at the upper left.
      const TreeGrove& g = Grove();
      const float leaves = g.speed * g.life + g.leafSize + 12.0f;
      const float rowHalf = (g.cells - 1) * g.cellStep * 0.5f + g.cellSize;
      const float sx = g.x + g.streamX, sy = g.y + g.streamY, sparks = g.sparkSpeed * g.sparkLife + 30.0f;
      t.push_back({u"Grove", false,
                   {Around(g.x, g.y, leaves, leaves), Around(g.x, g.y + g.rowBelow, rowHalf, g.cellSize),
                    {sx - 30.0f, sy - sparks, sx + 40.0f + sparks, sy + 30.0f}}});
    }
    {  // Glowing dots across their band, the ribbon group along its curve,
       // the comet's track and trail, the box and its fragments (the burst's
       // defaults: at most speed x 10 pixels a second for lifetime / 100 s).
      const pw::ExplodingPicRecord burst;
      const float fragments = burst.speed * 10.0f * burst.lifetime * 0.01f;
      const NodeGlowSlide& s = LanternSlide();
      const NodeRibbon& r = LanternRibbon();
      const NodeComet& c = LanternComet();
      const NodeExplosion& e = LanternExplosion();
      t.push_back({u"Lanterns", false,
                   {Around(s.rootX, s.rootY, s.bandWidth * 0.5f + s.dotSize, s.bandHeight * 0.5f + s.dotSize),
                    {r.curveStart[0] - 20.0f, r.Y() - r.width - 10.0f, r.curveEnd[0] + r.length + 20.0f,
                     r.Y() + r.width + 10.0f},
                    {c.startX - c.headSize - c.bandWidth, c.y - c.headSize, c.endX + c.headSize, c.y + c.headSize},
                    Around(e.x, e.y, fragments + e.size, fragments + e.size)}});
    }
    // The ribbon's path and the tile turning about its centre.
    t.push_back({u"Lines", false,
                 {{kRibbonFrom - 10.0f, kRibbonY - kRibbonWidth, kRibbonTo + 10.0f, kRibbonY + kRibbonWidth},
                  Around(kTileCentre[0], kTileCentre[1], 100.0f, 100.0f)}});
    // A colour shift of the whole picture under a light wave.
    t.push_back({u"Glow", true, {}});
    // Rays turning about the sun, smoke rising and drifting from the chimney.
    t.push_back({u"Sunrise", false,
                 {Around(kSunCentre[0], kSunCentre[1], 360.0f, 360.0f),
                  {kChimney[0] - 60.0f, 0.0f, kChimney[0] + 280.0f, kChimney[1] + 60.0f}}});
    // The bolt with its branches and glow, the blast at its size.
    t.push_back({u"Thunder", false,
                 {{std::min(kBoltStart[0], kBoltEnd[0]) - 100.0f, kBoltStart[1] - 30.0f,
                   std::max(kBoltStart[0], kBoltEnd[0]) + 100.0f, kBoltEnd[1] + 30.0f},
                  Around(kBlast[0], kBlast[1], kBlastSize * 0.5f + 20.0f, kBlastSize * 0.5f + 20.0f)}});
    // Rings and a caustic net over the whole picture.
    t.push_back({u"Pool", true, {}});
    {  // The label: 17 x 7 cells of 8 pixels about (460, 320); the clock's
       // face; the butterfly's view widened by how far it flies out and by
       // its wings.
      const float* v = kButterflyView;
      const float clock = static_cast<float>(kClockSize) / 2.0f + 2.0f;
      t.push_back({u"Texts", false,
                   {Around(460.0f, 320.0f, 76.0f, 36.0f), Around(kClockCentre[0], kClockCentre[1], clock, clock),
                    Widened(v[0] * 920.0f, v[2] * 430.0f, v[1] * 920.0f, v[3] * 430.0f,
                            kButterflyOvershoot + kButterflyExtent)}});
    }
    return t;
  }();
  return table;
}

inline const SlideReach* Find(const std::u16string& slide) {
  for (const SlideReach& r : Table())
    if (r.slide == slide) return &r;
  return nullptr;
}

}  // namespace reach
