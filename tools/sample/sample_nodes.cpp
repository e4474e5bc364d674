// The node-tree slide: root point -> picture node (glow on) fed by a grid of
// fixed spots on a band about the root; the dot is a small stored picture.
// Above them a comet draws an orange band behind it.
// Below them a collapsed group travelling a curve carries a ribbon, and a
// picture of four coloured quarters bursts into fragments.
#include "tools/sample/sample_nodes.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/writer/geometry_writer.h"
#include "tools/writer/nodes_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/sources_writer.h"
#include "tools/writer/values_writer.h"

namespace sample {

const NodeGlowSlide& LanternSlide() {
  static const NodeGlowSlide slide{};
  return slide;
}

const NodeRibbon& LanternRibbon() {
  static const NodeRibbon ribbon{};
  return ribbon;
}

const NodeComet& LanternComet() {
  static const NodeComet comet{};
  return comet;
}

const NodeExplosion& LanternExplosion() {
  static const NodeExplosion explosion{};
  return explosion;
}

// Deep blue dusk, a little lighter towards the bottom.
Rgb LanternColour(float x, float y, float w, float h) {
  const float u = x / w, v = y / h;
  return {20.0f + 20.0f * u, 24.0f + 16.0f * v, 60.0f + 40.0f * v};
}

namespace {

constexpr char16_t kDotName[] = u"lantern_dot.png";
constexpr char16_t kRibbonName[] = u"lantern_ribbon.png";
constexpr char16_t kBoxName[] = u"lantern_box.png";

std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgba) {
  return EncodeRgbaPicture(static_cast<uint32_t>(w), static_cast<uint32_t>(h), rgba);
}

// A white band picture, opaque across its middle and soft towards both sides
// (bands map u across their width), so ribbons and trails have no hard edge.
std::vector<uint8_t> SoftBandPicture() {
  constexpr int n = 32;
  std::vector<uint8_t> rgba(n * n * 4, 255);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float d = std::fabs((x + 0.5f) / n - 0.5f) * 2.0f;  // 0 centre, 1 side
      const float t = std::fmin(1.0f, std::fmax(0.0f, (1.0f - d) / 0.45f));
      rgba[(y * n + x) * 4 + 3] = static_cast<uint8_t>(std::lround(255.0f * t * t * (3.0f - 2.0f * t)));
    }
  return EncodePng(n, n, rgba);
}

// A 16 x 16 white disc, opaque to 5 px from the centre, soft to 8 px.
std::vector<uint8_t> DotPicture() {
  constexpr int n = 16;
  std::vector<uint8_t> rgba(n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float dx = x + 0.5f - n * 0.5f, dy = y + 0.5f - n * 0.5f;
      const float r = std::sqrt(dx * dx + dy * dy);
      const float a = r <= 5.0f ? 1.0f : (r >= 8.0f ? 0.0f : (8.0f - r) / 3.0f);
      uint8_t* p = &rgba[(y * n + x) * 4];
      p[0] = p[1] = p[2] = 255;
      p[3] = static_cast<uint8_t>(std::lround(255.0f * a));
    }
  return EncodePng(n, n, rgba);
}

// The comet: a trace node (trail physics, one particle on a straight track
// relative to the root) holding a picture node that draws the head.
pw::ByteBuilder CometNode(const NodeGlowSlide& s) {
  const NodeComet& c = LanternComet();
  pw::ByteBuilder track;
  pw::WriteVGeom2DPolyline(track, {pw::NodeRecord{{c.startX - s.rootX, c.y - s.rootY, 0}},
                                   pw::NodeRecord{{c.endX - s.rootX, c.y - s.rootY, 0}}});
  pw::TrackRecord run;
  run.speed = c.speed;
  run.pingPong = 0;
  run.depth = 0;

  pw::TextureSourceRecord dot;
  dot.block.links = {{kDotName, 0}};
  dot.block.currentName = kDotName;
  pw::ByteBuilder dotSource;
  pw::WriteTextureSource(dotSource, dot);
  pw::PictureRecord head;
  pw::WriteAlerterTextureSource(head.texture, dotSource, 100, 0);
  head.particleSize = c.headSize;
  pw::WriteConstPntGroup(head.physics, 1);
  head.base.name = u"Comet head";

  pw::TextureSourceRecord white;
  white.block.links = {{kRibbonName, 0}};
  white.block.currentName = kRibbonName;
  pw::ByteBuilder bandSource;
  pw::WriteTextureSource(bandSource, white);
  pw::TraceRecord trace;
  // The trail's points fade over their life, so the tail thins out behind the head.
  trace.trails.Header(u"ZVI_PtclSysPhys_TraceLine", 1);
  pw::WriteConstJitterGraph(trace.trails, c.trailLife, 0);
  pw::WriteConstJitterGraph(trace.trails, c.bandWidth, 0);
  pw::ByteBuilder fade;
  pw::WriteVGraphLine(fade, {{0.0f, 1.0f}, {1.0f, 0.0f}});
  pw::WriteJitterGraphParam(trace.trails, fade, 100, 0);
  pw::WriteStripesTail(trace.trails);
  trace.colour = c.colour;
  pw::WriteAlerterTextureSource(trace.picture.texture, bandSource, 100, 0);
  pw::WriteTrack(trace.picture.physics, 2, track, run);
  trace.picture.base.name = u"Comet";
  trace.picture.base.children.emplace_back();
  pw::WritePictureNode(trace.picture.base.children.back(), head);
  pw::ByteBuilder node;
  pw::WriteTraceNode(node, trace);
  return node;
}

// Four opaque quarters in the explosion's colours.
std::vector<uint8_t> BoxPicture() {
  constexpr int n = 32;
  const NodeExplosion& e = LanternExplosion();
  std::vector<uint8_t> rgba(n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const Rgb& c = e.quarters[(y >= n / 2 ? 2 : 0) + (x >= n / 2 ? 1 : 0)];
      uint8_t* p = &rgba[(y * n + x) * 4];
      p[0] = static_cast<uint8_t>(c.r);
      p[1] = static_cast<uint8_t>(c.g);
      p[2] = static_cast<uint8_t>(c.b);
      // A soft rim, so the whole picture and its fragments have no hard edge.
      const float edge = std::fmin(std::fmin(x + 0.5f, n - x - 0.5f), std::fmin(y + 0.5f, n - y - 0.5f));
      p[3] = static_cast<uint8_t>(std::lround(255.0f * std::fmin(1.0f, edge / 3.0f)));
    }
  return EncodePng(n, n, rgba);
}

void WriteExplosion(pw::ByteBuilder& b) {
  const NodeExplosion& e = LanternExplosion();
  pw::TextureSourceRecord box;
  box.block.links = {{kBoxName, 0}};
  box.block.currentName = kBoxName;
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, box);
  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.particleSize = e.size;
  pw::ExplodingPicRecord burst;
  burst.wholeMin = burst.wholeMax = e.wholeFor;
  pw::WriteExplodingPic(picture.physics, burst);
  picture.base.name = u"Exploding box";
  pw::NodeBaseRecord root;
  root.name = u"Root";
  root.children.emplace_back();
  pw::WriteExplodeNode(root.children.back(), picture);
  pw::RootRecord at;
  at.position = {e.x, e.y, 0.0f};
  pw::ByteBuilder rootPoint;
  pw::WriteRootPnt(rootPoint, 3, at);
  pw::NodeSystemRecord system;
  pw::WriteRootNode(system.root, rootPoint, root);
  system.object.name = u"Exploding box";
  pw::WriteNodeSystemBuilder(b, system);
}

void WriteLanterns(pw::ByteBuilder& b) {
  const NodeGlowSlide& s = LanternSlide();
  pw::TextureSourceRecord dot;
  dot.block.links = {{kDotName, 0}};
  dot.block.currentName = kDotName;
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, dot);

  // The spots lie on a band centred on the root (the picture node places its
  // particles relative to their parent).
  pw::ByteBuilder band;
  pw::WriteVGeom2DRect(band, s.bandWidth, s.bandHeight);
  pw::SpotsRecord spots;
  spots.rows = 1;
  spots.columns = s.columns;
  spots.lifetime = 20;  // two seconds a cycle

  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.particleSize = s.dotSize;
  picture.glow.enabled = 1;
  picture.glow.colour = s.glowColour;
  picture.glow.quality = 75;  // a quarter-size target: a wide, soft halo
  picture.glow.blurPasses = 2;
  pw::WriteFixedSpots(picture.physics, 2, spots, band);
  picture.base.name = u"Lanterns";

  pw::NodeBaseRecord root;
  root.name = u"Root";
  root.children.emplace_back();
  pw::WritePictureNode(root.children.back(), picture);
  root.children.push_back(CometNode(s));
  pw::RootRecord at;
  at.position = {s.rootX, s.rootY, 0.0f};
  pw::ByteBuilder rootPoint;
  pw::WriteRootPnt(rootPoint, 3, at);
  pw::NodeSystemRecord system;
  pw::WriteRootNode(system.root, rootPoint, root);
  system.object.name = u"Lanterns";
  pw::WriteNodeSystemBuilder(b, system);
}

// A collapsed group on a straight curve; its member's line node draws a
// ribbon from the member's root point, which the group moves.
void WriteRibbonGroup(pw::ByteBuilder& b) {
  const NodeRibbon& r = LanternRibbon();
  pw::TextureSourceRecord white;
  white.block.links = {{kRibbonName, 0}};
  white.block.currentName = kRibbonName;
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, white);
  pw::LineNodeRecord line;
  line.segments[0].length = r.length;
  line.segments[0].width = r.width;
  pw::WriteAlerterTextureSource(line.picture.texture, source, 100, 0);
  line.picture.tintColour = r.tint;
  pw::WriteConstPntGroup(line.picture.physics, 1);
  pw::NodeBaseRecord root;
  root.children.emplace_back();
  pw::WriteLineNode(root.children.back(), line);
  pw::RootRecord at;
  at.position = {r.curveStart[0], r.curveStart[1], 0.0f};
  pw::ByteBuilder rootPoint;
  pw::WriteRootPnt(rootPoint, 3, at);
  pw::NodeSystemRecord system;
  pw::WriteRootNode(system.root, rootPoint, root);
  system.object.name = u"Ribbon";
  pw::ByteBuilder member;
  pw::WriteNodeSystemBuilder(member, system);

  pw::GroupNodeRecord node;
  node.offset[0] = r.curveStart[0];
  node.offset[1] = r.curveStart[1];
  pw::WriteVGeom2DPolyline(node.curve, {pw::NodeRecord{{r.curveStart[0], r.curveStart[1], 0}},
                                        pw::NodeRecord{{r.curveEnd[0], r.curveEnd[1], 0}}});
  node.mode = 1;
  node.pathPosition = r.pathPosition;
  pw::WriteRootPnt(node.rootPhysics, 3, at);
  pw::GroupRecord group;
  group.expanded = 0;
  pw::WriteGroupNode(group.node, node);
  group.members.push_back(member);
  group.object.name = u"Ribbon group";
  pw::WriteGroup(b, group);
}

}  // namespace

void AddNodeSlides(Description& d) {
  const NodeGlowSlide& s = LanternSlide();
  Slide slide;
  slide.name = s.name;
  slide.picture = {u"lanterns.png", s.width, s.height, LanternColour};
  slide.fadeIn = 0.5f;
  slide.show = 2.0f;
  slide.fadeOut = 0.5f;
  slide.objects.push_back(WriteLanterns);
  slide.objects.push_back(WriteRibbonGroup);
  slide.objects.push_back(WriteExplosion);
  d.slides.push_back(slide);
  d.storedRawFrames.push_back({kDotName, 0, {{1, DotPicture(), 0.0f}}});
  d.storedRawFrames.push_back({kRibbonName, 0, {{1, SoftBandPicture(), 0.0f}}});
  d.storedRawFrames.push_back({kBoxName, 0, {{1, BoxPicture(), 0.0f}}});
}

}  // namespace sample
