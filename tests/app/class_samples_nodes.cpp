// Node-particle records (nodes, physics, node effects, emitter geometry,
// tree nodes) and the node and tree systems that hold them.
#include "tests/app/class_samples.h"

#include "tests/particles/sources/effect_seeds.h"
#include "tests/particles/sources/source_seeds.h"
#include "tests/particles/sources/stripe_seeds.h"
#include "tools/writer/geometry_emitters_writer.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/nodes_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/sources_writer.h"
#include "tools/writer/tree_writer.h"

namespace class_samples {

namespace {

using B = pw::ByteBuilder;

template <class Write>
B Make(Write write) {
  B b;
  write(b);
  return b;
}

B Texture() {
  const B source = Make([](B& b) { pw::WriteTextureSource(b, {}); });
  return Make([&](B& b) { pw::WriteAlerterTextureSource(b, source, 100, 0); });
}

pw::PictureRecord Picture() {
  pw::PictureRecord p;
  p.texture = Texture();
  p.physics = Make([](B& b) { pw::WriteConstPntGroup(b, 1); });
  return p;
}

pw::TreeLeafRecord Leaf() {
  pw::TreeLeafRecord leaf;
  leaf.texture = Texture();
  leaf.node.geometry = Make([](B& b) { pw::WriteGeomPoint(b, {}); });
  return leaf;
}

B Root() {
  const B physics = Make([](B& b) { pw::WriteRootPnt(b, 2, {}); });
  return Make([&](B& b) { pw::WriteRootNode(b, physics, {}); });
}

}  // namespace

void AppendNodeSamples(std::vector<Sample>& out) {
  const Family item = Family::kNodeItems;
  for (auto& seed : source_seeds::All()) out.push_back({item, std::move(seed.second)});
  for (auto& seed : effect_seeds::All()) out.push_back({item, std::move(seed.second)});
  for (auto& seed : stripe_seeds::All()) out.push_back({item, std::move(seed.second)});

  const B emitter = Make([](B& b) { pw::WriteEmitterNode(b, Make([](B& p) { pw::WriteConstPntGroup(p, 1); }), {}); });
  out.push_back({item, Root()});
  out.push_back({item, emitter});
  out.push_back({item, Make([&](B& b) { pw::WriteTrackNode(b, emitter); })});
  out.push_back({item, Make([&](B& b) { pw::WriteBlankNode(b, emitter); })});
  out.push_back({item, Make([](B& b) { pw::WritePictureNode(b, Picture()); })});
  out.push_back({item, Make([](B& b) {
                   pw::TraceRecord t;
                   t.trails = Make([](B& p) { pw::WriteTraceLine(p); });
                   t.picture = Picture();
                   pw::WriteTraceNode(b, t);
                 })});
  out.push_back({item, Make([](B& b) {
                   pw::LineNodeRecord line;
                   line.picture = Picture();
                   pw::WriteLineNode(b, line);
                 })});
  out.push_back({item, Make([](B& b) { pw::WriteExplodeNode(b, Picture()); })});
  out.push_back({item, Make([](B& b) { pw::WriteTextNode(b, Picture()); })});
  const B curves[3] = {Make([](B& b) { pw::WriteFractalCurv(b, 2, 5); }),
                       Make([](B& b) { pw::WriteRandomCurv(b, 20); }),
                       Make([](B& b) { pw::WritePerlinCurv(b, {}); })};
  const char16_t* lines[3] = {u"ZVI_PtclSysNode_FractalLine", u"ZVI_PtclSysNode_RandomLine",
                              u"ZVI_PtclSysNode_PerlinLine"};
  for (int i = 0; i < 3; ++i) {
    pw::StripeLineRecord s;
    s.className = lines[i];
    s.curvePhysics = curves[i];
    s.picture = Picture();
    out.push_back({item, Make([&](B& b) { pw::WriteStripeLineNode(b, s); })});
  }

  out.push_back({item, Make([](B& b) {
                   pw::TreeNodeRecord stem;
                   stem.geometry = Make([](B& g) { pw::WriteGeomPoint(g, {}); });
                   pw::WriteTreeStem(b, stem);
                 })});
  out.push_back({item, Make([](B& b) { pw::WriteTreeLeaf(b, Leaf()); })});
  out.push_back({item, Make([](B& b) {
                   pw::TreeTraceRecord t;
                   t.leaf = Leaf();
                   pw::WriteTreeTrace(b, t);
                 })});
  out.push_back({item, Make([](B& b) { pw::WritePartyBalloon(b, 0, 0, Leaf()); })});
  out.push_back({item, Make([](B& b) {
                   pw::TreeCurveRecord c;
                   c.physics = Make([](B& p) { pw::WriteFractalCurv(p, 2, 5); });
                   c.leaf = Leaf();
                   pw::WriteTreeCurve(b, c);
                 })});

  const Family object = Family::kSceneObjects;
  pw::NodeSystemRecord system;
  system.root = Root();
  out.push_back({object, Make([&](B& b) { pw::WriteNodeSystem(b, system); })});
  out.push_back({object, Make([&](B& b) { pw::WriteNodeSystemBuilder(b, system); })});
  out.push_back({object, Make([](B& b) { pw::WriteTreeRoot(b, {}); })});
  out.push_back({object, Make([](B& b) { pw::WriteTreePreset(b, {}); })});

  // Groups: a node of each version (the second with its path curve) and a
  // group holding one node system, with and without its node (version 1).
  for (int32_t version : {1, 2}) {
    pw::GroupNodeRecord node;
    node.version = version;
    node.offset[0] = 20;
    pw::WriteVGeom2DPolyline(node.curve, {pw::NodeRecord{{0, 0, 0}}, pw::NodeRecord{{100, 50, 0}}});
    node.mode = 1;
    pw::WriteRootPnt(node.rootPhysics, 3, {});
    const B written = Make([&](B& b) { pw::WriteGroupNode(b, node); });
    out.push_back({item, written});
    pw::GroupRecord group;
    group.version = version;
    group.node = written;
    group.members.push_back(Make([&](B& b) { pw::WriteNodeSystemBuilder(b, system); }));
    out.push_back({object, Make([&](B& b) { pw::WriteGroup(b, group); })});
  }
}

}  // namespace class_samples
