// Scaled parameters, speeds and the float step command.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/archive.h"
#include "core/scaled_param.h"
#include "tools/writer/byte_builder.h"

namespace {

struct Counter : MediaControl {
  int calls = 0;
  void OnChanged(MediaControl*) override { ++calls; }
};

TEST(ScaledParamTest, DefaultsOfTheSubclasses) {
  UINTSclaleTo<float> plain;
  EXPECT_EQ(plain.scale, 1.0f);
  EXPECT_EQ(plain.derived, 0.0f);
  TimeParam time;
  EXPECT_EQ(time.scale, 0.01f);
  ZVI_Angle angle;
  EXPECT_EQ(angle.scale, 0.017453292f);
  MediaSpeedParam speed;
  EXPECT_EQ(speed.value, 1u);
  EXPECT_EQ(speed.derived, 1.0f);
  EXPECT_EQ(speed.step, 0.0f);
  EXPECT_EQ(speed.elapsed, 0.0f);
  EXPECT_TRUE(std::isinf(speed.last_time));
  // The undo control comes first, then the recompute control.
  EXPECT_EQ(plain.Controls(), (std::vector<MediaControl*>{&plain.undo, &plain.recompute}));
}

TEST(ScaledParamTest, DerivedValuesAfterNotification) {
  TimeParam time;
  time.SetValue(250);
  EXPECT_EQ(time.derived, 2.5f);

  ZVI_Angle angle;
  angle.SetValue(180);
  EXPECT_EQ(angle.derived, 180.0f * 0.017453292f);

  UINTSclaleTo<float> big;
  big.SetValue(3000000000u);
  EXPECT_EQ(big.derived, 3000000000.0f);  // unsigned, not negative
}

TEST(ScaledParamTest, ByteDerivationKeepsTheLowEightBitsOfTheTruncatedValue) {
  struct Case {
    float scale, offset;
    uint32_t value;
    unsigned char expected;
  };
  const Case cases[] = {
      {-2.55f, 255.0f, 0, 255},
      {-2.55f, 255.0f, 100, 0},
      {-2.55f, 255.0f, 50, 127},   // 127.5 truncated
      {-2.55f, 255.0f, 101, 254},  // -2.55 truncated to -2: low byte 0xFE
      {-2.55f, 255.0f, 150, 129},  // -127.5 truncated to -127: 0x81
      {-2.55f, 255.0f, 1000, 9},   // -2295 = 0x...F709
      {2.55f, 0.0f, 200, 254},     // 510 = 0x1FE
      {1.0f, 0.0f, 255, 255},
      {1.0f, 0.0f, 256, 0},
      {1.0f, 0.0f, 3000000000u, 0},  // beyond a 32-bit integer
  };
  for (const Case& c : cases) {
    UINTSclaleTo<unsigned char> p;
    p.SetScaleOffset(c.scale, c.offset);
    p.value = c.value;
    p.Notify(nullptr);
    EXPECT_EQ(p.derived, c.expected) << c.scale << " " << c.offset << " " << c.value;
  }
}

TEST(ScaledParamTest, SettingScaleRecomputesWithoutNotifying) {
  UINTSclaleTo<float> p;
  Counter c;
  p.AddControl(&c);
  p.value = 8;  // a raw store leaves derived stale
  EXPECT_EQ(p.derived, 0.0f);
  p.SetScaleOffset(0.5f, 1.0f);
  EXPECT_EQ(p.derived, 5.0f);
  EXPECT_EQ(c.calls, 0);
  p.SetScaleOffset(0.5f, 1.0f, 8);  // same value: still silent
  EXPECT_EQ(c.calls, 0);
  p.SetScaleOffset(0.5f, 0.0f, 10);
  EXPECT_EQ(p.derived, 5.0f);
  EXPECT_EQ(c.calls, 1);
  p.RemoveControl(&c);
}

TEST(ScaledParamTest, CopyHasItsOwnControlsAndCurrentDerivedValue) {
  UINTSclaleTo<float> p;
  p.SetScaleOffset(0.5f, 0.0f, 8);
  Counter c;
  p.AddControl(&c);
  UINTSclaleTo<float> copy(p);
  EXPECT_EQ(copy.derived, 4.0f);
  EXPECT_EQ(copy.undo.saved, 8u);
  EXPECT_EQ(copy.Controls(), (std::vector<MediaControl*>{&copy.undo, &copy.recompute}));
  copy.SetValue(2);
  EXPECT_EQ(copy.derived, 1.0f);
  EXPECT_EQ(p.derived, 4.0f);
  EXPECT_EQ(c.calls, 0);
  p.RemoveControl(&c);
}

TEST(ScaledParamTest, SpeedClock) {
  MediaSpeedParam speed;
  EXPECT_EQ(speed.Advance(10.0f), 0.0f);
  const float dt = 10.05f - 10.0f;  // 0.05 in single precision
  EXPECT_EQ(speed.Advance(10.05f), dt);
  EXPECT_EQ(speed.Advance(11.0f), 0.2f);  // long gaps count as 0.2 s
  EXPECT_EQ(speed.elapsed, dt + 0.2f);
  EXPECT_EQ(speed.Advance(5.0f), 0.0f);  // backwards: restart from 5
  EXPECT_EQ(speed.last_time, 5.0f);

  MediaSpeedParam half;
  half.SetScaleOffset(0.01f, 0.0f, 50);
  half.Advance(0.0f);
  EXPECT_FLOAT_EQ(half.Advance(0.1f), 0.05f);
}

TEST(ScaledParamTest, MediaFloatStepCommand) {
  ZVI_MediaFloat f(3.0f);
  Counter u, s;
  f.AddControl(&u);
  f.AddControl(&s);
  f.Command(2, nullptr);
  EXPECT_EQ(f.value, 3.0f);
  EXPECT_EQ(u.calls, 0);
  f.Command(0, &s);
  EXPECT_EQ(f.value, 4.0f);
  EXPECT_EQ(u.calls, 1);
  EXPECT_EQ(s.calls, 0);
  f.Command(1, nullptr);
  EXPECT_EQ(f.value, 3.0f);
  EXPECT_EQ(s.calls, 1);
  // At 2^24 adding one rounds back to the same float: nothing changes.
  f.value = 16777216.0f;
  f.Command(0, nullptr);
  EXPECT_EQ(u.calls, 2);
  f.RemoveControl(&u);
  f.RemoveControl(&s);
}

TEST(ScaledParamTest, SelfObservingUnsignedKeepsItsFloat) {
  MediaFloat<unsigned int> p(4u);
  EXPECT_EQ(p.derived, 4.0f);
  ASSERT_EQ(p.ControlCount(), 2u);
  p.SetScaleOffset(0.25f, 1.0f);
  EXPECT_EQ(p.derived, 2.0f);
  p.SetValue(8);
  EXPECT_EQ(p.derived, 3.0f);
  MediaFloat<unsigned int> copy(p);
  EXPECT_EQ(copy.derived, 3.0f);
}

TEST(ScaledParamTest, ReadingNotifiesOnlyWhenTheValueChanged) {
  pw::ByteBuilder b;
  b.U32(250).U32(250).U32(7);
  MemoryArchive ar(b.bytes().data(), b.size());
  TimeParam t;
  Counter c;
  t.AddControl(&c);
  t.Read(ar);
  EXPECT_EQ(t.value, 250u);
  EXPECT_EQ(t.derived, 2.5f);
  EXPECT_EQ(c.calls, 1);
  t.value = 0;  // raw store: the next equal read must not recompute
  t.value = 250;
  t.derived = -1.0f;
  t.Read(ar);
  EXPECT_EQ(c.calls, 1);
  EXPECT_EQ(t.derived, -1.0f);
  t.Read(ar);
  EXPECT_EQ(t.value, 7u);
  EXPECT_EQ(c.calls, 2);
  t.RemoveControl(&c);
}

TEST(ScaledParamTest, ReadingPastTheEndIsSafe) {
  const uint8_t two_bytes[] = {1, 0};
  MemoryArchive ar(two_bytes, sizeof two_bytes);
  TimeParam t;
  t.Read(ar);  // the value is whatever the short read gave; no crash
  MemoryArchive strict(two_bytes, sizeof two_bytes, true);
  EXPECT_THROW(t.Read(strict), DS_Error);
}

}  // namespace
