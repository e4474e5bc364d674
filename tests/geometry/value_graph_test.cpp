#include "geometry/value_graph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "tools/writer/byte_builder.h"
#include "tools/writer/values_writer.h"

namespace {

struct Counter : MediaControlT<MediaParam> {
  int count = 0;
  void OnChanged(MediaControl*) override { ++count; }
};

class ValueGraphTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterValueGraphReaders(); }

  static ZVI_VGraph_Line Line(std::vector<VGraphKey> keys) {
    ZVI_VGraph_Line g;
    g.SetKeys(keys);
    return g;
  }
  static float At(const ZVI_VGraph& g, float x) {
    int32_t cursor = 1;
    return g.ValueAt(x, cursor);
  }
  static std::unique_ptr<ZVI_VGraph> Read(const pw::ByteBuilder& b, size_t* left = nullptr) {
    MemoryArchive ar(b.bytes().data(), b.size());
    std::unique_ptr<ZVI_VGraph> g = ReadVGraph(ar);
    if (left) *left = static_cast<size_t>(ar.Remaining());
    return g;
  }
};

TEST_F(ValueGraphTest, LineValuesAtSamplePoints) {
  struct Case {
    const char* name;
    std::vector<VGraphKey> keys;
    float x, expected;
  };
  const std::vector<VGraphKey> ramp = {{0, 0}, {1, 10}};
  const std::vector<VGraphKey> step = {{0, 0}, {0.5f, 4}, {0.5f, 8}, {1, 8}};
  const Case cases[] = {
      {"inside", ramp, 0.25f, 2.5f},
      {"left of the first key extrapolates", ramp, -1.0f, -10.0f},
      {"right of the last key", ramp, 2.0f, 0.0f},
      {"at the last key", ramp, 1.0f, 10.0f},
      {"end of the first segment", step, 0.5f, 4.0f},
      {"vertical step skipped", step, 0.75f, 8.0f},
      {"one key", {{0, 5}}, 0.0f, 0.0f},
      {"no keys", {}, 0.5f, 0.0f},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(At(Line(c.keys), c.x), c.expected) << c.name;
}

TEST_F(ValueGraphTest, CursorResumesWhereTheLastLookupStopped) {
  const ZVI_VGraph_Line g = Line({{0, 0}, {0.5f, 10}, {1, 0}});
  int32_t cursor = 1;
  EXPECT_FLOAT_EQ(g.ValueAt(0.25f, cursor), 5.0f);
  EXPECT_EQ(cursor, 1);
  EXPECT_FLOAT_EQ(g.ValueAt(0.9f, cursor), 2.0f);
  EXPECT_EQ(cursor, 2);
  // Asking further left afterwards extends the second segment's line.
  EXPECT_FLOAT_EQ(g.ValueAt(0.1f, cursor), 18.0f);
  EXPECT_EQ(cursor, 2);
  EXPECT_FLOAT_EQ(g.ValueAt(3.0f, cursor), 0.0f);
  EXPECT_EQ(cursor, 3);
  EXPECT_FLOAT_EQ(g.ValueAt(0.1f, cursor), 0.0f);  // nothing left from there
}

TEST_F(ValueGraphTest, CursorBelowOneStartsAtTheFirstSegment) {
  const ZVI_VGraph_Line g = Line({{0, 0}, {1, 10}});
  for (int32_t start : {0, -5}) {
    int32_t cursor = start;
    EXPECT_FLOAT_EQ(g.ValueAt(0.5f, cursor), 5.0f) << start;
  }
}

TEST_F(ValueGraphTest, MaxValueAndKeys) {
  EXPECT_EQ(Line({{0, -2}, {1, -1}}).MaxValue(), 0.0f);
  EXPECT_EQ(Line({{0, 3}, {0.5f, 7}, {1, 1}}).MaxValue(), 7.0f);
  const ZVI_VGraph_Line g = Line({{0.25f, 3}});
  float x = 0, y = 0;
  EXPECT_TRUE(g.GetKey(0, &x, &y));
  EXPECT_EQ(x, 0.25f);
  EXPECT_EQ(y, 3.0f);
  EXPECT_FALSE(g.GetKey(1, &x, &y));
  EXPECT_FALSE(g.GetKey(-1, &x, &y));
}

TEST_F(ValueGraphTest, ConstantAndStraightLineDefaults) {
  ZVI_VGraph_Const c;
  for (float x : {-3.0f, 0.0f, 0.5f, 1.0f, 9.0f}) EXPECT_EQ(At(c, x), 1.0f) << x;
  float kx, ky;
  EXPECT_FALSE(c.GetKey(0, &kx, &ky));
  EXPECT_EQ(c.MaxValue(), 1.0f);

  ZVI_VGraph_StraightLine s;
  EXPECT_EQ(At(s, 0.0f), 1.0f);
  EXPECT_EQ(At(s, 0.5f), 0.5f);
  EXPECT_EQ(At(s, 1.0f), 0.0f);

  ZVI_VGraph_GradientLine gl;
  EXPECT_EQ((std::vector<float>(gl.ends, gl.ends + 4)), (std::vector<float>{0, 1, 1, 0}));
  EXPECT_TRUE(gl.keys.empty());
}

TEST_F(ValueGraphTest, TypeNamesMatchTheRegisteredNames) {
  for (const char* name : {"ZVI_VGraph_Const", "ZVI_VGraph_Line", "ZVI_VGraph_QBezier",
                           "ZVI_VGraph_StraightLine", "ZVI_VGraph_GradientLine"}) {
    std::unique_ptr<ZVI_VGraph> g = CreateVGraphByName(name);
    ASSERT_NE(g, nullptr) << name;
    EXPECT_EQ(g->GetTypeName(), name);
  }
  EXPECT_EQ(CreateVGraphByName("zvi_vgraph_line"), nullptr);
  EXPECT_EQ(CreateVGraphByName("ZVI_VGraph"), nullptr);
}

TEST_F(ValueGraphTest, ReadsEveryClassFromItsRecord) {
  const pw::GraphKeys keys = {{0, 0}, {1, 4}};
  struct Case {
    const char* name;
    pw::ByteBuilder bytes;
  };
  Case cases[5] = {{"ZVI_VGraph_Const", {}}, {"ZVI_VGraph_Line", {}}, {"ZVI_VGraph_StraightLine", {}},
                   {"ZVI_VGraph_QBezier", {}}, {"ZVI_VGraph_GradientLine", {}}};
  pw::WriteVGraphConst(cases[0].bytes);
  pw::WriteVGraphLine(cases[1].bytes, keys);
  pw::WriteVGraphStraightLine(cases[2].bytes, keys);
  pw::WriteVGraphQBezier(cases[3].bytes, {1, 2, 3, 4, 5, 6}, keys);
  pw::WriteVGraphGradientLine(cases[4].bytes, {0.1f, 0.2f, 0.3f, 0.4f}, keys);
  for (Case& c : cases) {
    c.bytes.U32(0xC0FFEEu);  // the next field must follow the record exactly
    size_t left = 0;
    std::unique_ptr<ZVI_VGraph> g = Read(c.bytes, &left);
    ASSERT_NE(g, nullptr) << c.name;
    EXPECT_EQ(g->GetTypeName(), c.name);
    EXPECT_EQ(left, 4u) << c.name;
    const float expected = std::string(c.name) == "ZVI_VGraph_Const" ? 1.0f : 2.0f;
    EXPECT_EQ(At(*g, 0.5f), expected) << c.name;
  }
  auto* q = dynamic_cast<ZVI_VGraph_QBezier*>(Read(cases[3].bytes).release());
  ASSERT_NE(q, nullptr);
  EXPECT_EQ((std::vector<float>(q->control, q->control + 6)), (std::vector<float>{1, 2, 3, 4, 5, 6}));
  delete q;
  auto* gl = dynamic_cast<ZVI_VGraph_GradientLine*>(Read(cases[4].bytes).release());
  ASSERT_NE(gl, nullptr);
  EXPECT_EQ(gl->ends[3], 0.4f);
  delete gl;
}

TEST_F(ValueGraphTest, StraightLineRecordReplacesTheDefaultKeys) {
  pw::ByteBuilder b;
  pw::WriteVGraphStraightLine(b, {});
  std::unique_ptr<ZVI_VGraph> g = Read(b);
  float x, y;
  EXPECT_FALSE(g->GetKey(0, &x, &y));
  EXPECT_EQ(At(*g, 0.0f), 0.0f);
}

TEST_F(ValueGraphTest, DamagedRecordsGiveAClearError) {
  pw::ByteBuilder lower;
  lower.Header(u"zvi_vgraph_line", 1);
  EXPECT_THROW(Read(lower), DS_Error);

  // A key count far beyond the data: the keys that are there, no more.
  pw::ByteBuilder huge;
  huge.Header(u"ZVI_VGraph_Line", 1).I32(0x7FFFFFFF).F32(0).F32(1).F32(1).F32(3);
  std::unique_ptr<ZVI_VGraph> g = Read(huge);
  float x, y;
  EXPECT_TRUE(g->GetKey(1, &x, &y));
  EXPECT_FALSE(g->GetKey(2, &x, &y));
  MemoryArchive strict(huge.bytes().data(), huge.size(), /*strict=*/true);
  EXPECT_THROW(ReadVGraph(strict), DS_Error);

  pw::ByteBuilder negative;
  negative.Header(u"ZVI_VGraph_Line", 1).I32(-3);
  WriteVGraphKeyBody(negative, {});  // a body that follows is not taken as keys
  g = Read(negative);
  EXPECT_FALSE(g->GetKey(0, &x, &y));
}

TEST_F(ValueGraphTest, CustomGraphHoldsAConstantAndCopiesShareIt) {
  ZVI_CustomGraph p;
  ASSERT_NE(p.Graph(), nullptr);
  EXPECT_EQ(p.Graph()->GetTypeName(), "ZVI_VGraph_Const");
  EXPECT_EQ(p.follower.watched, nullptr);  // no graph has a watched parameter
  ZVI_CustomGraph copy(p);
  EXPECT_EQ(copy.Graph(), p.Graph());
  EXPECT_EQ(copy.ControlCount(), 1u);  // its own undo control
  // Two parameters and their undo copies hold the one graph.
  EXPECT_EQ(p.value.UseCount(), 4);
}

TEST_F(ValueGraphTest, InstallGraphNotifiesOnlyForAnotherObject) {
  ZVI_CustomGraph p;
  Counter watcher;
  watcher.Attach(&p);
  DS_SafePtr<ZVI_VGraph> line(new ZVI_VGraph_StraightLine());
  p.InstallGraph(line);
  EXPECT_EQ(watcher.count, 1);
  p.InstallGraph(DS_SafePtr<ZVI_VGraph>(line));
  EXPECT_EQ(watcher.count, 1);
  EXPECT_EQ(p.Graph(), line.get());
}

TEST_F(ValueGraphTest, ReadJitterGraphParam) {
  pw::ByteBuilder graph;
  pw::WriteVGraphLine(graph, {{0, 1}, {1, 3}});
  pw::ByteBuilder b;
  pw::WriteJitterGraphParam(b, graph, 40, 25);
  MemoryArchive ar(b.bytes().data(), b.size());
  JitterGraphParam block;
  Counter g, v, j;
  g.Attach(&block.graph);
  v.Attach(&block.value);
  j.Attach(&block.jitter);
  ReadJitterGraphParam(ar, block);
  EXPECT_EQ(block.graph.Graph()->GetTypeName(), "ZVI_VGraph_Line");
  EXPECT_EQ(block.value.derived, 40.0f);
  EXPECT_EQ(block.jitter.derived, 0.75f);
  int32_t cursor = 1;
  EXPECT_EQ(block.graph.Graph()->ValueAt(0.5f, cursor), 2.0f);
  EXPECT_EQ(g.count, 1);
  EXPECT_EQ(v.count, 1);
  EXPECT_EQ(j.count, 1);
  EXPECT_EQ(ar.Remaining(), 0u);

  // Unchanged values notify nobody; a new graph object still does.
  pw::ByteBuilder constant;
  pw::WriteVGraphConst(constant);
  pw::ByteBuilder again;
  pw::WriteJitterGraphParam(again, constant, 40, 25);
  MemoryArchive ar2(again.bytes().data(), again.size());
  ReadJitterGraphParam(ar2, block);
  EXPECT_EQ(g.count, 2);
  EXPECT_EQ(v.count, 1);
  EXPECT_EQ(j.count, 1);
}

TEST_F(ValueGraphTest, JitterGraphWithAnUnknownGraphIsRefused) {
  pw::ByteBuilder b;
  b.Header(u"ZVI_VGraph_Spline", 1).U32(1).U32(2);
  MemoryArchive ar(b.bytes().data(), b.size());
  JitterGraphParam block;
  ZVI_VGraph* before = block.graph.Graph();
  EXPECT_THROW(ReadJitterGraphParam(ar, block), DS_Error);
  EXPECT_EQ(block.graph.Graph(), before);
}

}  // namespace
