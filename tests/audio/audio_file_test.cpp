#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/archive.h"
#include "platform/win32/windows.h"
#include "player/audio_file.h"
#include "tests/platform/audio_fixtures.h"
#include "tools/writer/project_writer.h"

namespace {

using namespace audio_test;

// Reads an entry the way the slide show does: class name, version, fields.
std::unique_ptr<DS_AudioFile> ReadEntry(const pw::ByteBuilder& b, bool strict = false) {
  MemoryArchive ar(b.bytes().data(), b.size(), strict);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  EXPECT_EQ(name, u"DS_AudioFile");
  auto e = std::make_unique<DS_AudioFile>();
  e->ReadRecord(ar, version);
  EXPECT_EQ(ar.Remaining(), 0u);
  return e;
}

TEST(AudioFile, DefaultsAreFullVolumeAndNoFile) {
  DS_AudioFile e;
  EXPECT_EQ(e.volume.value, 100u);
  EXPECT_FLOAT_EQ(e.Volume(), 1.0f);
  EXPECT_EQ(e.value1.value, 0.0f);
  EXPECT_EQ(e.value2.value, 0.0f);
  EXPECT_TRUE(e.Path().empty());
  EXPECT_EQ(e.file.size, 0u);
  EXPECT_FALSE(e.Playable());
}

TEST(AudioFile, ReadsEachVersionOfItsRecord) {
  struct Case {
    int32_t version;
    uint32_t volume;
    float v1, v2;
    uint32_t expectVolume;
    float expectV1, expectV2;
  } cases[] = {
      {1, 40, 1.5f, 2.5f, 100, 0.0f, 0.0f},  // no volume, no floats
      {2, 40, 1.5f, 2.5f, 40, 0.0f, 0.0f},
      {3, 40, 1.5f, 2.5f, 40, 1.5f, 2.5f},
      {3, 100, -1.0f, 7.0f, 100, -1.0f, 7.0f},
  };
  for (const Case& c : cases) {
    pw::AudioFileRecord r;
    r.version = c.version;
    r.text = u"note";
    r.path = u"C:\\Music\\a.mp3";
    r.data = {1, 2, 3, 4, 5};
    r.volume = c.volume;
    r.value1 = c.v1;
    r.value2 = c.v2;
    pw::ByteBuilder b;
    pw::WriteAudioFile(b, r);
    auto e = ReadEntry(b);
    EXPECT_EQ(e->text, u"note");
    EXPECT_EQ(e->Path(), u"C:\\Music\\a.mp3");
    ASSERT_EQ(e->file.size, 5u);
    EXPECT_EQ(e->file.data[4], 5);
    EXPECT_EQ(e->volume.value, c.expectVolume) << c.version;
    EXPECT_FLOAT_EQ(e->Volume(), c.expectVolume * 0.01f) << c.version;
    EXPECT_EQ(e->value1.value, c.expectV1) << c.version;
    EXPECT_EQ(e->value2.value, c.expectV2) << c.version;
  }
}

TEST(AudioFile, ATruncatedRecordFailsCleanlyWhenStrict) {
  pw::AudioFileRecord r;
  r.path = u"x.ogg";
  r.data.assign(100, 9);
  pw::ByteBuilder b;
  pw::WriteAudioFile(b, r);
  for (size_t cut : {size_t(36), size_t(80), b.size() - 3}) {  // past the 32-byte header
    pw::ByteBuilder part;
    part.Raw(b.bytes().data(), cut);
    MemoryArchive ar(part.bytes().data(), part.size(), true);
    zvi_string name;
    int32_t version = 0;
    ar.ReadWideString(&name);
    ar.ReadInt(&version);
    DS_AudioFile e;
    EXPECT_THROW(e.ReadRecord(ar, version), DS_Error) << cut;
  }
}

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("TMPDIR", dir.path().c_str(), 1); }
  void TearDown() override { unsetenv("TMPDIR"); }
  static void Give(DS_AudioFile& e, const zvi_string& path, std::vector<uint8_t> bytes) {
    e.file.path = path;
    std::memcpy(e.file.Allocate(static_cast<uint32_t>(bytes.size())), bytes.data(), bytes.size());
  }
  TempDir dir;
};

TEST_F(ExtractTest, AnExistingPathKeepsTheFileAndDropsTheBytes) {
  WriteFile(dir / "here.mp3", {1, 2, 3});
  DS_AudioFile e;
  const zvi_string path = Win32_FromUtf8((dir / "here.mp3").string());
  Give(e, path, {9, 9});
  EXPECT_TRUE(e.ExtractEmbeddedData());
  EXPECT_EQ(e.Path(), path);
  EXPECT_EQ(e.file.size, 0u);
  EXPECT_EQ(e.file.data, nullptr);
  EXPECT_EQ(ReadFile(dir / "here.mp3"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(ExtractTest, CopiesGoToTheTemporaryFolderUnderTheFileNameOnly) {
  struct Case {
    zvi_string stored;
    const char* name;
  } cases[] = {
      {u"C:\\Music\\song.mp3", "song.mp3"},
      {u"/home/someone/tune.ogg", "tune.ogg"},
      {u"..\\..\\..\\etc\\passwd.flac", "passwd.flac"},
      {u"mixed/dir\\last.wav", "last.wav"},
      {u"plain.flac", "plain.flac"},
  };
  for (const Case& c : cases) {
    DS_AudioFile e;
    Give(e, c.stored, {7, 8, 9});
    ASSERT_TRUE(e.ExtractEmbeddedData()) << c.name;
    const auto expected = dir.path() / c.name;
    EXPECT_EQ(std::filesystem::path(e.Path()), expected) << c.name;
    EXPECT_EQ(e.file.size, 0u);
    EXPECT_TRUE(e.Playable());
    EXPECT_EQ(ReadFile(expected), (std::vector<uint8_t>{7, 8, 9})) << c.name;
  }
  RemoveTempCopies();
  for (const Case& c : cases) EXPECT_FALSE(std::filesystem::exists(dir.path() / c.name)) << c.name;
}

TEST_F(ExtractTest, NamesThatLeaveNothingUsableAreRefusedAndNothingIsLost) {
  for (const zvi_string stored : {zvi_string(u"C:\\Music\\"), zvi_string(u".."), zvi_string(u"dir/.."), zvi_string(u"")}) {
    DS_AudioFile e;
    Give(e, stored, {1, 2});
    EXPECT_FALSE(e.ExtractEmbeddedData()) << Win32_ToUtf8(stored);
    EXPECT_EQ(e.Path(), stored);
    EXPECT_EQ(e.file.size, 2u);  // the bytes stay with the entry
    EXPECT_FALSE(e.Playable());
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(ExtractTest, AFailedWriteIsReportedAndLeavesTheEntryAsItWas) {
  std::filesystem::create_directory(dir / "a.mp3");  // the copy's name is taken by a folder
  DS_AudioFile e;
  Give(e, u"C:\\a.mp3", {1, 2, 3});
  EXPECT_FALSE(e.ExtractEmbeddedData());
  EXPECT_EQ(e.Path(), u"C:\\a.mp3");
  EXPECT_EQ(e.file.size, 3u);
  EXPECT_FALSE(e.Playable());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a.mp3"));

  // An entry without bytes has nothing to extract.
  DS_AudioFile none;
  none.file.path = u"C:\\b.mp3";
  EXPECT_TRUE(none.ExtractEmbeddedData());
  EXPECT_EQ(none.Path(), u"C:\\b.mp3");
}

TEST(TempNames, FileNamePartOfAStoredPath) {
  struct Case {
    zvi_string stored, name;
  } cases[] = {{u"a\\b\\c.mp3", u"c.mp3"}, {u"a/b/c.mp3", u"c.mp3"}, {u"c:tune.mp3", u"c_tune.mp3"},
               {u"x\\", u""},              {u".", u""},             {u"what?.ogg", u"what_.ogg"}};
  for (const Case& c : cases) EXPECT_EQ(TempFileNameOfPath(c.stored), c.name);
}

}  // namespace
