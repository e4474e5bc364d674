// Texture sources: their records by class, GUID-named links of new sources,
// resolution into frame sets through the document, premultiplication once
// per texture, and frame animation at the source's speed.
#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

#include "core/archive.h"
#include "core/ds_error.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "player/texture_sources.h"
#include "render_fixtures.h"
#include "tools/writer/render_writer.h"

using namespace render_test;

namespace {

DS_SafePtr<ZVI_TextureSRC> ReadSource(const pw::ByteBuilder& b) {
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  DS_SafePtr<ZVI_TextureSRC> s = ReadTextureSRC(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  return s;
}

pw::TextureSourceRecord Record(std::u16string cls, std::vector<std::pair<std::u16string, int64_t>> links) {
  pw::TextureSourceRecord r;
  r.className = std::move(cls);
  r.block.links = std::move(links);
  return r;
}

class TextureSources : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterTextureSourceReaders();
    // A: two frames 8 x 4 of (r 200, g 100, b 50, a 128); B: 16 x 8; C: 4 x 4;
    // D: three frames.
    const D3DCOLOR half = D3DCOLOR_ARGB(128, 200, 100, 50);
    auto png = [&](int w, int h) { return Png(w, h, [&](int, int) { return half; }); };
    pw::DocResRecord r;
    r.rawFrames.push_back({u"A.png", 1, {{1, png(8, 4), 0.1f}, {1, png(8, 4), 0.2f}}});
    r.rawFrames.push_back({u"B.png", 2, {{1, png(16, 8), 0.0f}}});
    r.rawFrames.push_back({u"C.png", 3, {{1, png(4, 4), 0.0f}}});
    r.rawFrames.push_back({u"D.png", 4, {{1, png(2, 2), 0.1f}, {1, png(2, 2), 0.1f}, {1, png(2, 2), 0.1f}}});
    UseDocument(MakeDocument(r));
  }

  // An alerter holding a source of the class with the links.
  void Hold(ZVI_AlerterTextureSRC& alerter, std::u16string cls,
            std::vector<std::pair<std::u16string, int64_t>> links, uint8_t premultiplied = 0, uint32_t atlasMode = 1) {
    pw::TextureSourceRecord r = Record(std::move(cls), std::move(links));
    r.block.premultiplied = premultiplied;
    r.block.atlasMode = atlasMode;
    pw::ByteBuilder b;
    pw::WriteTextureSource(b, r);
    alerter.value = ReadSource(b);
  }
};

TEST_F(TextureSources, RecordsOfEveryClass) {
  struct Case {
    std::u16string cls;
    bool first, second;
  };
  const Case cases[] = {{u"ZVI_ResIDTex", false, false},     {u"ZVI_ImgFileTex", false, true},
                        {u"ZVI_CustomTexure", true, true},   {u"ZVI_SoftCircleTex", true, true},
                        {u"ZVI_PolygonTex", true, true},     {u"ZVI_TextTexure", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cls.begin(), c.cls.end()));
    pw::TextureSourceRecord r = Record(c.cls, {{u"A.png", 1}, {u"B.png", 2}});
    r.values[0] = 11, r.values[1] = 22, r.values[2] = 33, r.values[3] = 44, r.values[4] = 55;
    r.text = u"Hi";
    r.face = u"Serif";
    r.fontSize = 24;
    r.fontTransparency = 10;
    r.paintAmount = 3;
    r.block.atlasColumns = 4;
    pw::ByteBuilder b;
    pw::WriteTextureSource(b, r);
    DS_SafePtr<ZVI_TextureSRC> s = ReadSource(b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->FirstClassFlag(), c.first);
    EXPECT_EQ(s->SecondClassFlag(), c.second);
    ASSERT_EQ(s->links.size(), 2u) << "the stored links replace the new one";
    EXPECT_EQ(s->links[1].name, u"B.png");
    EXPECT_EQ(s->atlasColumns, 4u);
    if (auto* soft = dynamic_cast<ZVI_SoftCircleTex*>(s.get())) {
      EXPECT_EQ(soft->first.value, 11u);
      EXPECT_EQ(soft->third.value, 33);
    }
    if (auto* poly = dynamic_cast<ZVI_PolygonTex*>(s.get())) {
      EXPECT_FLOAT_EQ(poly->third.derived, 33.0f);
      EXPECT_EQ(poly->fifth.value, 55);
    }
    if (auto* text = dynamic_cast<ZVI_TextTexure*>(s.get())) {
      EXPECT_EQ(text->text.value, u"Hi");
      EXPECT_EQ(text->font.face.value, u"Serif");
      EXPECT_EQ(text->font.size.value, 24u);
      EXPECT_EQ(text->font.transparency.value, 10u);
      EXPECT_EQ(text->paint.amount.value, 3u);
    }
    std::unique_ptr<ZVI_TextureSRC> copy(s->Clone());
    EXPECT_EQ(typeid(*copy), typeid(*s));
    EXPECT_TRUE(static_cast<DS_NamedFileLinkData&>(*copy) == static_cast<DS_NamedFileLinkData&>(*s));
  }
}

TEST_F(TextureSources, BadRecordsAreErrors) {
  pw::ByteBuilder unknown;
  pw::WriteTextureSource(unknown, Record(u"ZVI_NoSuchTex", {}));
  MemoryArchive a(unknown.bytes().data(), unknown.size(), true);
  EXPECT_THROW(ReadTextureSRC(a), DS_Error);

  pw::ByteBuilder b;
  pw::WriteTextureSource(b, Record(u"ZVI_SoftCircleTex", {{u"A.png", 1}}));
  MemoryArchive cut(b.bytes().data(), b.size() - 5, true);
  EXPECT_THROW(ReadTextureSRC(cut), DS_Error);
}

TEST_F(TextureSources, NewSourcesOwnDistinctGuidLinks) {
  ZVI_ResIDTex a;
  ZVI_SoftCircleTex b;
  ASSERT_EQ(a.links.size(), 1u);
  ASSERT_EQ(b.links.size(), 1u);
  EXPECT_EQ(a.links[0].name.size(), 38u);
  EXPECT_EQ(a.links[0].name.front(), u'{');
  EXPECT_NE(a.links[0].name, b.links[0].name);
  EXPECT_EQ(a.currentLinkName, a.links[0].name);
  EXPECT_EQ(a.currentLinkId, a.links[0].id);
  EXPECT_TRUE(a.name.value.empty());
}

TEST_F(TextureSources, ResolvesEveryLinkInOrder) {
  ZVI_AlerterTextureSRC res, soft;
  Hold(res, u"ZVI_ResIDTex", {{u"C.png", 3}, {u"A.png", 1}, {u"B.png", 2}});
  Hold(soft, u"ZVI_SoftCircleTex", {{u"C.png", 3}, {u"A.png", 1}, {u"B.png", 2}});
  EXPECT_TRUE(res.Resolve(D3DX_FILTER_NONE));
  EXPECT_TRUE(soft.Resolve(D3DX_FILTER_NONE));
  ASSERT_EQ(res.images.size(), 3u);
  const UINT widths[] = {4, 8, 16};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(res.images[i].imageWidth, widths[i]);
    EXPECT_EQ(soft.images[i].textures.size(), res.images[i].textures.size());
    EXPECT_EQ(soft.images[i].textures[0].Get(), res.images[i].textures[0].Get()) << "the same document textures";
  }
  EXPECT_EQ(res.images[1].textures.size(), 2u);

  ImageFrameSet record;
  EXPECT_TRUE(res.GetImageRecord(&record, 1));
  EXPECT_EQ(record.delays, (std::vector<float>{0.1f, 0.2f}));
  EXPECT_FALSE(res.GetImageRecord(&record, 3));

  ZVI_AlerterTextureSRC empty;  // a block without an object
  EXPECT_TRUE(empty.Resolve(D3DX_FILTER_NONE));
  EXPECT_TRUE(empty.images.empty());
}

TEST_F(TextureSources, ResolveWithoutDocumentLeavesNoImages) {
  ZVI_AlerterTextureSRC a;
  Hold(a, u"ZVI_ResIDTex", {{u"A.png", 1}});
  SetCurrentDocResManager(nullptr);
  EXPECT_TRUE(a.Resolve(D3DX_FILTER_NONE));
  EXPECT_TRUE(a.images.empty());
  SetCurrentDocResManager(doc_.get());
}

TEST_F(TextureSources, PremultipliesEachTextureOnce) {
  ZVI_AlerterTextureSRC a, b;
  Hold(a, u"ZVI_ResIDTex", {{u"A.png", 1}});
  Hold(b, u"ZVI_ImgFileTex", {{u"A.png", 1}});
  a.Resolve(D3DX_FILTER_NONE);
  b.Resolve(D3DX_FILTER_NONE);
  IDirect3DTexture9* t = a.images[0].textures[1].Get();
  D3DSURFACE_DESC desc{};
  t->GetLevelDesc(0, &desc);
  ASSERT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_FALSE(IsMarkedPremultiplied(t));
  a.PremultiplyTextures();
  EXPECT_TRUE(IsMarkedPremultiplied(t));
  const D3DCOLOR once = D3DCOLOR_ARGB(128, 100, 50, 25);  // colour x 128 / 256
  EXPECT_EQ(ReadTexture(t).at(0, 0), once);
  a.PremultiplyTextures();
  b.PremultiplyTextures();  // shares the texture
  EXPECT_EQ(ReadTexture(t).at(0, 0), once);
}

TEST_F(TextureSources, PremultipliedSourcesAreOnlyMarked) {
  ZVI_AlerterTextureSRC a;
  Hold(a, u"ZVI_ResIDTex", {{u"B.png", 2}}, 1);
  a.Resolve(D3DX_FILTER_NONE);
  a.PremultiplyTextures();
  IDirect3DTexture9* t = a.images[0].textures[0].Get();
  EXPECT_TRUE(IsMarkedPremultiplied(t));
  EXPECT_EQ(ReadTexture(t).at(0, 0), D3DCOLOR_ARGB(128, 200, 100, 50));
}

TEST_F(TextureSources, AdvanceAtTheSourceSpeed) {
  struct Case {
    uint32_t atlasMode;
    float dt, elapsed;
  };
  for (const Case& c : {Case{1, 0.5f, 0.2f}, Case{0, 0.5f, 20.0f}, Case{1, 0.1f, 0.1f}}) {
    ZVI_AlerterTextureSRC a;
    Hold(a, u"ZVI_ResIDTex", {{u"B.png", 2}}, 0, c.atlasMode);
    a.Resolve(D3DX_FILTER_NONE);
    a.Advance(c.dt);
    EXPECT_FLOAT_EQ(a.speed.elapsed, c.elapsed) << c.atlasMode;
    EXPECT_FLOAT_EQ(a.speed.step, c.elapsed);
  }
}

TEST_F(TextureSources, FramesRunForwardOrBackward) {
  for (int reverse : {0, 1}) {
    ZVI_AlerterTextureSRC a;
    Hold(a, u"ZVI_ResIDTex", {{u"D.png", 4}});
    a.reverse.value = reverse;
    a.Resolve(D3DX_FILTER_NONE);
    a.images[0].ResetAnimation();
    a.Advance(0.05f);
    EXPECT_EQ(a.images[0].frameIndex, 0);
    a.Advance(0.1f);  // past the first delay
    const int expected = reverse ? 2 : 1;
    EXPECT_EQ(a.images[0].frameIndex, expected) << reverse;
    EXPECT_EQ(a.images[0].CurrentTexture(), a.images[0].textures[expected].Get());
  }
}

TEST_F(TextureSources, AlerterRecord) {
  pw::ByteBuilder source, b;
  pw::WriteTextureSource(source, Record(u"ZVI_PolygonTex", {{u"C.png", 3}}));
  pw::WriteAlerterTextureSource(b, source, 250, 1);
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  ZVI_AlerterTextureSRC a;
  a.ReadRecord(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  ASSERT_TRUE(a.value);
  EXPECT_EQ(typeid(*a.value.get()), typeid(ZVI_PolygonTex));
  EXPECT_FLOAT_EQ(a.speed.derived, 2.5f);
  EXPECT_EQ(a.reverse.value, 1);
}

}  // namespace
