#include <gtest/gtest.h>

#include "core/archive.h"
#include "core/envelope_params.h"
#include "core/jitter_params.h"
#include "tools/writer/byte_builder.h"
#include "tools/writer/values_writer.h"

namespace {

struct Counter : MediaControlT<MediaParam> {
  int count = 0;
  void OnChanged(MediaControl*) override { ++count; }
};

TEST(EnvelopeTest, DefaultGroupLeavesTheBaseValueEverywhere) {
  ScaledParamGroup g;
  EXPECT_EQ(g.version, 1);
  EXPECT_EQ(g.fadeOutStart.derived, 1.0f);
  EXPECT_EQ(g.fourth.value, 100u);
  EXPECT_EQ(g.fourth.derived, 1.0f);
  EXPECT_EQ(g.base.derived, 1.0f);
  for (float t : {0.0f, 0.001f, 0.25f, 0.5f, 0.999f, 1.0f}) EXPECT_EQ(g.Evaluate(t), 1.0f) << t;
}

TEST(EnvelopeTest, FadesInAndOut) {
  ScaledParamGroup g;
  g.fadeInEnd.SetValue(20u);
  g.fadeOutStart.SetValue(80u);
  g.startFactor.SetValue(50u);
  g.endFactor.SetValue(25u);
  g.base.SetValue(2u);
  struct Case {
    float t, expected;
  };
  const Case cases[] = {{0.0f, 1.0f},  {0.1f, 1.5f},  {0.2f, 2.0f},  {0.5f, 2.0f},
                        {0.8f, 2.0f},  {0.9f, 1.25f}, {1.0f, 0.5f}};
  for (const Case& c : cases) EXPECT_NEAR(g.Evaluate(c.t), c.expected, 1e-6f) << c.t;
}

TEST(EnvelopeTest, LifeEnvelopeUsesTheOwnersBase) {
  LifeEnvelopeParams e;
  EXPECT_EQ(e.fadeOutStart.value, 100u);
  EXPECT_EQ(e.Evaluate(0.5f, 3.0f), 3.0f);
  e.fadeInEnd.SetValue(50u);
  EXPECT_NEAR(e.Evaluate(0.25f, 4.0f), 2.0f, 1e-6f);
  // Ages outside the life never divide by an empty interval.
  EXPECT_EQ(LifeEnvelopeParams().Evaluate(1.5f, 4.0f), 4.0f);
  EXPECT_EQ(LifeEnvelopeParams().Evaluate(-0.5f, 4.0f), 4.0f);
}

TEST(EnvelopeTest, AssignNotifiesOnlyTheValuesThatDiffer) {
  LifeEnvelopeParams a, b;
  b.fadeInEnd.SetValue(10u);
  b.endFactor.SetValue(30u);
  Counter c0, c1, c2, c3;
  c0.Attach(&a.fadeInEnd);
  c1.Attach(&a.fadeOutStart);
  c2.Attach(&a.startFactor);
  c3.Attach(&a.endFactor);
  a = b;
  EXPECT_EQ(a.fadeInEnd.value, 10u);
  EXPECT_EQ(a.endFactor.value, 30u);
  EXPECT_FLOAT_EQ(a.endFactor.derived, 0.3f);
  EXPECT_EQ(c0.count + c1.count + c2.count + c3.count, 2);
  EXPECT_EQ(c0.count, 1);
  EXPECT_EQ(c3.count, 1);
}

TEST(EnvelopeTest, ReadLifeEnvelopeNotifiesChangedValues) {
  pw::ByteBuilder b;
  pw::WriteLifeEnvelopeParams(b, {0, 60, 10, 0});
  MemoryArchive ar(b.bytes().data(), b.size());
  LifeEnvelopeParams e;
  Counter c0, c1, c2, c3;
  c0.Attach(&e.fadeInEnd);
  c1.Attach(&e.fadeOutStart);
  c2.Attach(&e.startFactor);
  c3.Attach(&e.endFactor);
  ReadLifeEnvelopeParams(ar, e);
  EXPECT_FLOAT_EQ(e.fadeOutStart.derived, 0.6f);
  EXPECT_FLOAT_EQ(e.startFactor.derived, 0.1f);
  EXPECT_EQ((std::vector<int>{c0.count, c1.count, c2.count, c3.count}), (std::vector<int>{0, 1, 1, 0}));
}

TEST(EnvelopeTest, ReadScaledParamGroupInFieldOrder) {
  pw::ByteBuilder b;
  pw::WriteScaledParamGroup(b, {7, 10, 90, 100, 20, 40, 3}, /*version=*/9);
  b.U32(0xFEEDu);
  MemoryArchive ar(b.bytes().data(), b.size());
  ScaledParamGroup g;
  Counter fourth, base;
  fourth.Attach(&g.fourth);
  base.Attach(&g.base);
  ReadScaledParamGroup(ar, g);
  EXPECT_EQ(g.version, 1);  // the stored version word is not used
  EXPECT_EQ(g.first.value, 7u);
  EXPECT_FLOAT_EQ(g.fadeInEnd.derived, 0.1f);
  EXPECT_FLOAT_EQ(g.fadeOutStart.derived, 0.9f);
  EXPECT_FLOAT_EQ(g.startFactor.derived, 0.2f);
  EXPECT_FLOAT_EQ(g.endFactor.derived, 0.4f);
  EXPECT_EQ(g.base.derived, 3.0f);
  EXPECT_EQ(fourth.count, 0);  // unchanged at 100
  EXPECT_EQ(base.count, 1);
  uint32_t next = 0;
  ar.ReadUInt(&next);
  EXPECT_EQ(next, 0xFEEDu);
}

TEST(VariationTest, DefaultsAndRecordOrder) {
  VariationParams v;
  EXPECT_EQ(v.mode.value, 0);
  EXPECT_EQ(v.frequency.derived, 5.0f);
  EXPECT_EQ(v.amplitude.derived, 0.5f);

  pw::ByteBuilder b;
  pw::WriteVariationParams(b, /*amplitude=*/200, /*frequency=*/50, /*mode=*/2);
  MemoryArchive ar(b.bytes().data(), b.size());
  Counter amplitude, frequency, mode;
  amplitude.Attach(&v.amplitude);
  frequency.Attach(&v.frequency);
  mode.Attach(&v.mode);
  ReadVariationParams(ar, v);
  EXPECT_EQ(v.amplitude.derived, 1.0f);
  EXPECT_EQ(v.frequency.derived, 5.0f);
  EXPECT_EQ(v.mode.value, 2);
  EXPECT_EQ(amplitude.count, 1);
  EXPECT_EQ(frequency.count, 0);
  EXPECT_EQ(mode.count, 0);  // stored raw
}

TEST(JitterTest, FactorIsOneMinusThePercentage) {
  struct Case {
    unsigned jitter;
    float factor;
  };
  for (const Case& c : {Case{0, 1.0f}, Case{25, 0.75f}, Case{100, 0.0f}}) {
    JitterValue v;
    v.jitter.SetValue(c.jitter);
    EXPECT_NEAR(v.jitter.derived, c.factor, 1e-6f) << c.jitter;
    ZVI_JitterMediaPrm m;
    m.SetValue(c.jitter);
    EXPECT_NEAR(m.derived, c.factor, 1e-6f) << c.jitter;
  }
  JitterValue v;
  EXPECT_EQ(v.value.scale, 1.0f);
  EXPECT_EQ(v.jitter.derived, 1.0f);
  JitterAngle a;
  a.value.SetValue(180u);
  a.jitter.SetValue(90u);
  EXPECT_NEAR(a.value.derived, 3.14159265f, 1e-6f);
  EXPECT_NEAR(a.jitter.derived, 1.5707963f, 1e-6f);
}

TEST(JitterTest, ReadJitterParamNotifiesEvenWhenUnchanged) {
  pw::ByteBuilder b;
  pw::WriteJitterParam(b, 0, 0);
  pw::WriteJitterParam(b, 12, 50);
  MemoryArchive ar(b.bytes().data(), b.size());
  ZVI_JitterParam p;
  Counter value, jitter;
  value.Attach(&p);
  jitter.Attach(&p.jitter);
  ReadJitterParam(ar, p);
  EXPECT_EQ(value.count, 1);
  EXPECT_EQ(jitter.count, 1);
  ReadJitterParam(ar, p);
  EXPECT_EQ(p.derived, 12.0f);
  EXPECT_EQ(p.jitter.derived, 0.5f);
  EXPECT_EQ(value.count, 2);
  EXPECT_EQ(jitter.count, 2);
}

TEST(JitterTest, ReadJitterValueMakesTheBlockOrChangesTheSharedOne) {
  pw::ByteBuilder b;
  pw::WriteJitterParam(b, 8, 20);
  pw::WriteJitterParam(b, 9, 30);
  MemoryArchive ar(b.bytes().data(), b.size());
  DS_SafePtr<JitterValue> empty = DS_SafePtr<JitterValue>::MakeEmpty();
  ReadJitterValue(ar, empty);
  ASSERT_NE(empty.get(), nullptr);
  EXPECT_EQ(empty->value.derived, 8.0f);
  EXPECT_NEAR(empty->jitter.derived, 0.8f, 1e-6f);

  DS_SafePtr<JitterValue> shared(new JitterValue());
  DS_SafePtr<JitterValue> other = shared;
  ReadJitterValue(ar, shared);
  EXPECT_EQ(other->value.value, 9u);
  EXPECT_EQ(other.get(), shared.get());
}

TEST(JitterTest, ReadJitterAngleMakesAnAngleBlock) {
  pw::ByteBuilder b;
  pw::WriteJitterParam(b, 90, 45);
  MemoryArchive ar(b.bytes().data(), b.size());
  DS_SafePtr<JitterAngle> angle;
  ReadJitterAngle(ar, angle);
  ASSERT_NE(angle.get(), nullptr);
  EXPECT_NEAR(angle->value.derived, 1.5707963f, 1e-6f);
  EXPECT_NEAR(angle->jitter.derived, 0.7853982f, 1e-6f);
}

}  // namespace
