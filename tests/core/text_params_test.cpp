// The text blocks and the glyph layout records, read from written bytes.
#include <gtest/gtest.h>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/text_params.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/sources_writer.h"

namespace {

MemoryArchive ArchiveOf(const pw::ByteBuilder& b) { return MemoryArchive(b.bytes().data(), b.size(), true); }

TEST(TextParamsTest, DefaultsOfTheBlocks) {
  TextParams t;
  EXPECT_EQ(t.version, 2);
  EXPECT_EQ(t.font.version, 1);
  EXPECT_EQ(t.font.colour.value, 0u);
  EXPECT_EQ(t.font.transparency.derived, 255);
  TextPaintParams paint;
  EXPECT_EQ(paint.transparency.derived, 255);
}

TEST(TextParamsTest, TextRecordByVersion) {
  for (uint32_t version : {1u, 2u}) {
    SCOPED_TRACE(version);
    pw::TextParamsRecord r;
    r.version = version;
    r.text = u"Hello";
    r.font.face = u"Serif";
    r.font.size = 30;
    r.font.option1 = 4;
    r.font.option2 = 5;
    r.font.colour = 0x00112233u;
    r.font.transparency = 50;
    r.verticalAlignment = 1;
    r.horizontalAlignment = 2;
    r.layoutOption = 7;
    pw::ByteBuilder b;
    pw::WriteTextParams(b, r);
    TextParams t;
    t.layout_option = 3;
    MemoryArchive ar = ArchiveOf(b);
    ReadTextParams(ar, t);
    EXPECT_EQ(ar.Remaining(), 0u);
    EXPECT_EQ(t.text.value, u"Hello");
    EXPECT_EQ(t.font.face.value, u"Serif");
    EXPECT_EQ(t.font.size.value, 30u);
    EXPECT_EQ(t.font.option1.value, 4);
    EXPECT_EQ(t.font.option2.value, 5);
    EXPECT_EQ(t.font.colour.value, 0x00112233u);
    EXPECT_EQ(t.font.transparency.derived, 127);
    EXPECT_EQ(t.vertical_alignment.value, 1);
    EXPECT_EQ(t.horizontal_alignment.value, 2);
    // Version 1 has no layout option: the one held stays.
    EXPECT_EQ(t.layout_option.value, version == 1 ? 3 : 7);
  }
}

TEST(TextParamsTest, PaintRecord) {
  pw::ByteBuilder b;
  pw::WriteTextPaintParams(b, 2, 0x00FF0000u, 100, 9);
  TextPaintParams paint;
  MemoryArchive ar = ArchiveOf(b);
  ReadTextPaintParams(ar, paint);
  EXPECT_EQ(ar.Remaining(), 0u);
  EXPECT_EQ(paint.mode.value, 2);
  EXPECT_EQ(paint.colour.value, 0x00FF0000u);
  EXPECT_EQ(paint.transparency.derived, 0);
  EXPECT_EQ(paint.amount.value, 9u);
}

TEST(TextParamsTest, TextLineByVersion) {
  for (int32_t version : {1, 2, 3}) {
    SCOPED_TRACE(version);
    pw::TextLineRecord r;
    r.version = version;
    r.x = 1;
    r.y = 2;
    r.z = 3;
    r.glyphs = {pw::GlyphRecord{1, 'A', 0, 0, 10, 20, 1}, pw::GlyphRecord{2, 'B', 10, 0, 12, 20, 1}};
    r.width = 22;
    r.height = 20;
    r.top = -4;
    pw::ByteBuilder b;
    pw::WriteTextLine(b, r);
    TextLine line;
    line.glyphs.resize(5);
    MemoryArchive ar = ArchiveOf(b);
    ReadTextLine(ar, line);
    EXPECT_EQ(ar.Remaining(), 0u);
    EXPECT_EQ(line.version, 3);
    EXPECT_EQ(line.x, 1.0f);
    EXPECT_EQ(line.z, 3.0f);
    ASSERT_EQ(line.glyphs.size(), 2u);
    EXPECT_EQ(line.glyphs[0].code, static_cast<uint32_t>('A'));
    EXPECT_EQ(line.glyphs[0].visible, 0);  // glyph version 1
    EXPECT_EQ(line.glyphs[0].version, 2);
    EXPECT_EQ(line.glyphs[1].visible, 1);
    EXPECT_EQ(line.glyphs[1].x, 10.0f);
    EXPECT_EQ(line.glyphs[1].w, 12.0f);
    EXPECT_EQ(line.width, 22.0f);
    EXPECT_EQ(line.height, version >= 2 ? 20.0f : 0.0f);
    EXPECT_EQ(line.top, version >= 3 ? -4.0f : 0.0f);
  }
}

TEST(TextParamsTest, AtlasOrderAndFirstEntryWins) {
  pw::ByteBuilder b;
  pw::WriteGlyphAtlas(b, {pw::AtlasRecord{'A', 0.1f, 0.2f, 0.3f, 0.4f}, pw::AtlasRecord{'A', 0.5f, 0.5f, 0.9f, 0.9f},
                          pw::AtlasRecord{0xFFFFFFFFu, 0, 0, 1, 1}});
  GlyphAtlas atlas;
  MemoryArchive ar = ArchiveOf(b);
  ReadGlyphAtlas(ar, atlas);
  EXPECT_EQ(ar.Remaining(), 0u);
  ASSERT_EQ(atlas.size(), 2u);
  const GlyphAtlasEntry& a = atlas.at('A');
  EXPECT_EQ(a.umin, 0.1f);
  EXPECT_EQ(a.vmin, 0.2f);
  EXPECT_EQ(a.umax, 0.3f);
  EXPECT_EQ(a.vmax, 0.4f);
  EXPECT_EQ(a.count, 1);
  // Codes compare unsigned.
  EXPECT_EQ(atlas.rbegin()->first, 0xFFFFFFFFu);
}

// A negative count reads no entry and the record goes on after it.
TEST(TextParamsTest, NegativeCountsReadNoEntries) {
  pw::ByteBuilder negative;
  negative.Dword(3).F32(1).F32(2).F32(3).I32(-1).F32(40).F32(20).F32(-4);
  TextLine line;
  MemoryArchive a1 = ArchiveOf(negative);
  ReadTextLine(a1, line);
  EXPECT_EQ(a1.Remaining(), 0u);
  EXPECT_TRUE(line.glyphs.empty());
  EXPECT_EQ(line.y, 2.0f);
  EXPECT_EQ(line.width, 40.0f);
  EXPECT_EQ(line.top, -4.0f);
  pw::ByteBuilder atlas;
  atlas.I32(-7).U32(99);
  GlyphAtlas map;
  MemoryArchive a2 = ArchiveOf(atlas);
  ReadGlyphAtlas(a2, map);
  EXPECT_TRUE(map.empty());
  EXPECT_EQ(a2.Remaining(), 4u);
}

TEST(TextParamsTest, DamagedLayoutRecordsFail) {
  TextLine line;
  // A huge count with no glyphs behind it ends at the end of the bytes.
  pw::ByteBuilder huge;
  huge.Dword(3).F32(0).F32(0).F32(0).I32(0x7FFFFFFF);
  MemoryArchive a2 = ArchiveOf(huge);
  EXPECT_THROW(ReadTextLine(a2, line), DS_Error);
  pw::ByteBuilder atlas;
  atlas.I32(1000000).U32('A');
  GlyphAtlas map;
  MemoryArchive a3 = ArchiveOf(atlas);
  EXPECT_THROW(ReadGlyphAtlas(a3, map), DS_Error);
}

}  // namespace
