#include <gtest/gtest.h>
#include <utime.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/archive.h"
#include "core/embedded_file.h"
#include "platform/com/com.h"
#include "platform/win32/windows.h"
#include "player/file_links.h"
#include "tools/writer/docres_writer.h"

namespace {

// Counts the notifications a parameter sends.
struct CountingControl : MediaControl {
  int calls = 0;
  void OnChanged(MediaControl*) override { ++calls; }
};

TEST(DocResFileLinks, NameOperations) {
  struct Case {
    std::u16string name;
    std::u16string extension;
    bool fileLink;
    std::u16string fileName;
  };
  const Case cases[] = {
      {u"common_res.dll", u".dll", false, u""},
      {u"C:\\Res\\COMMON_RES.DLL", u".dll", false, u"COMMON_RES.DLL"},
      {u"{0A1B2C3D-0000-1111-2222-333344445555}", u"", true, u""},
      {u"E:\\pics.old\\sky", u".old\\sky", true, u"sky"},
      {u"E:\\a\\Anim.GIF", u".gif", true, u"Anim.GIF"},
      {u"E:\\a\\", u"", true, u""},
      {u"", u"", true, u""},
  };
  for (const auto& c : cases) {
    DS_FileLink3 link;
    link.name = c.name;
    EXPECT_EQ(link.GetExtension(), c.extension) << Win32_ToUtf8(c.name);
    EXPECT_EQ(link.IsFileLink(), c.fileLink) << Win32_ToUtf8(c.name);
    EXPECT_EQ(link.GetFileName(), c.fileName) << Win32_ToUtf8(c.name);
  }
}

TEST(DocResFileLinks, DiffersFromComparesNameAndId) {
  DS_FileLink3 link;
  link.name = u"abc";
  link.id = 7;
  EXPECT_FALSE(link.DiffersFrom(LinkKey(u"abc", 7)));
  EXPECT_TRUE(link.DiffersFrom(LinkKey(u"abc", 8)));
  EXPECT_TRUE(link.DiffersFrom(LinkKey(u"abd", 7)));
  EXPECT_TRUE(link.DiffersFrom(LinkKey(u"abcd", 7)));
}

TEST(DocResFileLinks, LinksFromEmbeddedFiles) {
  EmbeddedFile module;
  module.resourceId = 202;
  module.moduleName = u"common_res.dll";
  module.path = u"C:\\anything\\glow.fx";
  DS_FileLink3 fromModule(module);
  EXPECT_EQ(fromModule.Key(), LinkKey(u"common_res.dll", 202));

  EmbeddedFile stored;
  stored.path = u"C:\\pics\\a.png";
  DS_FileLink3 first(stored);
  DS_FileLink3 second(stored);
  EXPECT_EQ(first.name, stored.path);
  EXPECT_EQ(second.name, stored.path);
  EXPECT_EQ(second.id, first.id + 1);
}

TEST(DocResFileLinks, PathLinkTakesLastWriteTime) {
  auto path = std::filesystem::temp_directory_path() / "docres_link_time.bin";
  { std::ofstream(path) << "x"; }
  struct utimbuf times {};
  times.actime = 1234567890;
  times.modtime = 1234567890;
  ASSERT_EQ(utime(path.c_str(), &times), 0);
  DS_FileLink3 link(Win32_FromUtf8(path.string()));
  EXPECT_EQ(link.id, 1234567890);
  std::filesystem::remove(path);

  DS_FileLink3 missing(u"{00000000-0000-0000-0000-000000000000}");
  EXPECT_EQ(missing.id, 0);
}

TEST(DocResFileLinks, GuidKeyIsBracedTextWithIdZero) {
  GUID guid{0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};
  LinkKey key = GuidToString(guid);
  EXPECT_EQ(key.name, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
  EXPECT_EQ(key.id, 0);
}

TEST(DocResFileLinks, ImageLinkUndoControlIsOwnAndFirst) {
  DS_ImageFileLink link(62, u"common_res.dll");
  EXPECT_EQ(link.Key(), LinkKey(u"common_res.dll", 62));
  ASSERT_EQ(link.ControlCount(), 1u);
  EXPECT_EQ(link.Undo().Saved(), link.Key());

  CountingControl watcher;
  link.AddControl(&watcher);
  DS_ImageFileLink copy(link);
  EXPECT_EQ(copy.ControlCount(), 1u) << "observers are never copied";
  EXPECT_EQ(copy.Undo().Saved(), LinkKey(u"common_res.dll", 62));
  link.RemoveControl(&watcher);
}

TEST(DocResFileLinks, ImageLinkUndoHistory) {
  DS_ImageFileLink link(1, u"a.dll");
  CountingControl watcher;
  link.AddControl(&watcher);
  // 21 edits, each committed before the change is seen.
  for (int i = 2; i <= 22; ++i) {
    link.Undo().Commit();
    link.id = i;
    link.Notify(nullptr);
  }
  EXPECT_EQ(link.Undo().History().size(), 20u);
  EXPECT_EQ(link.Undo().Saved().id, 22);

  link.Undo().Undo();
  EXPECT_EQ(link.id, 21);
  EXPECT_EQ(watcher.calls, 22) << "undo writes back and notifies the other controls";
  link.Undo().Redo();
  EXPECT_EQ(link.id, 22);
  link.RemoveControl(&watcher);
}

std::vector<uint8_t> Bytes(const pw::ByteBuilder& b) { return b.bytes(); }

TEST(DocResFileLinks, ReadImageFileLinksReplacesVector) {
  pw::ByteBuilder b;
  pw::WriteImageFileLinks(b, {{u"common_res.dll", 5}, {u"C:\\x.png", -3}});
  auto bytes = Bytes(b);
  MemoryArchive ar(bytes.data(), bytes.size());
  std::vector<DS_ImageFileLink> links(3);
  ReadImageFileLinks(ar, links);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0].Key(), LinkKey(u"common_res.dll", 5));
  EXPECT_EQ(links[1].Key(), LinkKey(u"C:\\x.png", -3));
  for (auto& l : links) {
    EXPECT_EQ(l.ControlCount(), 1u);
    EXPECT_EQ(l.Undo().Saved(), l.Key());
  }
  EXPECT_EQ(ar.Remaining(), 0u);
}

TEST(DocResFileLinks, NegativeLinkCountIsNoLinks) {
  pw::ByteBuilder b;
  b.I32(-2).U32(0xBEEF);
  auto bytes = Bytes(b);
  MemoryArchive ar(bytes.data(), bytes.size(), true);
  std::vector<DS_ImageFileLink> links(2);
  ReadImageFileLinks(ar, links);
  EXPECT_TRUE(links.empty());
  uint32_t next = 0;
  ar.ReadUInt(&next);
  EXPECT_EQ(next, 0xBEEFu);
}

TEST(DocResFileLinks, HostileLinkCountEndsCleanly) {
  pw::ByteBuilder b;
  b.I32(0x7FFFFFFF).FileLink(u"a.png", 1);
  auto bytes = Bytes(b);
  MemoryArchive ar(bytes.data(), bytes.size());
  std::vector<DS_ImageFileLink> links;
  ReadImageFileLinks(ar, links);
  EXPECT_LE(links.size(), 1u);

  MemoryArchive strict(bytes.data(), bytes.size(), true);
  EXPECT_THROW(ReadImageFileLinks(strict, links), DS_Error);
}

TEST(DocResFileLinks, NamedBlockVersions) {
  struct Case {
    uint32_t version;
    uint32_t columns;
    std::u16string current;
    int64_t currentId;
    uint8_t flag;
    float offsetX;
    int mode;
  };
  // Versions 0 and 1 take the current link from the first link.
  const Case cases[] = {
      {0, 1, u"first.png", 10, 0, 0.0f, -1},   {1, 4, u"first.png", 10, 0, 0.0f, -1},
      {2, 4, u"cur.png", 77, 0, 0.0f, -1},     {3, 4, u"cur.png", 77, 1, 0.0f, -1},
      {4, 4, u"cur.png", 77, 1, 2.5f, -1},     {5, 4, u"cur.png", 77, 1, 2.5f, 1},
  };
  for (const auto& c : cases) {
    pw::NamedFileLinkSpec written;
    written.name = u"block";
    written.links = {{u"first.png", 10}, {u"second.png", 11}};
    written.version = c.version;
    written.atlasColumns = 4;
    written.atlasRows = 2;
    written.currentName = u"cur.png";
    written.currentId = 77;
    written.premultiplied = 1;
    written.cellOffset[0] = 2.5f;
    written.atlasMode = 1;
    pw::ByteBuilder b;
    pw::WriteNamedFileLinkData(b, written);
    b.U32(0xDEADBEEF);  // what follows the block stays unread
    auto bytes = Bytes(b);
    MemoryArchive ar(bytes.data(), bytes.size());
    DS_NamedFileLinkData block;
    ReadNamedFileLinkData(ar, block);
    SCOPED_TRACE(c.version);
    EXPECT_EQ(block.name.value, u"block");
    ASSERT_EQ(block.links.size(), 2u);
    EXPECT_EQ(block.atlasColumns, c.columns);
    EXPECT_EQ(block.currentLinkName, c.current);
    EXPECT_EQ(block.currentLinkId, c.currentId);
    EXPECT_EQ(block.premultiplied, c.flag);
    EXPECT_EQ(block.cellOffset.value.x, c.offsetX);
    EXPECT_EQ(block.atlasMode.value, c.mode);
    EXPECT_EQ(block.version, 5);
    EXPECT_EQ(ar.Remaining(), 4u);
  }
}

TEST(DocResFileLinks, OldBlockWithoutLinksHasEmptyCurrentLink) {
  pw::NamedFileLinkSpec written;
  written.version = 0;
  pw::ByteBuilder b;
  pw::WriteNamedFileLinkData(b, written);
  auto bytes = Bytes(b);
  MemoryArchive ar(bytes.data(), bytes.size());
  DS_NamedFileLinkData block;
  block.currentLinkName = u"stale";
  block.currentLinkId = 9;
  ReadNamedFileLinkData(ar, block);
  EXPECT_TRUE(block.currentLinkName.empty());
  EXPECT_EQ(block.currentLinkId, 0);
}

TEST(DocResFileLinks, NamedBlockFromLinksAndEquality) {
  std::vector<DS_ImageFileLink> links;
  DS_FileLink3 file;
  file.name = u"C:\\pics\\leaf.png";
  file.id = 3;
  links.emplace_back(file);
  DS_NamedFileLinkData block(links);
  EXPECT_EQ(block.name.value, u"leaf.png");
  EXPECT_EQ(block.atlasColumns, 1u);
  EXPECT_EQ(block.atlasMode.value, -1);

  DS_NamedFileLinkData other(links);
  other.name.value = u"different";
  other.atlasColumns = 8;
  EXPECT_TRUE(block == other) << "only the links are compared";
  other.links[0].id = 4;
  EXPECT_FALSE(block == other);

  DS_NamedFileLink param;
  CountingControl watcher;
  param.AddControl(&watcher);
  EXPECT_TRUE(param.SetValue(block));
  EXPECT_FALSE(param.SetValue(DS_NamedFileLinkData(links)));
  EXPECT_EQ(watcher.calls, 1);
  param.RemoveControl(&watcher);
}

}  // namespace
