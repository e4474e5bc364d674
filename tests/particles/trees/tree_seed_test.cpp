// A project holding every record of the tree-structured systems: roots of
// each version, presets of each version, stems with the emitter geometries,
// leaves of each version, a trace, a balloon and curves of each version
// (with a point physics, which grows no curves). It is read through the
// project reader, its slide is built and played; with FUZZ_SEED_DIR set it
// is also written as the fuzzers' seeds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "player/app/register_all.h"
#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/geometry_emitters_writer.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/sources_writer.h"
#include "tools/writer/tree_writer.h"

namespace {

pw::TreeLeafRecord Leaf(int32_t version, const pw::ByteBuilder& geometry) {
  pw::TreeLeafRecord leaf;
  leaf.version = version;
  pw::ByteBuilder source;
  pw::TextureSourceRecord image;
  image.block.links = {{u"common_res.dll", 6001}};
  pw::WriteTextureSource(source, image);
  pw::WriteAlerterTextureSource(leaf.texture, source, 100, 0);
  leaf.oldLink.links = {{u"common_res.dll", 6001}};
  leaf.quadSize = 12;
  leaf.glowMode = static_cast<uint32_t>(version % 3);
  leaf.glowBlur = 1;
  leaf.stretch = 150;
  leaf.stretchJitter = 20;
  leaf.stretchDirection = 30;
  leaf.anchorX = 20;
  leaf.node.geometry = geometry;
  return leaf;
}

pw::ByteBuilder Point() {
  pw::GeometryRecord g;
  g.sizeValue = 100;
  pw::ByteBuilder b;
  pw::WriteGeomPoint(b, g);
  return b;
}

std::vector<pw::ByteBuilder> Nodes() {
  std::vector<pw::ByteBuilder> nodes;
  pw::EmitterRecord e;
  e.count = 8;
  e.speed = 60;
  e.geometry.sizeValue = 100;
  pw::ForcesRecord forces;
  // A stem scattering leaves of every version, a trace and a balloon.
  pw::TreeNodeRecord stem;
  stem.name = u"stem";
  pw::WriteEmitSector(stem.geometry, 2, 90, 45, forces, e);
  for (int32_t v = 1; v <= 5; ++v) pw::WriteTreeLeaf(stem.children.emplace_back(), Leaf(v, Point()));
  pw::TreeTraceRecord trace;
  trace.leaf = Leaf(5, Point());
  pw::WriteTreeTrace(stem.children.emplace_back(), trace);
  pw::WritePartyBalloon(stem.children.emplace_back(), 40, 60, Leaf(5, Point()));
  // Curves of every version under the stem; a point physics grows none.
  for (int32_t v = 1; v <= 4; ++v) {
    pw::TreeCurveRecord curve;
    curve.version = v;
    curve.selected = 2;
    pw::WriteConstPntGroup(curve.physics, 3);
    curve.middleLength = 40;
    curve.innerGlowSize = 4;
    curve.leaf = Leaf(5, Point());
    pw::WriteTreeCurve(stem.children.emplace_back(), curve);
  }
  pw::WriteTreeStem(nodes.emplace_back(), stem);
  // A group of leaves and a field of leaves at the top level.
  pw::ByteBuilder rect;
  pw::WriteVFigureRect(rect, 300, 200);
  pw::GeometryRecord g;
  g.sizeValue = 100;
  pw::ByteBuilder group;
  pw::WriteSourceGroup(group, 2, 3, 0, 180, 90, rect, g);
  pw::WriteTreeLeaf(nodes.emplace_back(), Leaf(5, group));
  pw::TreeNodeRecord field;
  pw::WriteEmitField(field.geometry, 200, 100, 60, e);
  pw::WriteTreeLeaf(field.children.emplace_back(), Leaf(4, Point()));
  pw::WriteTreeStem(nodes.emplace_back(), field);
  return nodes;
}

pw::SlideShowRecord TreeShow() {
  pw::SlideRecord slide;
  slide.name = u"trees";
  slide.renderContext.Header(u"DS_2D_Light", 1);
  for (int32_t v = 1; v <= 4; ++v) {
    pw::TreeRootRecord root;
    root.version = v;
    root.x = 100.0f * v;
    root.y = 200.0f;
    root.translucency = 20;
    root.size = 80;
    root.speed = 150;
    // The whole tree once; the other versions hold one leaf.
    if (v == 4) {
      root.children = Nodes();
    } else {
      pw::WriteTreeLeaf(root.children.emplace_back(), Leaf(5, Point()));
    }
    pw::WriteTreeRoot(slide.drawn.emplace_back(), root);
  }
  for (int32_t v = 1; v <= 3; ++v) {
    pw::TreePresetRecord preset;
    preset.version = v;
    preset.presetValue = 7;
    preset.floats = {0.5f, 2.0f};
    preset.values = {1, 2, 3};
    pw::WriteTreeLeaf(preset.root.children.emplace_back(), Leaf(2, Point()));
    pw::WriteTreePreset(slide.drawn.emplace_back(), preset);
  }
  pw::ByteBuilder record;
  pw::WriteSlide(record, slide);
  pw::SlideShowRecord show;
  show.slides.push_back(std::move(record));
  return show;
}

TEST(TreeSeedProject, EveryTreeRecordReadsAndPlays) {
  RegisterEverything();
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder project = pw::BuildProject(TreeShow(), manager);
  std::unique_ptr<DS_SlideShow_Light> show(ReadProjectMemory(project.bytes().data(),
                                                             static_cast<uint32_t>(project.size())));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 1u);
  show->slides[0]->BuildRuntime();
  EXPECT_EQ(show->slides[0]->drawnObjects.size(), 7u);
  for (float t = 0.0f; t < 1.0f; t += 0.07f)
    for (auto& object : show->slides[0]->drawnObjects) object->UpdateTime(t);
  show.reset();
  DestroyCurrentDocResManager();

  if (const char* dir = std::getenv("FUZZ_SEED_DIR")) {
    EXPECT_TRUE(project.SaveTo(std::string(dir) + "/project_reader/tree_systems.qmf"));
    pw::ByteBuilder showBytes;
    pw::WriteSlideShow(showBytes, TreeShow());
    pw::ByteBuilder steps;
    for (int i = 0; i < 32; ++i) steps.U8(static_cast<uint8_t>(127 + (i % 5) * 3));
    const size_t header = 40;  // the class name "DS_SlideShow_Light"
    steps.Raw(showBytes.bytes().data() + header, showBytes.size() - header);
    EXPECT_TRUE(steps.SaveTo(std::string(dir) + "/slide_show_steps/tree_systems"));
  }
}

}  // namespace
