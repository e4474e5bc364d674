// A project seed for the project-reader fuzzer holding line, stripe-less
// picture kinds and a group, under the fuzz targets' stand-in physics names;
// written on request (NODE_SEEDS_OUT) and checked to read here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "geometry/registration.h"
#include "node_tree_fixtures.h"
#include "particles/nodes/groups.h"
#include "player/project_reader.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/values_writer.h"

using namespace node_tree_test;

namespace {

class SeedPoints : public RecordPoints {};
class SeedRoot : public RecordRootPoint {};

pw::ByteBuilder Points(int32_t n) {
  pw::ByteBuilder b;
  b.Header(u"FuzzPointPhysics", 1).I32(n);
  return b;
}

pw::ByteBuilder Root(float x, float y) {
  pw::ByteBuilder b;
  b.Header(u"FuzzRootPoint", 1).F32(x).F32(y).F32(0);
  return b;
}

pw::PictureRecord Picture(int32_t n) {
  pw::TextureSourceRecord dot;
  dot.block.links = {{u"common_res.dll", 228}};
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, dot);
  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.physics = Points(n);
  picture.radialGlow.enabled = 1;
  return picture;
}

pw::ByteBuilder Project() {
  pw::NodeBaseRecord root;
  pw::LineNodeRecord line;
  line.anchor = 50;
  line.clipMode = 1;
  pw::SegmentRecord second;
  second.length = 40;
  pw::WriteVGraphLine(second.widthGraph, {{0, 1}, {0.5f, 2}, {1, 1}});
  line.segments.push_back(second);
  line.picture = Picture(3);
  root.children.emplace_back();
  pw::WriteLineNode(root.children.back(), line);
  root.children.emplace_back();
  pw::WriteExplodeNode(root.children.back(), Picture(4));
  root.children.emplace_back();
  pw::WriteTextNode(root.children.back(), Picture(2));
  pw::NodeSystemRecord system;
  pw::WriteRootNode(system.root, Root(40, 30), root);
  pw::ByteBuilder member;
  pw::WriteNodeSystemBuilder(member, system);

  pw::GroupNodeRecord node;
  node.offset[0] = 40;
  node.offset[1] = 30;
  pw::WriteVGeom2DPolyline(node.curve, {pw::NodeRecord{{40, 30, 0}}, pw::NodeRecord{{200, 120, 0}}});
  node.mode = 1;
  node.pathPosition = 50;
  node.rootPhysics = Root(40, 30);
  pw::GroupRecord group;
  group.expanded = 0;
  pw::WriteGroupNode(group.node, node);
  group.members.push_back(member);

  pw::SlideRecord slide;
  pw::LightRecord light;
  pw::WriteLight(slide.renderContext, light);
  slide.drawn.emplace_back();
  pw::WriteGroup(slide.drawn.back(), group);
  slide.drawn.push_back(member);
  pw::SlideShowRecord show;
  show.slides.emplace_back();
  pw::WriteSlide(show.slides.back(), slide);
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  return pw::BuildProject(show, manager);
}

TEST(NodeSeeds, TheLineTextExplodeAndGroupProjectReads) {
  RegisterFakes();
  RegisterGeometryReaders();
  RegisterChronoReaders();
  RegisterReader<SeedPoints, ZVI_IOF_Item>(u"FuzzPointPhysics");
  RegisterReader<SeedRoot, ZVI_IOF_Item>(u"FuzzRootPoint");
  const pw::ByteBuilder project = Project();
  std::unique_ptr<DS_SlideShow_Light> show(ReadProjectMemory(project.bytes().data(), static_cast<uint32_t>(project.size())));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 1u);
  ASSERT_EQ(show->slides[0]->drawnModels.size(), 2u);
  EXPECT_NE(dynamic_cast<ZVI_Group_Constructor*>(show->slides[0]->drawnModels[0].get()), nullptr);
  if (const char* dir = std::getenv("NODE_SEEDS_OUT")) {
    EXPECT_TRUE(project.SaveTo(std::string(dir) + "/node_kinds.qmf"));
  }
}

}  // namespace
