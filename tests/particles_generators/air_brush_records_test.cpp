// The air-brush records read field by field at every version, through the
// scene-object registry as a project holds them, and the writers checked
// against the same bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "particles/generators/air_brushes.h"
#include "player/app/register_all.h"
#include "player/scene_object.h"
#include "tools/writer/generators_writer.h"

namespace {

// The texture-generator part and its base, both at version 3.
void TexBase(pw::ByteBuilder& b) {
  b.WideString(u"DS_TexParticleGenerator").I32(3);
  b.I32(1).FileLink(u"dab.png", 0);
  b.FileLink(u"", 0);
  b.U32(0x00FFFFFF).U32(0).U32(0x0000FF00).U32(0);
  b.I32(1).I32(0).I32(0).I32(0);
  b.WideString(u"DS_ParticleGenerator").I32(3);
  b.I32(0).U32(20).U32(30).U32(0).U32(0).I32(0);
  pw::WriteConstructorBase(b, pw::ConstructorRecord{});
}

// "DS_AirBrush" with two dabs whose values are 10 + j (channels) and 20 + j
// (factors); `count` values written per dab.
void AirBrushPart(pw::ByteBuilder& b, int32_t version, uint32_t count = 5) {
  b.WideString(u"DS_AirBrush").I32(version);
  b.U32(24);
  if (version >= 2) {
    b.U32(2);
    for (int d = 0; d < 2; ++d) {
      b.F32(static_cast<float>(d)).F32(2).F32(3);
      b.U32(count);
      for (uint32_t j = 0; j < count; ++j) {
        b.F32(10.0f + static_cast<float>(j));
        if (version >= 3) b.F32(20.0f + static_cast<float>(j));
      }
    }
  } else {
    b.I32(2).F32(0).F32(2).F32(3).F32(1).F32(2).F32(3);
  }
  TexBase(b);
}

class AirBrushRecords : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterEverything(); }

  static std::unique_ptr<DS_ABObj_Constructor> ReadWhole(const pw::ByteBuilder& b) {
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    auto obj = ReadObject(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    return obj;
  }
};

TEST_F(AirBrushRecords, DabsAtEveryVersion) {
  for (int32_t version = 1; version <= 3; ++version) {
    SCOPED_TRACE(version);
    pw::ByteBuilder b;
    AirBrushPart(b, version);
    DS_AirBrush brush;
    MemoryArchive ar(b.bytes().data() + 0, b.size(), true);
    zvi_string name;
    int32_t v = 0;
    ar.ReadWideString(&name);
    ar.ReadInt(&v);
    brush.ReadAirBrushRecord(ar, v);
    EXPECT_EQ(ar.Remaining(), 0u);
    EXPECT_EQ(brush.brushSize.value, 24u);
    ASSERT_EQ(brush.strokes.size(), 2u);
    const GeneratorParticle& dab = brush.strokes.back();
    EXPECT_EQ(dab.position, D3DXVECTOR3(1, 2, 3));
    for (int j = 0; j < 5; ++j) {
      const float channel = version >= 2 ? 10.0f + j : (j == 1 || j == 2 ? 1.0f : 0.0f);
      float factor = version >= 3 ? 20.0f + j : 1.0f;
      if (version == 2 && j == 4) factor = 0.0f;  // no turn offset
      EXPECT_EQ(dab.channels[j], channel) << j;
      EXPECT_EQ(dab.factors[j], factor) << j;
    }
  }
}

TEST_F(AirBrushRecords, ValueCountsOtherThanFive) {
  struct Case {
    int32_t version;
    uint32_t count;
  };
  for (const Case c : {Case{3, 7}, Case{3, 2}, Case{2, 9}}) {
    SCOPED_TRACE(c.count);
    pw::ByteBuilder b;
    b.WideString(u"DS_TwinklingStars").I32(1).U32(0);
    AirBrushPart(b, c.version, c.count);
    auto obj = ReadWhole(b);
    auto* stars = dynamic_cast<DS_TwinklingStars*>(obj.get());
    ASSERT_NE(stars, nullptr);
    // The stream stayed aligned: the base parts read right.
    EXPECT_EQ(stars->imageLinks.size(), 1u);
    EXPECT_EQ(stars->colour2.value, 0x0000FF00u);
    const GeneratorParticle& dab = stars->strokes.front();
    EXPECT_EQ(dab.channels[1], c.count > 1 ? 11.0f : 1.0f);
    EXPECT_EQ(dab.channels[4], c.count > 4 ? 14.0f : 0.0f);
    if (c.version >= 3) {
      EXPECT_EQ(dab.factors[4], c.count > 4 ? 24.0f : 1.0f);
    }
  }
}

TEST_F(AirBrushRecords, BlingVersionsAndDefaults) {
  {
    DS_Bling fresh;
    EXPECT_FLOAT_EQ(fresh.pulseSpeed.derived, 0.02f);
    EXPECT_FLOAT_EQ(fresh.turnSpeed.derived, 0.02f);
    EXPECT_EQ(fresh.growTime.derived, 0.0f);
    EXPECT_EQ(fresh.minimumSize.derived, 0.0f);
  }
  for (int32_t version = 1; version <= 2; ++version) {
    pw::ByteBuilder b;
    b.WideString(u"DS_Bling").I32(version).U32(100).U32(250).U32(50);
    if (version >= 2) b.U32(25).U32(40);
    AirBrushPart(b, 3);
    auto obj = ReadWhole(b);
    auto* bling = dynamic_cast<DS_Bling*>(obj.get());
    ASSERT_NE(bling, nullptr);
    EXPECT_FLOAT_EQ(bling->pulseSpeed.derived, 2.0f);
    EXPECT_FLOAT_EQ(bling->shrinkTime.derived, 2.5f);
    EXPECT_FLOAT_EQ(bling->growTime.derived, 0.5f);
    EXPECT_FLOAT_EQ(bling->turnSpeed.derived, version >= 2 ? 0.5f : 0.02f);
    EXPECT_FLOAT_EQ(bling->minimumSize.derived, version >= 2 ? 0.4f : 0.0f);
    EXPECT_EQ(bling->strokes.size(), 2u);
    EXPECT_TRUE(bling->strokes.front().processes.empty());  // behaviours come at attach
  }
}

TEST_F(AirBrushRecords, CustomTwinklingAndAurora) {
  {
    pw::ByteBuilder b;
    b.WideString(u"DS_CustomAirBrush").I32(1).FileLink(u"pic.png", 7).U32(150);
    AirBrushPart(b, 3);
    auto obj = ReadWhole(b);
    auto* custom = dynamic_cast<DS_CustomAirBrush*>(obj.get());
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->pictureLink.name, u"pic.png");
    EXPECT_EQ(custom->pictureLink.id, 7);
    EXPECT_FLOAT_EQ(custom->animationSpeed.derived, 1.5f);
    EXPECT_EQ(DS_CustomAirBrush().animationSpeed.derived, 0.01f);
  }
  {
    pw::ByteBuilder b;
    b.WideString(u"DS_TwinklingStars").I32(1).U32(50);
    AirBrushPart(b, 3);
    auto obj = ReadWhole(b);
    auto* stars = dynamic_cast<DS_TwinklingStars*>(obj.get());
    ASSERT_NE(stars, nullptr);
    EXPECT_FLOAT_EQ(stars->twinkleSpeed.derived, 1.5f);
    EXPECT_FLOAT_EQ(DS_TwinklingStars().twinkleSpeed.derived, 1.01f);
  }
  {
    pw::ByteBuilder b;
    b.WideString(u"DS_Aurora").I32(1);
    for (uint32_t v = 1; v <= 11; ++v) b.U32(v * 100);
    AirBrushPart(b, 3);
    auto obj = ReadWhole(b);
    auto* aurora = dynamic_cast<DS_Aurora*>(obj.get());
    ASSERT_NE(aurora, nullptr);
    EXPECT_EQ(aurora->curtainHeight.value, 100u);
    const float speeds[3] = {6.0f, 15.0f, 24.0f}, amplitudes[3] = {3.0f, 6.0f, 900.0f},
                lengths[3] = {401.0f, 701.0f, 1001.0f};
    for (int i = 0; i < 3; ++i) {
      EXPECT_FLOAT_EQ(aurora->waves[i].speed.derived, speeds[i]) << i;
      EXPECT_FLOAT_EQ(aurora->waves[i].amplitude.derived, amplitudes[i]) << i;
      EXPECT_FLOAT_EQ(aurora->waves[i].length.derived, lengths[i]) << i;
    }
    EXPECT_EQ(aurora->direction.value, 1100u);
    DS_Aurora fresh;
    EXPECT_FLOAT_EQ(fresh.waves[0].speed.derived, 0.03f);
    EXPECT_EQ(fresh.waves[2].length.derived, 1.0f);
    EXPECT_EQ(fresh.waves[1].amplitude.derived, 0.0f);
  }
}

TEST_F(AirBrushRecords, DamagedRecordsAreRefusedWithAnError) {
  pw::ByteBuilder b;
  b.WideString(u"DS_Bling").I32(2).U32(100).U32(250).U32(50).U32(25).U32(40);
  AirBrushPart(b, 3);
  for (size_t n = 0; n + 1 < b.size(); n += 5) {
    pw::ByteBuilder cut;
    cut.Raw(b.bytes().data(), n);
    MemoryArchive ar(cut.bytes().data(), cut.size(), true);
    EXPECT_THROW(ReadObject(ar), DS_Error) << n;
  }
  // A dab count far beyond the data is cut to what the data can hold.
  pw::ByteBuilder huge;
  huge.WideString(u"DS_AirBrush").I32(3).U32(24).U32(0x7FFFFFFF);
  DS_AirBrush brush;
  MemoryArchive ar(huge.bytes().data(), huge.size(), false);
  zvi_string name;
  int32_t v = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&v);
  brush.ReadAirBrushRecord(ar, v);
  EXPECT_TRUE(brush.strokes.empty());
}

TEST_F(AirBrushRecords, WritersMatchTheRecordLayouts) {
  auto brushRecord = [](int32_t version, uint32_t count) {
    pw::AirBrushRecord r;
    r.version = version;
    r.brushSize = 24;
    r.valueCount = count;
    for (int d = 0; d < 2; ++d) {
      pw::DabRecord dab;
      dab.x = static_cast<float>(d);
      dab.y = 2;
      dab.z = 3;
      for (int j = 0; j < 5; ++j) {
        dab.channels[j] = 10.0f + j;
        dab.factors[j] = 20.0f + j;
      }
      r.dabs.push_back(dab);
    }
    r.tex.images = {{u"dab.png", 0}};
    r.tex.colour2 = 0x0000FF00;
    r.tex.blendMode = 1;
    r.tex.generator.version = 3;
    return r;
  };
  for (int32_t version = 1; version <= 3; ++version) {
    pw::ByteBuilder written, expected;
    pw::WriteAirBrush(written, brushRecord(version, 5));
    AirBrushPart(expected, version);
    EXPECT_EQ(written.bytes(), expected.bytes()) << version;
  }
  for (int32_t version = 1; version <= 2; ++version) {
    pw::BlingRecord r;
    r.version = version;
    r.pulseSpeed = 100;
    r.shrinkTime = 250;
    r.growTime = 50;
    r.turnSpeed = 25;
    r.minimumSize = 40;
    r.brush = brushRecord(3, 5);
    pw::ByteBuilder written, expected;
    pw::WriteBling(written, r);
    expected.WideString(u"DS_Bling").I32(version).U32(100).U32(250).U32(50);
    if (version >= 2) expected.U32(25).U32(40);
    AirBrushPart(expected, 3);
    EXPECT_EQ(written.bytes(), expected.bytes()) << version;
  }
  {
    pw::CustomAirBrushRecord r;
    r.pictureName = u"pic.png";
    r.pictureId = 7;
    r.animationSpeed = 150;
    r.brush = brushRecord(3, 5);
    pw::ByteBuilder written, expected;
    pw::WriteCustomAirBrush(written, r);
    expected.WideString(u"DS_CustomAirBrush").I32(1).FileLink(u"pic.png", 7).U32(150);
    AirBrushPart(expected, 3);
    EXPECT_EQ(written.bytes(), expected.bytes());
  }
  {
    pw::TwinklingStarsRecord r;
    r.twinkleSpeed = 50;
    r.brush = brushRecord(3, 7);
    pw::ByteBuilder written, expected;
    pw::WriteTwinklingStars(written, r);
    expected.WideString(u"DS_TwinklingStars").I32(1).U32(50);
    pw::ByteBuilder part;
    AirBrushPart(part, 3, 7);
    // Values past the fifth are written as zeros by our writer.
    EXPECT_EQ(written.size(), expected.size() + part.size());
  }
  {
    pw::AuroraRecord r;
    r.curtainHeight = 100;
    for (int i = 0; i < 3; ++i) r.waves[i] = {200u + 300u * i, 300u + 300u * i, 400u + 300u * i};
    r.direction = 1100;
    r.brush = brushRecord(3, 5);
    pw::ByteBuilder written, expected;
    pw::WriteAurora(written, r);
    expected.WideString(u"DS_Aurora").I32(1);
    for (uint32_t v = 1; v <= 11; ++v) expected.U32(v * 100);
    AirBrushPart(expected, 3);
    EXPECT_EQ(written.bytes(), expected.bytes());
  }
}

}  // namespace
