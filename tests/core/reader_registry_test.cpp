// Object records read through the per-family registries.
#include <gtest/gtest.h>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "tools/writer/byte_builder.h"

namespace {

int gLive = 0;

// A small family: an item base, two kinds of it and an unrelated family.
struct TestItem {
  TestItem() { ++gLive; }
  virtual ~TestItem() { --gLive; }
  int32_t version = -1;
  int32_t value = 0;
  void ReadRecord(DS_IOF_Archive& ar, int32_t v) {
    version = v;
    ar.ReadInt(&value);
  }
};
struct TestPhysics : TestItem {};
struct TestGeometry : TestItem {
  float extra = 0;
  void ReadRecord(DS_IOF_Archive& ar, int32_t v) {
    ar.ReadFloat(&extra);
    TestItem::ReadRecord(ar, v);
  }
};
// A record that holds another record of its family when its flag is set.
struct TestNest : TestItem {
  std::unique_ptr<TestItem> inner;
  void ReadRecord(DS_IOF_Archive& ar, int32_t v) {
    bool more = false;
    ar.ReadBool(&more);
    if (more) inner = ReadObjectOf<TestItem>(ar);
  }
};
struct TestGraph {
  virtual ~TestGraph() = default;
  void ReadRecord(DS_IOF_Archive&, int32_t) {}
};

class Registry : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterReader<TestPhysics, TestItem>(u"Test_Phys");
    RegisterReader<TestPhysics, TestItem>(u"Test_PhysAlias");
    RegisterReader<TestGeometry, TestItem>(u"Test_Geom");
    RegisterReader<TestGraph, TestGraph>(u"Test_Graph");
    RegisterReader<TestNest, TestItem>(u"Test_Nest");
  }
};

TEST_F(Registry, RecordIsCreatedByItsExactNameAndReadWithItsVersion) {
  pw::ByteBuilder b;
  b.Header(u"Test_Geom", 3).F32(2.5f).I32(11).Header(u"Test_PhysAlias", 7).I32(12);
  MemoryArchive a(b.bytes().data(), b.size());
  auto geom = ReadObjectOf<TestItem>(a);
  auto phys = ReadObjectOf<TestItem>(a);
  auto* g = dynamic_cast<TestGeometry*>(geom.get());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->extra, 2.5f);
  EXPECT_EQ(g->value, 11);
  EXPECT_EQ(g->version, 3);
  ASSERT_NE(dynamic_cast<TestPhysics*>(phys.get()), nullptr);  // the second name makes the same class
  EXPECT_EQ(phys->value, 12);
  EXPECT_EQ(phys->version, 7);
}

TEST_F(Registry, UnknownOrEmptyNamesMakeTheDataInvalid) {
  const std::u16string_view names[] = {u"test_geom", u"Test_Geom ", u"Test_Graph", u"", u"Nothing"};
  for (auto name : names) {
    pw::ByteBuilder b;
    b.Header(name, 1).I32(5);
    MemoryArchive a(b.bytes().data(), b.size());
    try {
      ReadObjectOf<TestItem>(a);
      ADD_FAILURE() << "accepted";
    } catch (const DS_Error& e) {
      EXPECT_EQ(e.message, u"Cannot open file: Wrong file format.");
    }
  }
  MemoryArchive end(nullptr, 0);
  EXPECT_THROW(ReadObjectOf<TestItem>(end), DS_Error);
}

TEST_F(Registry, RecordOfAnotherKindIsReadCompletelyFreedAndLeavesTheFieldEmpty) {
  pw::ByteBuilder b;
  b.Header(u"Test_Phys", 1).I32(5).U32(0xABCD);
  MemoryArchive a(b.bytes().data(), b.size());
  int live = gLive;
  EXPECT_EQ((ReadObjectAs<TestGeometry, TestItem>(a)), nullptr);
  EXPECT_EQ(gLive, live);
  uint32_t next = 0;
  a.ReadUInt(&next);
  EXPECT_EQ(next, 0xABCDu);
  MemoryArchive again(b.bytes().data(), b.size());
  auto p = ReadObjectAs<TestPhysics, TestItem>(again);
  EXPECT_EQ(p->value, 5);
  // A name no family knows still makes the data invalid.
  pw::ByteBuilder unknown;
  unknown.Header(u"Test_Nothing", 1).I32(5);
  MemoryArchive u(unknown.bytes().data(), unknown.size());
  EXPECT_THROW((ReadObjectAs<TestGeometry, TestItem>(u)), DS_Error);
}

TEST_F(Registry, NestingIsBoundedSoHostileDepthCannotExhaustTheStack) {
  auto nested = [](int depth) {
    pw::ByteBuilder b;
    for (int i = 0; i < depth; ++i) b.Header(u"Test_Nest", 1).Bool(i + 1 < depth);
    return b;
  };
  for (int depth : {1, DS_IOF_Archive::kMaxNesting}) {
    pw::ByteBuilder b = nested(depth);
    MemoryArchive a(b.bytes().data(), b.size());
    auto top = ReadObjectOf<TestItem>(a);
    int levels = 0;
    for (auto* n = dynamic_cast<TestNest*>(top.get()); n; n = dynamic_cast<TestNest*>(n->inner.get())) ++levels;
    EXPECT_EQ(levels, depth);
    // Leaving the records restores the budget for the next one.
    pw::ByteBuilder again = nested(depth);
    MemoryArchive fresh(again.bytes().data(), again.size());
    EXPECT_NO_THROW(ReadObjectOf<TestItem>(fresh));
  }
  int live = gLive;
  for (int depth : {DS_IOF_Archive::kMaxNesting + 1, 100000}) {
    pw::ByteBuilder b = nested(depth);
    MemoryArchive a(b.bytes().data(), b.size());
    EXPECT_THROW(ReadObjectOf<TestItem>(a), DS_Error) << depth;
  }
  EXPECT_EQ(gLive, live);
}

TEST_F(Registry, DefaultObjectsByName) {
  EXPECT_NE(dynamic_cast<TestGeometry*>(CreateDefaultByName<TestItem>(u"Test_Geom").get()), nullptr);
  EXPECT_EQ(CreateDefaultByName<TestItem>(u"TEST_GEOM"), nullptr);
  EXPECT_EQ(CreateDefaultByName<TestGraph>(u"Test_Geom"), nullptr);
  EXPECT_NE(CreateDefaultByName<TestItem>(ClassNameFromUtf8("Test_Phys")), nullptr);
}

TEST_F(Registry, RegisteringANameAgainReplacesItsReader) {
  RegisterReader<TestPhysics, TestItem>(u"Test_Swap");
  RegisterReader<TestGeometry, TestItem>(u"Test_Swap");
  EXPECT_NE(dynamic_cast<TestGeometry*>(CreateDefaultByName<TestItem>(u"Test_Swap").get()), nullptr);
  EXPECT_EQ(FindReader<TestGraph>(u"Test_Swap"), nullptr);
}

TEST(FixedRecord, HeaderIsReadButNotTested) {
  pw::ByteBuilder b;
  b.Header(u"AnyNameAtAll", 9).F32(0.5f).I32(21).U8(0x44);
  MemoryArchive a(b.bytes().data(), b.size());
  auto g = ReadFixedRecord<TestGeometry>(a);
  EXPECT_EQ(g->version, 9);
  EXPECT_EQ(g->extra, 0.5f);
  EXPECT_EQ(g->value, 21);
  EXPECT_EQ(a.Remaining(), 1u);
}

TEST(ClassNameFromUtf8, ConvertsToUtf16) {
  EXPECT_EQ(ClassNameFromUtf8("ZVI_VGraph_Const"), u"ZVI_VGraph_Const");
  EXPECT_EQ(ClassNameFromUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"\u00E9\u20AC\U0001F600");
}

}  // namespace
