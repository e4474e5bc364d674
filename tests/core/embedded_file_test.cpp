// Embedded-file records: their stored layout, path changes, copies, module look-up.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/archive.h"
#include "core/embedded_file.h"
#include "tools/writer/byte_builder.h"

namespace {

const std::vector<uint8_t> kBytes = {1, 2, 3, 250, 0, 7};

TEST(EmbeddedFileRecord, BlobAndEmbeddedFileReadTheirFieldsInStoredOrder) {
  pw::ByteBuilder b;
  b.Blob(u"C:\\pics\\a.png", kBytes)
      .EmbeddedFile(228, u"common_res.dll", u"D:\\trace.png", kBytes)
      .EmbeddedFile(0, u"", u"E:\\empty.wav", {})
      .U32(0xCAFEF00D);
  // The same records read from memory and from a file.
  auto path = std::filesystem::temp_directory_path() / "embedded_file_test.bin";
  ASSERT_TRUE(b.SaveTo(path.string()));
  for (int source = 0; source < 2; ++source) {
    ResourceBuffer buffer;
    if (source == 0) buffer.SetMemory(b.bytes().data(), b.size());
    else ASSERT_TRUE(buffer.Open(path.u16string()));
    DS_IOF_R stream(&buffer);
    EmbeddedFileData blob;
    EmbeddedFile module, empty;
    uint32_t after = 0;
    stream.ReadBlob(&blob);
    stream.ReadEmbeddedFile(&module);
    stream.ReadEmbeddedFile(&empty);
    stream.ReadUInt(&after);
    EXPECT_EQ(blob.path, u"C:\\pics\\a.png");
    ASSERT_EQ(blob.size, kBytes.size());
    EXPECT_EQ(std::vector<uint8_t>(blob.data.get(), blob.data.get() + blob.size), kBytes);
    EXPECT_EQ(module.resourceId, 228u);
    EXPECT_EQ(module.moduleName, u"common_res.dll");
    EXPECT_EQ(module.path, u"D:\\trace.png");
    EXPECT_EQ(module.size, kBytes.size());
    EXPECT_EQ(empty.data, nullptr);  // count 0: no array, the path follows the count
    EXPECT_EQ(empty.size, 0u);
    EXPECT_EQ(empty.path, u"E:\\empty.wav");
    EXPECT_EQ(after, 0xCAFEF00Du);
    EXPECT_FALSE(buffer.MetEnd());
  }
  std::filesystem::remove(path);
}

TEST(EmbeddedFileRecord, CountBeyondTheDataAllocatesOnlyWhatIsThere) {
  pw::ByteBuilder b;
  b.U32(0xFFFFFFF0).Raw(kBytes);
  MemoryArchive lenient(b.bytes().data(), b.size());
  EmbeddedFileData blob;
  lenient.ReadBlob(&blob);
  EXPECT_EQ(blob.size, kBytes.size());
  EXPECT_TRUE(lenient.Buffer().MetEnd());
  MemoryArchive strict(b.bytes().data(), b.size(), true);
  EmbeddedFileData other;
  EXPECT_THROW(strict.ReadBlob(&other), DS_Error);
}

TEST(EmbeddedFileRecord, SetPathKeepsBytesOnlyForTheIdenticalPath) {
  struct Case {
    zvi_string newPath;
    bool kept;
  } cases[] = {{u"a\\b.png", true}, {u"a\\b.pnG", false}, {u"a\\b.png2", false}, {u"", false}};
  for (const Case& c : cases) {
    EmbeddedFileData d;
    d.path = u"a\\b.png";
    d.Allocate(3)[0] = 9;
    d.SetPath(c.newPath);
    EXPECT_EQ(d.path, c.newPath);
    EXPECT_EQ(d.data != nullptr, c.kept);
    EXPECT_EQ(d.size, c.kept ? 3u : 0u);
  }
}

TEST(EmbeddedFileRecord, CopyFromDuplicatesPathAndBytes) {
  EmbeddedFileData src;
  src.path = u"x.png";
  std::copy(kBytes.begin(), kBytes.end(), src.Allocate(static_cast<uint32_t>(kBytes.size())));
  EmbeddedFileData copy;
  copy.CopyFrom(src);
  EXPECT_EQ(copy.path, u"x.png");
  ASSERT_EQ(copy.size, src.size);
  EXPECT_NE(copy.data.get(), src.data.get());
  EXPECT_EQ(std::vector<uint8_t>(copy.data.get(), copy.data.get() + copy.size), kBytes);
  EmbeddedFileData none;
  copy.CopyFrom(none);
  EXPECT_EQ(copy.data, nullptr);
  EXPECT_EQ(copy.size, 0u);
}

TEST(EmbeddedFileRecord, FileNameOfPath) {
  EXPECT_EQ(FileNameOfPath(u"E:\\a\\b.wav"), u"b.wav");
  EXPECT_EQ(FileNameOfPath(u"b.wav"), u"");
  EXPECT_EQ(FileNameOfPath(u"E:\\a\\"), u"");
  EXPECT_EQ(FileNameOfPath(u""), u"");
}

TEST(EmbeddedFileRecord, MissingModuleOrResourceLeavesTheRecordUnchanged) {
  const uint32_t ids[] = {1, 65000};
  const zvi_string modules[] = {u"no_such_module.dll", u""};
  for (const auto& module : modules) {
    for (uint32_t id : ids) {
      EmbeddedFile f;
      f.moduleName = module;
      f.resourceId = id;
      f.Allocate(2)[0] = 42;
      EXPECT_FALSE(f.LoadFromModule());
      EXPECT_EQ(f.size, 2u);
      EXPECT_EQ(f.data[0], 42);
    }
  }
}

}  // namespace
