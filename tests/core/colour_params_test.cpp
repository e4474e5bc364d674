#include "core/colour_params.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/archive.h"
#include "tools/writer/byte_builder.h"
#include "tools/writer/values_writer.h"

namespace {

struct Counter : MediaControlT<MediaParam> {
  int count = 0;
  void OnChanged(MediaControl*) override { ++count; }
};

TEST(SmartColorrefTest, WhiteAndOpaqueWhenMade) {
  SmartCOLORREF c;
  EXPECT_EQ(c.value, 0x00FFFFFFu);
  EXPECT_EQ(c.Alpha(), 255);
  struct Case {
    unsigned transparency;
    int alpha;
  };
  // Past 100 the byte wraps: 255 - 257.55 truncates to -2, alpha 254.
  for (const Case& k : {Case{100, 0}, Case{50, 127}, Case{0, 255}, Case{20, 204}, Case{101, 254}, Case{150, 129}}) {
    c.transparency.SetValue(k.transparency);
    EXPECT_EQ(c.Alpha(), k.alpha) << k.transparency;
  }
}

TEST(SmartColorrefTest, CopyKeepsColourAndRecomputesAlpha) {
  SmartCOLORREF c(0x00123456u);
  c.transparency.SetValue(100u);
  SmartCOLORREF copy(c);
  EXPECT_EQ(copy.value, 0x00123456u);
  EXPECT_EQ(copy.Alpha(), 0);
  copy.transparency.SetValue(0u);
  EXPECT_EQ(copy.Alpha(), 255);
  EXPECT_EQ(c.Alpha(), 0);
}

TEST(HsbTest, ConversionTable) {
  struct Case {
    unsigned h, s, b;
    float r, g, bl;
  };
  const Case cases[] = {
      {0, 100, 100, 1, 0, 0},      {120, 100, 100, 0, 1, 0},     {240, 100, 100, 0, 0, 1},
      {30, 100, 100, 1, 0.5f, 0},  {60, 100, 100, 1, 1, 0},      {180, 100, 100, 0, 1, 1},
      {300, 100, 100, 1, 0, 1},    {330, 100, 100, 1, 0, 0.5f},  {200, 0, 40, 0.4f, 0.4f, 0.4f},
      {0, 0, 0, 0, 0, 0},          {90, 50, 100, 0.75f, 1, 0.5f},
      // 360 and beyond stay in the last sector (red, p, q): no wrapping.
      {360, 100, 100, 1, 0, 1},    {480, 100, 100, 1, 0, 1},    {390, 100, 100, 1, 0, 0.5f},
      {360, 50, 80, 0.8f, 0.4f, 0.8f},
  };
  for (const Case& c : cases) {
    float r = -1, g = -1, b = -1;
    HSBToRGB(c.h, c.s, c.b, &r, &g, &b);
    EXPECT_NEAR(r, c.r, 1e-6f) << c.h << "," << c.s << "," << c.b;
    EXPECT_NEAR(g, c.g, 1e-6f) << c.h << "," << c.s << "," << c.b;
    EXPECT_NEAR(b, c.bl, 1e-6f) << c.h << "," << c.s << "," << c.b;
  }
}

TEST(HsbTest, FloatsFollowEveryChangeButAreNotComputedWhenMade) {
  SmartColorHSB hsb;
  EXPECT_EQ(hsb.red, 0.0f);
  EXPECT_EQ(hsb.alpha, 0.0f);
  hsb.saturation.SetValue(100u);
  hsb.brightness.SetValue(100u);
  EXPECT_EQ(hsb.red, 1.0f);
  EXPECT_EQ(hsb.alpha, 1.0f);
  hsb.hue.SetValue(240u);
  EXPECT_EQ(hsb.red, 0.0f);
  EXPECT_EQ(hsb.blue, 1.0f);
}

TEST(HsbTest, SetHsbStoresWithoutNotifyingAndRecomputes) {
  SmartColorHSB hsb;
  Counter watcher;
  watcher.Attach(&hsb.hue);
  hsb.SetHSB(120u, 100u, 50u);
  EXPECT_EQ(watcher.count, 0);
  EXPECT_EQ(hsb.hue.undo.saved, 120u);
  EXPECT_EQ(hsb.red, 0.0f);
  EXPECT_EQ(hsb.green, 0.5f);
  EXPECT_EQ(hsb.alpha, 1.0f);
  SmartColorHSB copy(hsb);
  EXPECT_EQ(copy.green, 0.5f);
  copy.hue.SetValue(0u);
  EXPECT_EQ(copy.red, 0.5f);
  EXPECT_EQ(hsb.red, 0.0f);
}

TEST(GradientTest, DefaultKeysAndSelection) {
  SmartGradientColor g;
  ASSERT_EQ(g.Items().size(), 3u);
  EXPECT_EQ(g.Items()[0], GradientKey(0.0f, 0xFFFFFFu));
  EXPECT_EQ(g.Items()[1], GradientKey(0.5f, 0x7F7F7Fu));
  EXPECT_EQ(g.Items()[2], GradientKey(1.0f, 0x000000u));
  EXPECT_EQ(g.Selected(), 2);
}

TEST(ColorAtTest, GradientMode) {
  ColorSourceParams p;
  p.mode.SetValue(1);
  struct Case {
    float t;
    COLORREF expected;
  };
  const Case cases[] = {{0.25f, 0xBFBFBFu}, {0.0f, 0xFFFFFFu}, {0.5f, 0x7F7F7Fu}, {0.75f, 0x3F3F3Fu},
                        {1.0f, 0x000000u},  {1.01f, 0u},       {-0.01f, 0u}};
  for (const Case& c : cases) EXPECT_EQ(p.ColorAt(c.t), c.expected) << c.t;
}

TEST(ColorAtTest, GradientBlendsChannelsSeparatelyAndReturnsTheLastKeyAtItsPosition) {
  const std::vector<GradientKey> keys = {{0.0f, 0x000000FFu}, {1.0f, 0x0000FF00u}};
  EXPECT_EQ(GradientColorAt(keys, 0.5f), 0x00007F7Fu);  // red 127, green 127
  EXPECT_EQ(GradientColorAt({{0.0f, 0xFFFFFFu}, {1.0f, 0x0000FFu}}, 1.0f), 0x0000FFu);
  // A last key before 1 leaves nothing beyond it.
  EXPECT_EQ(GradientColorAt({{0.0f, 0xFFu}, {0.5f, 0xFF00u}}, 0.75f), 0u);
  EXPECT_EQ(GradientColorAt({}, 0.5f), 0u);
  EXPECT_EQ(GradientColorAt({{0.5f, 0x123456u}}, 0.5f), 0x123456u);
}

TEST(ColorAtTest, GradientChannelsAreClampedNotWrapped) {
  // Keys out of order extrapolate; a channel stays within 0..255.
  const std::vector<GradientKey> keys = {{0.8f, 0x000000u}, {0.9f, 0xFFFFFFu}};
  EXPECT_EQ(GradientColorAt(keys, 0.2f), 0x000000u);
  const std::vector<GradientKey> down = {{0.5f, 0xFFFFFFu}, {0.6f, 0x000000u}};
  EXPECT_EQ(GradientColorAt(down, 0.0f), 0xFFFFFFu);
}

TEST(ColorAtTest, ListMode) {
  ColorSourceParams p;
  EXPECT_EQ(p.ColorAt(0.7f), 0xFFFFFFu);  // the one default entry
  p.colours.value.second = {0x0000FFu, 0x00FF00u, 0xFF0000u};
  struct Case {
    float t;
    COLORREF expected;
  };
  const Case cases[] = {{0.0f, 0x0000FFu}, {0.2f, 0x0000FFu}, {0.25f, 0x00FF00u},
                        {0.74f, 0x00FF00u}, {0.75f, 0xFF0000u}, {1.0f, 0xFF0000u},
                        // Outside [0, 1] the look-up stays in the list.
                        {-3.0f, 0x0000FFu}, {7.0f, 0xFF0000u},
                        {std::numeric_limits<float>::quiet_NaN(), 0x0000FFu}};
  for (const Case& c : cases) EXPECT_EQ(p.ColorAt(c.t), c.expected) << c.t;
  p.colours.value.second.clear();
  EXPECT_EQ(p.ColorAt(0.5f), 0u);
}

TEST(ColourBlockTest, Defaults) {
  ColorSourceParams source;
  EXPECT_EQ(source.mode.value, 0);
  EXPECT_EQ(source.colours.Items(), std::vector<COLORREF>{0xFFFFFFu});
  EXPECT_EQ(source.colours.Selected(), 0);
  EXPECT_EQ(source.gradient.Items().size(), 3u);

  ColorSetParams set;
  EXPECT_EQ(set.colourMode.value, 0);
  EXPECT_EQ(set.pick.value, 0);
  EXPECT_EQ(set.colours.value, (std::vector<COLORREF>{0xFFFFFFu, 0x000000u}));
  EXPECT_EQ(set.colours.selected.value, 1);
  EXPECT_EQ(set.transparency.derived, 255);
}

TEST(ColourBlockTest, ReadColorSetParams) {
  pw::ColorSetRecord rec;
  rec.colours = {0x0000FFu, 0x00FF00u, 0xFF0000u};
  rec.colourMode = 2;
  rec.pick = 1;
  rec.transparency = 100;
  pw::ByteBuilder b;
  pw::WriteColorSetParams(b, rec);
  b.U32(0x5A5A5A5Au);
  MemoryArchive ar(b.bytes().data(), b.size());

  ColorSetParams set;
  Counter colours, mode, transparency;
  colours.Attach(&set.colours);
  mode.Attach(&set.colourMode);
  transparency.Attach(&set.transparency);
  ReadColorSetParams(ar, set);
  EXPECT_EQ(set.colours.value, rec.colours);
  EXPECT_EQ(set.colours.selected.value, 1);  // the selection is left alone
  EXPECT_EQ(set.colourMode.value, 2);
  EXPECT_EQ(set.pick.value, 1);
  EXPECT_EQ(set.transparency.derived, 0);
  EXPECT_EQ(colours.count, 0);
  EXPECT_EQ(mode.count, 0);
  EXPECT_EQ(transparency.count, 1);
  uint32_t next = 0;
  ar.ReadUInt(&next);
  EXPECT_EQ(next, 0x5A5A5A5Au);
}

TEST(ColourBlockTest, ReadColorSetParamsEdgeCounts) {
  struct Case {
    const char* name;
    int32_t count;
    size_t colours;  // colours actually present after the count
    size_t expected;
  };
  const Case cases[] = {{"empty", 0, 0, 0}, {"negative", -2, 0, 0}, {"cut short", 1000, 2, 2}};
  for (const Case& c : cases) {
    pw::ByteBuilder b;
    b.Dword(1).I32(c.count);
    for (size_t i = 0; i < c.colours; ++i) b.I32(static_cast<int32_t>(i + 1));
    MemoryArchive ar(b.bytes().data(), b.size());
    ColorSetParams set;
    ReadColorSetParams(ar, set);
    EXPECT_EQ(set.colours.value.size(), c.expected) << c.name;
  }
  // An unchanged transparency notifies nobody.
  pw::ByteBuilder b;
  pw::WriteColorSetParams(b, pw::ColorSetRecord{});
  MemoryArchive ar(b.bytes().data(), b.size());
  ColorSetParams set;
  Counter transparency;
  transparency.Attach(&set.transparency);
  ReadColorSetParams(ar, set);
  EXPECT_EQ(transparency.count, 0);
}

}  // namespace
