#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "core/time_params.h"
#include "slides_fixtures.h"
#include "tools/writer/slides_writer.h"
#include "tools/writer/values_writer.h"

using namespace slides_test;

namespace {

// y = x over [0, 1].
class LinearGraph : public ZVI_VGraph {
 public:
  void Write(DS_IOF_Archive&) const override {}
  std::string GetTypeName() const override { return "LinearGraph"; }
  float MaxValue() const override { return 1.0f; }
  float ValueAt(float x, int32_t&) const override { return x; }
  bool GetKey(int32_t, float*, float*) const override { return false; }
};

// Publishes a fresh clock for the test's lifetime.
class SlidesChrono : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = CurrentChronoContext();
    SetCurrentChronoContext(&clock);
    RegisterChronoReaders();
    RegisterReader<ZVI_VGraph_Const, ZVI_VGraph>(u"ZVI_VGraph_Const");
  }
  void TearDown() override { SetCurrentChronoContext(saved_); }

  ChronoContext clock;

 private:
  ChronoContext* saved_ = nullptr;
};

// A value driven by a chrono control, recording what it receives.
class Probe : public ZVI_ChronePrm {
 public:
  void Apply(float factor) override { factors.push_back(factor); }
  std::vector<float> factors;
};

}  // namespace

TEST_F(SlidesChrono, ClockStepsAreClampedAndNeverBackwards) {
  struct Step {
    float t;
    float elapsed;
  };
  const Step steps[] = {{5.0f, 0.0f}, {5.1f, 0.1f}, {6.1f, 0.3f}, {2.0f, 0.3f}, {2.05f, 0.35f}};
  for (const Step& s : steps) {
    ChronoTick(&clock, s.t);
    EXPECT_NEAR(clock.Elapsed(), s.elapsed, 1e-5) << "t " << s.t;
  }
}

TEST_F(SlidesChrono, DefaultControlSwitchesOnAndOffAtItsSpans) {
  ZVI_Chrono_Default c;
  EXPECT_FLOAT_EQ(c.Evaluate(0.3f), 1.0f);  // disabled
  c.enabled.SetValue(1);
  c.onSpan.SetValue(0.0f);
  c.offSpan.SetValue(0.0f);
  EXPECT_FLOAT_EQ(c.Evaluate(0.3f), 1.0f);  // no spans

  c.onSpan.SetValue(2.0f);
  c.offSpan.SetValue(1.0f);
  c.graph.graph.InstallGraph(DS_SafePtr<ZVI_VGraph>(new LinearGraph()));
  c.Reset();
  const std::pair<float, float> values[] = {{0.0f, 0.0f}, {1.0f, 0.5f}, {1.5f, 0.75f}, {2.5f, 0.0f},
                                            {3.5f, 0.25f}, {5.25f, 0.0f}, {7.0f, 0.5f}};
  for (auto [t, v] : values) EXPECT_FLOAT_EQ(c.Evaluate(t), v) << "t " << t;

  // Amplitude: percentage times the jitter factor.
  c.graph.value.SetValue(50);
  c.graph.jitter.SetValue(50);
  c.Reset();
  EXPECT_FLOAT_EQ(c.Evaluate(1.0f), 0.5f * 0.5f * 0.5f);
}

TEST_F(SlidesChrono, BrokenSpansCannotLoopForever) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float spans[][2] = {{-1.0f, -1.0f}, {nan, 1.0f}, {-2.0f, 0.0f}, {1e-7f, 1e-7f}, {nan, nan}};
  for (auto& s : spans) {
    ZVI_Chrono_Default c;
    c.enabled.SetValue(1);
    c.onSpan.SetValue(s[0]);
    c.offSpan.SetValue(s[1]);
    for (float t : {0.0f, 1.0f, 1e6f, 3e7f}) {
      float v = c.Evaluate(t);
      EXPECT_FALSE(std::isnan(v));
      EXPECT_GE(v, 0.0f);
      EXPECT_LE(v, 1.0f);
    }
  }
  ZVI_Chrono_Default late;
  late.enabled.SetValue(1);
  EXPECT_FLOAT_EQ(late.Evaluate(1e6f + 0.5f), 1.0f);  // skipped ahead: half-way through an on phase
}

TEST_F(SlidesChrono, ControlsWithoutTargetAreDroppedAtTheNextTick) {
  Probe a, b, c;
  DS_SafePtr<ZVI_ChronoCtrl> ca(new ZVI_Chrono_Default()), cb(new ZVI_Chrono_Default()),
      cc(new ZVI_Chrono_Default());
  ca->target = &a;
  cb->target = &b;
  cc->target = &c;
  clock.Add(ca);
  clock.Add(cb);
  clock.Add(cc);
  ChronoTick(&clock, 1.0f);
  cb->target = nullptr;
  ChronoTick(&clock, 1.1f);
  ASSERT_EQ(clock.controls.size(), 2u);
  EXPECT_EQ(clock.controls[1].get(), cc.get());
  EXPECT_EQ(a.factors.size(), 2u);
  EXPECT_EQ(b.factors.size(), 1u);
  EXPECT_EQ(c.factors.size(), 2u);
}

TEST_F(SlidesChrono, WrappedValuesAreDrivenByTheirControl) {
  ChronoWrap<UINTSclaleTo<float>> scaled;
  scaled.SetScaleOffset(0.01f, 0.0f, 50u);
  ChronoWrap<ZVI_SmartAlpha> alpha;
  alpha.SetValue(25u);
  ChronoWrap<MediaParamT<unsigned int>> count;
  count.SetValue(8u);
  EXPECT_EQ(clock.controls.size(), 3u);

  ChronoTick(&clock, 0.0f);
  EXPECT_FLOAT_EQ(scaled.driven, 0.5f);
  EXPECT_FLOAT_EQ(alpha.driven, 0.75f);
  EXPECT_FLOAT_EQ(count.driven, 8.0f);

  // In an off phase of an enabled control the value is 0.
  auto* control = static_cast<ZVI_Chrono_Default*>(scaled.chrono.Control());
  control->enabled.SetValue(1);
  control->onSpan.SetValue(1.0f);
  control->offSpan.SetValue(1.0f);
  ChronoTick(&clock, 0.1f);  // clock 0.1: on
  EXPECT_FLOAT_EQ(scaled.driven, 0.5f);
  for (float t = 0.2f; t < 1.4f; t += 0.1f) ChronoTick(&clock, t);  // clock 1.3: off
  EXPECT_FLOAT_EQ(scaled.driven, 0.0f);
}

TEST_F(SlidesChrono, DestroyedWrapperIsDroppedAtTheNextTick) {
  {
    ChronoWrap<UINTSclaleTo<float>> gone;
    ChronoWrap<UINTSclaleTo<float>> copy(gone);  // takes over the shared control
    EXPECT_EQ(copy.chrono.Control(), gone.chrono.Control());
    EXPECT_EQ(copy.chrono.Control()->target, &copy);
  }
  EXPECT_EQ(clock.controls.size(), 1u);
  ChronoTick(&clock, 0.0f);
  EXPECT_TRUE(clock.controls.empty());
}

TEST_F(SlidesChrono, AssignedWrapperLetsGoOfItsOldControl) {
  auto source = std::make_unique<ChronoWrap<UINTSclaleTo<float>>>();
  source->SetValue(3u);
  {
    ChronoWrap<UINTSclaleTo<float>> target;
    ZVI_ChronoCtrl* own = target.chrono.Control();
    target = *source;
    EXPECT_EQ(own->target, nullptr);
    EXPECT_EQ(target.chrono.Control()->target, &target);
    ChronoTick(&clock, 0.0f);
    EXPECT_FLOAT_EQ(target.driven, 3.0f);
  }
  ChronoTick(&clock, 0.1f);  // nothing left that names the destroyed wrapper
  EXPECT_TRUE(clock.controls.empty());
  source.reset();
}

TEST_F(SlidesChrono, ReadChronoWrapReplacesTheDefaultControl) {
  ChronoWrap<UINTSclaleTo<float>> wrap;
  wrap.SetScaleOffset(0.01f, 0.0f);
  ZVI_ChronoCtrl* original = wrap.chrono.Control();

  pw::ChronoRecord rec;
  rec.enabled = 1;
  rec.onSpan = 2.0f;
  rec.offSpan = 0.5f;
  rec.percent = 80;
  pw::ByteBuilder b;
  b.U32(1).U32(40);
  pw::WriteChronoDefault(b, rec);
  b.U32(0x600D);
  ReadBytes(b, [&](DS_IOF_Archive& ar) {
    ReadChronoWrap(ar, wrap);
    uint32_t tail = 0;
    ar.ReadUInt(&tail);
    EXPECT_EQ(tail, 0x600Du);
  });
  EXPECT_EQ(wrap.value, 40u);
  EXPECT_FLOAT_EQ(wrap.derived, 0.4f);
  auto* read = dynamic_cast<ZVI_Chrono_Default*>(wrap.chrono.Control());
  ASSERT_NE(read, nullptr);
  EXPECT_NE(read, original);
  EXPECT_EQ(read->target, &wrap);
  EXPECT_EQ(original->target, nullptr);
  EXPECT_EQ(read->enabled.value, 1);
  EXPECT_FLOAT_EQ(read->onSpan.value, 2.0f);
  EXPECT_FLOAT_EQ(read->offSpan.value, 0.5f);
  EXPECT_FLOAT_EQ(read->graph.value.derived, 0.8f);

  ASSERT_EQ(clock.controls.size(), 2u);
  ChronoTick(&clock, 0.0f);
  ASSERT_EQ(clock.controls.size(), 1u);
  EXPECT_EQ(clock.controls[0].get(), read);
  EXPECT_FLOAT_EQ(wrap.driven, 0.4f * 0.8f);  // on phase, constant graph

  pw::ByteBuilder unknown;
  unknown.U32(1).U32(40).Header(u"ZVI_Chrono_Custom", 1);
  ReadBytes(unknown, [&](DS_IOF_Archive& ar) { EXPECT_THROW(ReadChronoWrap(ar, wrap), DS_Error); });
}
