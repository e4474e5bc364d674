// Typed reads of the archive stream, from memory and from a file, and what
// happens where the data ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "core/archive.h"
#include "platform/com/com.h"
#include "tools/writer/byte_builder.h"

namespace {

enum class Source { Memory, File };

// An archive over the given bytes, read from memory or from a temporary file.
class ArchiveOver {
 public:
  ArchiveOver(const std::vector<uint8_t>& bytes, Source source, bool strict = false) : bytes_(bytes) {
    if (source == Source::Memory) {
      buffer_.SetMemory(bytes_.data(), bytes_.size());
    } else {
      path_ = std::filesystem::temp_directory_path() /
              ("archive_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               std::to_string(reinterpret_cast<uintptr_t>(this)) + ".bin");
      pw::ByteBuilder b;
      b.Raw(bytes_);
      EXPECT_TRUE(b.SaveTo(path_.string()));
      EXPECT_TRUE(buffer_.Open(path_.u16string()));
    }
    buffer_.SetStrict(strict);
    archive_ = std::make_unique<DS_IOF_Archive>(std::make_unique<DS_IOF_R>(&buffer_));
  }
  ~ArchiveOver() {
    archive_.reset();
    buffer_.Close();
    if (!path_.empty()) std::filesystem::remove(path_);
  }
  DS_IOF_Archive& ar() { return *archive_; }
  ResourceBuffer& buffer() { return buffer_; }

 private:
  std::vector<uint8_t> bytes_;
  std::filesystem::path path_;
  ResourceBuffer buffer_;
  std::unique_ptr<DS_IOF_Archive> archive_;
};

class ArchiveReads : public ::testing::TestWithParam<Source> {};

TEST_P(ArchiveReads, EveryTypedReadDecodesLittleEndianWithoutAlignment) {
  pw::ByteBuilder b;
  b.U8(0xAB).Bool(true).U8(2)  // a byte, a flag, a flag byte that is not 0 or 1
      .I16(-2).I32(-123456).U32(0xDEADBEEF).Dword(0x00FF8040).F32(1.5f).F64(-2.25)
      .I64(-5000000000LL).Pair(7, -9).Raw("xyz", 3).WideString(u"Hi").NarrowString("abc");
  ArchiveOver a(b.bytes(), GetParam());
  uint8_t byte = 0;
  bool flag = false, flag2 = false;
  int16_t s = 0;
  int32_t i = 0, first = 0, second = 0;
  uint32_t u = 0, d = 0;
  float f = 0;
  double db = 0;
  int64_t big = 0;
  char raw[3] = {};
  zvi_string w;
  std::string n;
  a.ar().ReadByte(&byte);
  a.ar().ReadBool(&flag);
  a.ar().ReadBool(&flag2);
  a.ar().ReadShort(&s);
  a.ar().ReadInt(&i);
  a.ar().ReadUInt(&u);
  a.ar().ReadDword(&d);
  a.ar().ReadFloat(&f);
  a.ar().ReadDouble(&db);
  a.ar().ReadInt64(&big);
  a.ar().ReadPair(&first, &second);
  a.ar().ReadBytes(3, raw);
  a.ar().ReadWideString(&w);
  a.ar().ReadString(&n);
  EXPECT_EQ(byte, 0xAB);
  EXPECT_TRUE(flag);
  EXPECT_TRUE(flag2);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(i, -123456);
  EXPECT_EQ(u, 0xDEADBEEFu);
  EXPECT_EQ(d, 0x00FF8040u);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(db, -2.25);
  EXPECT_EQ(big, -5000000000LL);
  EXPECT_EQ(first, 7);
  EXPECT_EQ(second, -9);
  EXPECT_EQ(std::string(raw, 3), "xyz");
  EXPECT_EQ(w, u"Hi");
  EXPECT_EQ(n, "abc");
  EXPECT_EQ(a.ar().Remaining(), 0u);
  EXPECT_FALSE(a.buffer().MetEnd());
}

TEST_P(ArchiveReads, StringLengthFormsReadAlikeAndEndAtTheData) {
  using pw::LengthForm;
  pw::ByteBuilder b;
  b.WideString(u"byte", LengthForm::Byte).WideString(u"word", LengthForm::Word)
      .WideString(u"dword", LengthForm::Dword).NarrowString("n2", LengthForm::Word)
      .NarrowString("n4", LengthForm::Dword).U8(0xFF).U8(0xFE).U8(0xFF).U8(5).U16(u'c').U16(u'u');  // cut
  ArchiveOver a(b.bytes(), GetParam());
  zvi_string w1, w2, w3, cut;
  std::string n1, n2;
  a.ar().ReadWideString(&w1);
  a.ar().ReadWideString(&w2);
  a.ar().ReadWideString(&w3);
  a.ar().ReadString(&n1);
  a.ar().ReadString(&n2);
  EXPECT_FALSE(a.buffer().MetEnd());
  a.ar().ReadWideString(&cut);
  EXPECT_EQ(w1, u"byte");
  EXPECT_EQ(w2, u"word");
  EXPECT_EQ(w3, u"dword");
  EXPECT_EQ(n1, "n2");
  EXPECT_EQ(n2, "n4");
  EXPECT_EQ(cut, u"cu");  // the units that exist
  EXPECT_TRUE(a.buffer().MetEnd());
}

TEST_P(ArchiveReads, FileLinkIsANameAndA64BitId) {
  pw::ByteBuilder b;
  b.FileLink(u"common_res.dll", 0x1122334455667788ULL).FileLink(u"", 0);
  ArchiveOver a(b.bytes(), GetParam());
  zvi_string name = u"x";
  uint64_t id = 1;
  a.ar().ReadWideString(&name);
  a.ar().ReadInt64(&id);
  EXPECT_EQ(name, u"common_res.dll");
  EXPECT_EQ(id, 0x1122334455667788ULL);
  a.ar().ReadWideString(&name);
  a.ar().ReadInt64(&id);
  EXPECT_EQ(name, u"");
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(a.ar().Remaining(), 0u);
}

TEST_P(ArchiveReads, PairAdvancesByEightAndZeroByteBlockByNothing) {
  pw::ByteBuilder b;
  b.Pair(1, 2).U8(0x55);
  ArchiveOver a(b.bytes(), GetParam());
  a.ar().ReadBytes(0, nullptr);
  EXPECT_EQ(a.ar().Remaining(), 9u);
  int32_t x = 0, y = 0;
  a.ar().ReadPair(&x, &y);
  EXPECT_EQ(a.ar().Remaining(), 1u);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 2);
}

TEST_P(ArchiveReads, ValueCutByTheEndKeepsItsHighBytesAndLaterReadsCopyNothing) {
  ArchiveOver a({0x11, 0x22}, GetParam());
  uint32_t v = 0xAABBCCDD;
  a.ar().ReadUInt(&v);
  EXPECT_EQ(v, 0xAABB2211u);
  EXPECT_TRUE(a.buffer().MetEnd());
  int32_t later = 42;
  float lf = 3.0f;
  bool lb = true;
  zvi_string ls = u"keep?";
  a.ar().ReadInt(&later);
  a.ar().ReadFloat(&lf);
  a.ar().ReadBool(&lb);
  a.ar().ReadWideString(&ls);
  EXPECT_EQ(later, 42);
  EXPECT_EQ(lf, 3.0f);
  EXPECT_TRUE(lb);
  EXPECT_EQ(ls, u"");  // a string read at the end is the empty string
}

TEST_P(ArchiveReads, StrictStreamRefusesToReadPastTheEnd) {
  ArchiveOver a({1, 0, 0, 0, 9}, GetParam(), /*strict=*/true);
  int32_t v = 0;
  a.ar().ReadInt(&v);
  EXPECT_EQ(v, 1);
  try {
    a.ar().ReadInt(&v);
    FAIL() << "no error";
  } catch (const DS_Error& e) {
    EXPECT_EQ(e.message, u"Cannot open file: Wrong file format.");
  }
}

TEST_P(ArchiveReads, CountsLargerThanTheDataAreCutOrRefused) {
  pw::ByteBuilder b;
  b.U32(1000).U32(1).U32(2);
  {
    ArchiveOver a(b.bytes(), GetParam());
    EXPECT_EQ(a.ar().ReadCount(4), 2u);  // two 4-byte entries remain
  }
  {
    ArchiveOver a(b.bytes(), GetParam(), true);
    EXPECT_THROW(a.ar().ReadCount(4), DS_Error);
  }
  {
    pw::ByteBuilder ok;
    ok.U32(2).U32(1).U32(2);
    ArchiveOver a(ok.bytes(), GetParam(), true);
    EXPECT_EQ(a.ar().ReadCount(4), 2u);
  }
  {
    pw::ByteBuilder s;
    s.I32(-5).I32(0x7FFFFFFF).U8(1).U8(2).U8(3);
    ArchiveOver a(s.bytes(), GetParam());
    EXPECT_EQ(a.ar().ReadSignedCount(1), 0u);
    EXPECT_EQ(a.ar().ReadSignedCount(1), 3u);
  }
}

TEST_P(ArchiveReads, FloatVectorCounts) {
  struct Case {
    int32_t count;
    std::vector<float> stored;
    std::vector<float> expected;
  } cases[] = {
      {0, {9.0f}, {}},
      {-3, {9.0f}, {}},
      {2, {1.0f, 2.0f}, {1.0f, 2.0f}},
      {0x7FFFFFFF, {1.0f, 2.0f}, {1.0f, 2.0f}},  // cut at the end of the data
  };
  for (const Case& c : cases) {
    pw::ByteBuilder b;
    b.I32(c.count);
    for (float f : c.stored) b.F32(f);
    ArchiveOver a(b.bytes(), GetParam());
    std::vector<float> v = {5.0f};
    a.ar().ReadFloatVector(&v);
    EXPECT_EQ(v, c.expected) << c.count;
  }
}

TEST_P(ArchiveReads, GuidTextParsesAndBadTextStaysNull) {
  GUID g{};
  ASSERT_EQ(CLSIDFromString(u"{0123ABCD-4567-89EF-0A1B-2C3D4E5F6071}", &g), S_OK);
  pw::ByteBuilder b;
  b.Guid(g).WideString(u"{not-a-guid}").WideString(u"");
  ArchiveOver a(b.bytes(), GetParam());
  GUID r1{}, r2{}, r3{};
  r2.Data1 = r3.Data1 = 77;
  a.ar().ReadGuid(&r1);
  a.ar().ReadGuid(&r2);
  a.ar().ReadGuid(&r3);
  EXPECT_EQ(r1.Data1, 0x0123ABCDu);
  EXPECT_EQ(r1.Data4[7], 0x71);
  EXPECT_TRUE(r2 == GUID_NULL);
  EXPECT_TRUE(r3 == GUID_NULL);
}

INSTANTIATE_TEST_SUITE_P(FromMemoryAndFile, ArchiveReads, ::testing::Values(Source::Memory, Source::File),
                         [](const auto& info) { return info.param == Source::Memory ? "Memory" : "File"; });

TEST(ResourceBuffer, WithoutFileOrMemoryReadsNothing) {
  ResourceBuffer buffer;
  EXPECT_FALSE(buffer.Open(u"/nonexistent/dir/file.qmf"));
  DS_IOF_R stream(&buffer);
  int32_t v = 17;
  zvi_string s = u"x";
  stream.ReadInt(&v);
  stream.ReadWideString(&s);
  EXPECT_EQ(v, 17);
  EXPECT_EQ(s, u"");
  EXPECT_EQ(stream.Remaining(), 0u);
}

TEST(ResourceBuffer, DirectoryIsNotAnOpenableFile) {
  ResourceBuffer buffer;
  EXPECT_FALSE(buffer.Open(std::filesystem::temp_directory_path().u16string()));
}

TEST(ResourceBuffer, MemoryWinsOverAnOpenFile) {
  auto path = std::filesystem::temp_directory_path() / "archive_test_memory_wins.bin";
  pw::ByteBuilder f;
  f.U32(1);
  ASSERT_TRUE(f.SaveTo(path.string()));
  ResourceBuffer buffer;
  ASSERT_TRUE(buffer.Open(path.u16string()));
  const uint8_t mem[4] = {2, 0, 0, 0};
  buffer.SetMemory(mem, 4);
  uint32_t v = 0;
  buffer.ReadUInt32(&v);
  EXPECT_EQ(v, 2u);
  buffer.Close();
  std::filesystem::remove(path);
}

TEST(DS_IOF_R, WritesDoNothing) {
  const uint8_t mem[4] = {1, 2, 3, 4};
  ResourceBuffer buffer;
  buffer.SetMemory(mem, 4);
  DS_IOF_R stream(&buffer);
  int32_t i = 5;
  zvi_string s = u"abc";
  EmbeddedFile ef;
  stream.WriteInt(&i);
  stream.WriteWideString(&s);
  stream.WriteEmbeddedFile(&ef);
  stream.WriteBytes(4, mem);
  EXPECT_EQ(stream.Remaining(), 4u);
  uint32_t v = 0;
  stream.ReadUInt(&v);
  EXPECT_EQ(v, 0x04030201u);
}

}  // namespace
