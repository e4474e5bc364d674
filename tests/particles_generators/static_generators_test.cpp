// Static generators: the glyph frame timer, the animated font's quads scaled
// about its origin, the single-rectangle quad with its mirrors, the plant's
// clock, and their records.
#include <gtest/gtest.h>

#include <memory>

#include "core/archive.h"
#include "gen_fixtures.h"
#include "particles/generators/static_generators.h"
#include "player/scene_object.h"
#include "tools/writer/generators_writer.h"

using namespace gen_test;

namespace {

std::vector<DX_V::PCT> QuadOf(DS_ParticlesObj& object, size_t layer, uint32_t i) {
  DS_IndexedMesh<DX_V::PCT>* mesh = object.LayerMesh(layer);
  void* data = nullptr;
  if (!mesh || !mesh->vertexBuffer || FAILED(mesh->vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY))) return {};
  const auto* v = static_cast<const DX_V::PCT*>(data) + static_cast<size_t>(i) * 4;
  std::vector<DX_V::PCT> out(v, v + 4);
  mesh->vertexBuffer->Unlock();
  return out;
}

DS_ParticlesObj* Runtime(DS_ABObj_Constructor& model) { return static_cast<DS_ParticlesObj*>(model.CreateRuntime()); }

TEST(GlyphAnimation, FrameTimer) {
  DocImage picture;
  picture.delays = {0.1f, 0.2f};
  struct Step {
    float t;
    uint32_t frame;
    float lastSwitch;
  };
  const Step steps[] = {
      {0.0f, 0, 0.0f},  {0.05f, 0, 0.0f},   {0.15f, 1, 0.15f},  // past 0.1: one frame on
      {0.3f, 1, 0.15f}, {0.36f, 0, 0.36f},                      // past 0.2: wraps to 0
      {0.2f, 0, 0.2f},                                          // back in time: only the switch time
      {0.9f, 1, 0.9f},                                          // a long gap: still one frame
  };
  for (const Step& s : steps) {
    AdvanceGlyphAnimation(picture, s.t);
    EXPECT_EQ(picture.frameIndex, s.frame) << s.t;
    EXPECT_FLOAT_EQ(picture.lastSwitch, s.lastSwitch) << s.t;
  }
  DocImage still;
  for (float t : {0.0f, 1.0f, 5.0f}) AdvanceGlyphAnimation(still, t);
  EXPECT_EQ(still.frameIndex, 0u);
  DocImage one;
  one.delays = {0.1f};
  for (float t : {0.0f, 0.2f, 0.4f}) AdvanceGlyphAnimation(one, t);
  EXPECT_EQ(one.frameIndex, 0u);
}

class StaticGenerators : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    pw::DocResRecord r;
    auto picture = [](int w, int h, D3DCOLOR c) { return Png(w, h, [c](int, int) { return c; }); };
    r.moduleImages.push_back({u"common_res.dll", 7701, {{7701, u"common_res.dll", u"g1.png", picture(40, 60, 0xFFFF0000)}}});
    r.moduleImages.push_back({u"common_res.dll", 7702, {{7702, u"common_res.dll", u"g2.png", picture(8, 8, 0xFF0000FF)}}});
    r.imageFiles.push_back({u"grey.png", 0, {{0, u"", u"grey.png", picture(64, 64, 0xFF808080)}}});
    // Left half red, right half green, for the plant.
    r.imageFiles.push_back({u"leaf.png", 0, {{0, u"", u"leaf.png", Png(16, 16, [](int x, int) {
                                                return x < 8 ? 0xFFFF0000u : 0xFF00FF00u;
                                              })}}});
    UseDocument(MakeDocument(r));
  }
};

TEST_F(StaticGenerators, FontQuadsAreScaledAboutTheOrigin) {
  DS_AnimatedFont font;
  font.origin = D3DXVECTOR3(100, 100, 0);
  font.scale.SetValue(50u);
  font.heads.emplace_back(300, 100, 0);
  font.glyphLinks = {DS_ImageFileLink(7701, u"common_res.dll")};
  std::unique_ptr<DS_ParticlesObj> object(Runtime(font));
  ASSERT_EQ(object->QuadCount(0), 1u);
  auto q = QuadOf(*object, 0, 0);
  ASSERT_EQ(q.size(), 4u);
  const D3DXMATRIX& m = object->LayerMesh(0)->world;
  D3DXVECTOR3 a(q[1].x, q[1].y, q[1].z), b(q[2].x, q[2].y, q[2].z);
  D3DXVec3TransformCoord(&a, &a, &m);
  D3DXVec3TransformCoord(&b, &b, &m);
  EXPECT_FLOAT_EQ(a.x, 200.0f);
  EXPECT_FLOAT_EQ(a.y, 100.0f);
  EXPECT_FLOAT_EQ(b.x, 220.0f);
  EXPECT_FLOAT_EQ(b.y, 130.0f);
  EXPECT_EQ(q[1].u, 0.0f);
  EXPECT_EQ(q[1].v, 0.0f);
  EXPECT_EQ(q[2].u, 1.0f);
  EXPECT_EQ(q[2].v, 1.0f);
  EXPECT_EQ(object->LayerMesh(0)->local, m);
}

TEST_F(StaticGenerators, FontWritesOnlyPairsOfHeadAndPicture) {
  DS_AnimatedFont none;
  none.heads.emplace_back(1, 1, 0);
  std::unique_ptr<DS_ParticlesObj> empty(Runtime(none));
  EXPECT_EQ(empty->QuadCount(0), 0u);

  DS_AnimatedFont more;
  more.scale.SetValue(100u);
  more.heads.emplace_back(1, 1, 0);
  more.heads.emplace_back(50, 1, 0);
  more.glyphLinks = {DS_ImageFileLink(7702, u"common_res.dll")};
  std::unique_ptr<DS_ParticlesObj> object(Runtime(more));
  EXPECT_EQ(object->QuadCount(0), 1u);
}

TEST_F(StaticGenerators, TwoGlyphsEachWithItsPicture) {
  auto light = MakeLight(u"grey.png", kFitStretch);
  DS_AnimatedFont font;
  font.scale.SetValue(100u);
  font.heads.emplace_back(4, 4, 0);
  font.heads.emplace_back(40, 20, 0);
  font.glyphLinks = {DS_ImageFileLink(7702, u"common_res.dll"), DS_ImageFileLink(7701, u"common_res.dll")};
  RuntimeObjects objects{DS_SafePtr<DS_ABObj>(font.CreateRuntime())};
  objects[0]->Update(0.0f);
  Pixels px = Frame(*light, objects);
  EXPECT_TRUE(Near(px.at(8, 8), 0xFF0000FF)) << std::hex << px.at(8, 8);
  EXPECT_TRUE(Near(px.at(50, 40), 0xFFFF0000)) << std::hex << px.at(50, 40);
  EXPECT_TRUE(Near(px.at(30, 10), 0xFF808080)) << std::hex << px.at(30, 10);
}

TEST_F(StaticGenerators, RectQuadCornersAndMirrors) {
  struct Case {
    int h, v;
    float u0, v0;  // texture coordinate at the (left, top) corner
  };
  for (const Case c : {Case{0, 0, 0, 0}, Case{1, 0, 1, 0}, Case{0, 1, 0, 1}, Case{1, 1, 1, 1}}) {
    DS_Plant plant;
    plant.rect.SetCentredRect(D3DXVECTOR3(20, 30, 0), 10, 6);
    plant.horizontalMirror = c.h;
    plant.verticalMirror = c.v;
    plant.colour1.value = 0x000080FF;
    std::unique_ptr<DS_ParticlesObj> object(Runtime(plant));
    auto q = QuadOf(*object, 0, 0);
    ASSERT_EQ(q.size(), 4u);
    // Vertex 1 is corner 1, the (left, top) corner of a centred rectangle.
    EXPECT_EQ(q[1].x, 15.0f);
    EXPECT_EQ(q[1].y, 27.0f);
    EXPECT_EQ(q[1].u, c.u0) << c.h << c.v;
    EXPECT_EQ(q[1].v, c.v0) << c.h << c.v;
    EXPECT_EQ(q[2].x, 25.0f);
    EXPECT_EQ(q[2].y, 33.0f);
    EXPECT_EQ(q[2].u, 1.0f - c.u0);
    EXPECT_EQ(q[0].color, 0xFFFF8000u);
  }
}

TEST_F(StaticGenerators, PlantClock) {
  DS_Plant plant;
  plant.speed.SetValue(50u);
  float t = 0.0f;
  plant.Update(t, nullptr);
  for (int i = 0; i < 5; ++i) {
    const float before = plant.speed.elapsed;
    t += 0.04f;
    plant.Update(t, nullptr);
    EXPECT_NEAR(plant.speed.elapsed - before, 0.04f, 1e-5f);
  }
  const float before = plant.speed.elapsed;
  plant.Update(t + 0.5f, nullptr);
  EXPECT_NEAR(plant.speed.elapsed - before, 0.2f, 1e-6f);
}

TEST_F(StaticGenerators, PlantSwaysFromItsRoot) {
  auto light = MakeLight(u"grey.png", kFitStretch);
  auto frame = [&](uint32_t w) {
    DS_Plant plant;
    plant.rect.SetCentredRect(D3DXVECTOR3(32, 32, 0), 32, 32);
    plant.imageLinks = {DS_ImageFileLink(0, u"leaf.png")};
    plant.frequency.SetValue(10u);  // 1 radian per second of "Time"
    plant.wMagnitude.SetValue(w);
    plant.speed.SetValue(50u);
    RuntimeObjects objects{DS_SafePtr<DS_ABObj>(plant.CreateRuntime())};
    EXPECT_NE(static_cast<DS_Plant*>(static_cast<DS_ParticlesObj*>(objects[0].get())->generator)->effect, nullptr);
    objects[0]->Update(0.0f);
    for (int i = 1; i <= 8; ++i) objects[0]->Update(i * 0.2f);  // Time 1.6: sin close to 1
    return Frame(*light, objects);
  };
  Pixels still = frame(0);
  // The picture in its rectangle: red on the left half, green on the right.
  EXPECT_TRUE(Near(still.at(28, 20), 0xFFFF0000, 8)) << std::hex << still.at(28, 20);
  EXPECT_TRUE(Near(still.at(36, 20), 0xFF00FF00, 8)) << std::hex << still.at(36, 20);
  EXPECT_TRUE(Near(still.at(8, 8), 0xFF808080)) << std::hex << still.at(8, 8);
  Pixels swayed = frame(100);  // 0.2 of the width at the top
  // The top row moves a fifth of the width (about 6 pixels) to the right...
  EXPECT_TRUE(Near(swayed.at(34, 17), 0xFFFF0000, 8)) << std::hex << swayed.at(34, 17);
  // ...the bottom row stays.
  EXPECT_TRUE(Near(swayed.at(28, 47), 0xFFFF0000, 8)) << std::hex << swayed.at(28, 47);
  EXPECT_TRUE(Near(swayed.at(36, 47), 0xFF00FF00, 8)) << std::hex << swayed.at(36, 47);
}

// Records, field by field.
void StaticPart(pw::ByteBuilder& b) {
  b.WideString(u"DS_StaticGenerator").I32(1).F32(100).F32(50).F32(0);
  b.WideString(u"DS_TexParticleGenerator").I32(3);
  b.I32(1).FileLink(u"a.png", 0).FileLink(u"", 0);
  b.U32(0x00FFFFFF).U32(0).U32(0x00FFFFFF).U32(0).I32(0).I32(1).I32(0).I32(1);
  b.WideString(u"DS_ParticleGenerator").I32(3).I32(1).F32(7).F32(8).F32(0);
  b.U32(20).U32(30).U32(0).U32(0).I32(0);
  pw::WriteConstructorBase(b, pw::ConstructorRecord{});
}

pw::StaticGeneratorRecord StaticRecord() {
  pw::StaticGeneratorRecord r;
  r.origin = {100, 50, 0};
  r.tex.images = {{u"a.png", 0}};
  r.tex.verticalMirror = 1;
  r.tex.imageLinkKind = 1;
  r.tex.generator.heads = {{7, 8, 0}};
  return r;
}

std::unique_ptr<DS_ABObj_Constructor> ReadWhole(const pw::ByteBuilder& b) {
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  auto obj = ReadObject(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  return obj;
}

TEST_F(StaticGenerators, FontRecord) {
  pw::ByteBuilder b;
  b.WideString(u"DS_AnimatedFont").I32(1).WideString(u"Hi!").U32(200).U32(50);
  b.U32(1).U32(2).U32(3).I32(-4);
  b.I32(3).U16(u'H').FileLink(u"common_res.dll", 11).U16(u'i').FileLink(u"common_res.dll", 12);
  b.U16(u'H').FileLink(u"common_res.dll", 99);  // a repeated character keeps its first entry
  b.I32(2).FileLink(u"common_res.dll", 11).FileLink(u"common_res.dll", 12);
  StaticPart(b);
  auto obj = ReadWhole(b);
  auto* font = dynamic_cast<DS_AnimatedFont*>(obj.get());
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->text.value, u"Hi!");
  EXPECT_FLOAT_EQ(font->animationSpeed.derived, 2.0f);
  EXPECT_FLOAT_EQ(font->scale.derived, 0.5f);
  EXPECT_EQ(font->settings[2].value, 3u);
  EXPECT_EQ(font->setting.value, -4);
  ASSERT_EQ(font->glyphMap.size(), 2u);
  EXPECT_EQ(font->glyphMap.at(u'H').id, 11);
  ASSERT_EQ(font->glyphLinks.size(), 2u);
  EXPECT_EQ(font->glyphLinks[1].id, 12);
  EXPECT_EQ(font->origin.value, D3DXVECTOR3(100, 50, 0));
  EXPECT_EQ(font->imageLinkKind, 1);
  EXPECT_EQ(font->heads.size(), 1u);

  pw::AnimatedFontRecord r;
  r.text = u"Hi!";
  r.animationSpeed = 200;
  r.scale = 50;
  r.settings = {1, 2, 3};
  r.setting = -4;
  r.glyphMap = {{u'H', u"common_res.dll", 11}, {u'i', u"common_res.dll", 12}, {u'H', u"common_res.dll", 99}};
  r.glyphLinks = {{u"common_res.dll", 11}, {u"common_res.dll", 12}};
  r.base = StaticRecord();
  pw::ByteBuilder written;
  pw::WriteAnimatedFont(written, r);
  EXPECT_EQ(written.bytes(), b.bytes());
}

TEST_F(StaticGenerators, PlantRecordAtBothRectVersions) {
  for (int32_t version = 1; version <= 2; ++version) {
    pw::ByteBuilder b;
    b.WideString(u"DS_Plant").I32(1).U32(100).U32(20).U32(50).U32(25);
    b.WideString(u"DS_SingleRectGN").I32(version);
    for (int i = 0; i < 12; ++i) b.F32(static_cast<float>(i));
    if (version < 2) b.F32(-1).F32(-2);
    StaticPart(b);
    auto obj = ReadWhole(b);
    auto* plant = dynamic_cast<DS_Plant*>(obj.get());
    ASSERT_NE(plant, nullptr);
    EXPECT_FLOAT_EQ(plant->speed.derived, 2.0f);
    EXPECT_FLOAT_EQ(plant->frequency.derived, 2.0f);
    EXPECT_FLOAT_EQ(plant->wMagnitude.derived, 0.1f);
    EXPECT_FLOAT_EQ(plant->bMagnitude.derived, 0.05f);
    EXPECT_EQ(plant->rect.corners[3].value, D3DXVECTOR3(9, 10, 11));
    EXPECT_EQ(plant->origin.value, D3DXVECTOR3(100, 50, 0));

    pw::PlantRecord r;
    r.speed = 100;
    r.frequency = 20;
    r.wMagnitude = 50;
    r.bMagnitude = 25;
    r.rect.version = version;
    for (int i = 0; i < 4; ++i) r.rect.corners[i] = {3.0f * i, 3.0f * i + 1, 3.0f * i + 2};
    r.rect.extra = {-1, -2};
    r.rect.base = StaticRecord();
    pw::ByteBuilder written;
    pw::WritePlant(written, r);
    EXPECT_EQ(written.bytes(), b.bytes()) << version;
  }
}

}  // namespace
