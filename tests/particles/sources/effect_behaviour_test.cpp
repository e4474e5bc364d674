// What each particle effect does to a particle, with exact values, and how
// the effects vector runs clones on the particle's effect clock.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "core/crt.h"
#include "geometry/area_figures.h"
#include "geometry/figures.h"
#include "particles/nodes/effects.h"
#include "particles/sources/motion_laws.h"
#include "particles/sources/node_effects.h"
#include "tests/particles/sources/source_fakes.h"

namespace {

constexpr float kPi = 3.14159265f;

float TurnDegrees(const D3DXMATRIX& m) { return std::atan2(m._12, m._11) * 180.0f / kPi; }

bool IsIdentity(const D3DXMATRIX& m) {
  D3DXMATRIX id;
  D3DXMatrixIdentity(&id);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (std::fabs(m.m[i][j] - id.m[i][j]) > 1e-5f) return false;
    }
  }
  return true;
}

EffectContext At(float clock, float step = 0.0f) {
  EffectContext c;
  c.speed.elapsed = clock;
  c.speed.step = step;
  return c;
}

template <class E>
EffectPtr Wrap(ZVI_PtclSysEffect<E>* e) {
  return EffectPtr(static_cast<ZVI_ParticlSystem_Effect*>(e));
}

// A particle born as a node's emitter would make it: the effects transform
// last, then Reset and Apply(0) of every transform.
ParticlePtr Born(const EffectList& list, const ParticlePtr& parent = ParticlePtr()) {
  ParticlePtr p(parent.get() ? new Particle(parent) : new Particle());
  p->AddTransform(new PtclTr_EffectsVector(&list, nullptr));
  for (const TransformPtr& t : p->transforms) t->Reset(p.get());
  for (const TransformPtr& t : p->transforms) t->Apply(0.0f, p.get());
  return p;
}

PtclTr_EffectsVector& Effects(const ParticlePtr& p) {
  return *dynamic_cast<PtclTr_EffectsVector*>(p->transforms.back().get());
}

class EffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_fakes::RegisterAll();
    crt_srand(1);
  }
};

// ---- The effects vector ----------------------------------------------------

TEST_F(EffectTest, FramesAdvanceTheClockBySpeedTimesTheClampedStep) {
  EffectList none;
  ParticlePtr p = Born(none);
  PtclTr_EffectsVector& ev = Effects(p);
  EXPECT_EQ(ev.context.Clock(), 0.0f);
  ev.Apply(0.5f, p.get());
  EXPECT_FLOAT_EQ(ev.context.Clock(), 0.2f);
  ev.Apply(0.1f, p.get());
  EXPECT_FLOAT_EQ(ev.context.Clock(), 0.3f);
  EXPECT_FLOAT_EQ(ev.context.Step(), 0.1f);
}

TEST_F(EffectTest, BirthRunsEveryEffectOnceAtStepZeroAfterItsInitParticle) {
  auto* law = new ZVI_PtclSysEffect<ZVI_PtclSysEffect_MotionLaw>();
  auto* vector = new ZVI_PtclSysMLaw_Vector();
  vector->direction.SetValue(270u);  // launches along +y
  vector->speed.value.SetValue(100u);
  law->law = DS_SafePtr<ZVI_PtclSys_MotionLaw>(vector);
  auto* orient = new ZVI_PtclSysEffect<ZVI_OrientationInMotion>();
  orient->mode->SetValue(1);
  auto* scroll = new ZVI_PtclSysEffect<ZVI_PtclSysEffect_ScrollTex>();
  scroll->directionMode->value = 1;
  EffectList list;
  list.Append(Wrap(law));
  list.Append(Wrap(orient));
  list.Append(Wrap(scroll));
  ParticlePtr parent(new Particle());
  ParticlePtr p = Born(list, parent);
  ASSERT_EQ(Effects(p).clones.size(), 3u);
  EXPECT_GT(p->velocity.y, 0.0f);
  // The orientation saw the law's launch in the same birth.
  EXPECT_NEAR(TurnDegrees(p->modifier1), 90.0f, 1e-3);
  EXPECT_FLOAT_EQ(p->texWindow[0], 0.0f);
  EXPECT_FLOAT_EQ(p->texWindow[1], 1.0f);
}

TEST_F(EffectTest, ARefreshRedrawsCloneValuesAndKeepsTheClock) {
  auto* angle = new ZVI_PtclSysEffect<ZVI_PtclSysEffect_AngleBase>();
  angle->angle->jitter.SetValue(180u);
  EffectList list;
  list.Append(Wrap(angle));
  ParticlePtr p = Born(list);
  PtclTr_EffectsVector& ev = Effects(p);
  ev.Apply(0.1f, p.get());
  const float before = dynamic_cast<ZVI_PtclSysEffect_AngleBase&>(*ev.clones[0]).w;
  ev.Reset(p.get());
  const float after = dynamic_cast<ZVI_PtclSysEffect_AngleBase&>(*ev.clones[0]).w;
  EXPECT_NE(before, after);
  EXPECT_FLOAT_EQ(ev.context.Clock(), 0.1f);
}

TEST_F(EffectTest, AParameterEditReachesEveryLivingClone) {
  auto* gravity = new ZVI_PtclSysEffect<ZVI_PtclSysEffect_ForceGravitation>();
  EffectList list;
  list.Append(Wrap(gravity));
  ParticlePtr a = Born(list);
  ParticlePtr b = Born(list);
  gravity->strength->SetValue(5u);
  for (const ParticlePtr& p : {a, b}) {
    p->ResetFrameState();
    Effects(p).Apply(0.1f, p.get());
    EXPECT_NEAR(p->acceleration.y, 5.0f, 1e-5);
  }
}

TEST_F(EffectTest, AWrapperHungOnAParticleSeesClockZero) {
  // A clock effect in manual mode writes the stored time plus the rounded
  // clock: always the stored time when the clock stays 0.
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_ClockTime> clock;
  clock.realTime->SetValue(0);
  clock.seconds->value = 10;
  Particle p;
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(clock.Apply(1.0f, &p));
    EXPECT_FLOAT_EQ(p.timeAlive, 60.0f);
  }
}

TEST_F(EffectTest, CopiesShareBlocksCopyPlainValuesAndDrawTheirOwn) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Spin> spin;
  EXPECT_EQ(spin.sign, 0.0f);
  EffectPtr a(spin.Clone());
  EffectPtr b(spin.Clone());
  auto& sa = dynamic_cast<ZVI_PtclSysEffect_Spin&>(*a);
  auto& sb = dynamic_cast<ZVI_PtclSysEffect_Spin&>(*b);
  EXPECT_EQ(sa.speed.get(), spin.speed.get());
  EXPECT_EQ(sa.kind.get(), spin.kind.get());
  EXPECT_NE(sa.w, sb.w);
  EXPECT_TRUE(sa.sign == 1.0f || sa.sign == -1.0f);

  ZVI_PtclSysEffect<ZVI_PtclSysEff_Graph> graph;
  graph.index = 2;
  EffectPtr g(graph.Clone());
  auto& gc = dynamic_cast<ZVI_PtclSysEff_Graph&>(*g);
  EXPECT_EQ(gc.index, 2);
  EXPECT_EQ(gc.graph.Graph(), graph.graph.Graph());
  EXPECT_NE(&gc.graph, &graph.graph);
}

// ---- Motion and orientation ----------------------------------------------

TEST_F(EffectTest, GravitationPushesAlongItsDirection) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_ForceGravitation> g;
  Particle p;
  EffectContext c = At(0);
  g.ApplyEffect(c, &p);
  EXPECT_EQ(p.acceleration, D3DXVECTOR3(0, 0, 0));
  g.strength->SetValue(3u);
  g.ApplyEffect(c, &p);
  EXPECT_NEAR(p.acceleration.x, 0.0f, 1e-5);
  EXPECT_NEAR(p.acceleration.y, 3.0f, 1e-5);
}

TEST_F(EffectTest, DragOpposesTheWorldVelocityQuadratically) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_ForceDrag> d;
  d.drag->SetValue(10u);
  EffectContext c = At(0);
  Particle rest;
  d.ApplyEffect(c, &rest);
  EXPECT_EQ(rest.acceleration, D3DXVECTOR3(0, 0, 0));
  ParticlePtr parent(new Particle());
  parent->velocity = D3DXVECTOR3(6, 0, 0);
  Particle child(parent);
  child.velocity = D3DXVECTOR3(0, 8, 0);  // world velocity (6, 8): speed 10
  d.ApplyEffect(c, &child);
  EXPECT_NEAR(child.acceleration.x, -0.001f * 10 * 6, 1e-6);
  EXPECT_NEAR(child.acceleration.y, -0.001f * 10 * 8, 1e-6);
}

TEST_F(EffectTest, OrientationModes) {
  struct Case {
    int32_t mode;
    D3DXVECTOR3 velocity;
    float m11, m22, turn;
  } cases[] = {
      {1, {0, 5, 0}, 0, 0, 90},   {1, {3, 3, 0}, 0.7071f, 0.7071f, 45}, {1, {4, 0, 0}, 1, 1, 0},
      {1, {-4, 0, 0}, 1, 1, 0},   {1, {0, 0, 0}, 1, 1, 0},              {2, {-1, 0, 0}, -1, 1, 180},
      {2, {0, -3, 0}, 1, 1, 0},   {3, {0, 2, 0}, 1, -1, 0},             {3, {0, -2, 0}, 1, 1, 0},
      {7, {0, 2, 0}, 1, 1, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode);
    ZVI_PtclSysEffect<ZVI_OrientationInMotion> o;
    o.mode->SetValue(k.mode);
    Particle p;
    p.velocity = k.velocity;
    EffectContext c = At(0);
    o.ApplyEffect(c, &p);
    EXPECT_NEAR(p.modifier1._11, k.m11, 1e-4);
    EXPECT_NEAR(p.modifier1._22, k.m22, 1e-4);
    EXPECT_NEAR(TurnDegrees(p.modifier1), k.turn, 1e-3);
  }
}

TEST_F(EffectTest, SourceEffectsNeedASourceAndNailNeedsAParent) {
  EffectContext none = At(0);
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_AlignToSource> align;
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_NailToSource> nail;
  ParticlePtr parent(new Particle(D3DXVECTOR3(7, 7, 0)));
  Particle p(parent);
  EXPECT_TRUE(align.ApplyEffect(none, &p));
  EXPECT_TRUE(nail.ApplyEffect(none, &p));
  EXPECT_TRUE(IsIdentity(p.modifier1));
  EXPECT_EQ(parent->position, D3DXVECTOR3(7, 7, 0));

  FigurePtr square = CreateVGeom2DByName("ZVI_VGeom2D_Rect");
  ASSERT_TRUE(square);
  square->InitShape(10, 20, 0, 30, 40, 0);
  EffectContext c = At(0);
  c.source = square.get();
  D3DXVECTOR3 centre;
  ASSERT_TRUE(square->CenterPoint(&centre));
  nail.ApplyEffect(c, &p);
  EXPECT_EQ(parent->position, centre);
  Particle orphan;
  EXPECT_TRUE(nail.ApplyEffect(c, &orphan));
}

// Align to source turns the particle onto the figure's normal at its point:
// a rectangle by its nearest edge, a sector outwards from its centre, a curve
// to the right of its direction. A normal along x in either direction leaves
// the particle unturned.
TEST_F(EffectTest, AlignToSourceTurnsOntoTheNormalAtThePoint) {
  auto* rect = new ZVI_VGeom2D_Rect;  // 100 x 100 about the origin
  rect->width.value = 100;
  rect->height.value = 100;
  auto* sector = new ZVI_VGeom2D_Sector;  // full disc of radius 100
  sector->outer.value = 100;
  auto* curve = new ZVI_VGeom2D_CubicSpline;
  for (const D3DXVECTOR3& at : {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0)})
    curve->shape.AddPoint(DX_SmartPnt(at), nullptr);
  curve->shape.Resample();
  const FigurePtr figures[] = {FigurePtr(rect), FigurePtr(sector), FigurePtr(curve)};
  struct Case {
    int figure;
    D3DXVECTOR3 at;
    float turn;
  } cases[] = {
      {0, {0, 49, 0}, 90},  {0, {0, -49, 0}, -90}, {0, {49, 0, 0}, 0}, {0, {-49, 0, 0}, 0},
      {1, {0, -50, 0}, -90}, {1, {30, 30, 0}, 45},  {2, {3, 4, 0}, -90},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.figure << " at " << k.at.x << ", " << k.at.y);
    ZVI_PtclSysEffect<ZVI_PtclSysEffect_AlignToSource> align;
    EffectContext c = At(0);
    c.source = figures[k.figure].get();
    Particle p(k.at);
    EXPECT_TRUE(align.ApplyEffect(c, &p));
    EXPECT_NEAR(TurnDegrees(p.modifier1), k.turn, 1e-3);
  }
}

// ---- Oscillation and shape -----------------------------------------------

TEST_F(EffectTest, PulsationStartsAtOneMinusAAndBreathesWithPeriodTwoPiOverF) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Pulsation> pulse;
  const float period = 2 * kPi / 2.5f;
  struct Case {
    float clock, size;
  } cases[] = {{0, 0.5f}, {period / 2, 1.0f}, {period, 0.5f}, {period / 4, 0.75f}};
  for (const Case& k : cases) {
    Particle p;
    EffectContext c = At(k.clock);
    pulse.ApplyEffect(c, &p);
    EXPECT_NEAR(p.size, k.size, 1e-5) << k.clock;
  }
  pulse.oscillator->amplitude.SetValue(100u);
  Particle p;
  EffectContext c = At(0);
  pulse.ApplyEffect(c, &p);
  EXPECT_NEAR(p.size, 0.0f, 1e-6);
  // An index outside the particle does nothing.
  pulse.index = 12;
  Particle q;
  pulse.ApplyEffect(c, &q);
  EXPECT_EQ(q.size, 1.0f);
  pulse.index = -1;
  pulse.ApplyEffect(c, &q);
  EXPECT_EQ(q.age, 0.0f);
}

TEST_F(EffectTest, RandomPhaseDiffersBetweenClonesAndStaysForLife) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Pulsation> pulse;
  pulse.randomPhase->SetValue(1);
  std::set<float> sizes;
  for (int i = 0; i < 4; ++i) {
    EffectPtr clone(pulse.Clone());
    Particle a, b;
    EffectContext c = At(0.3f);
    clone->ApplyEffect(c, &a);
    clone->ApplyEffect(c, &b);
    EXPECT_EQ(a.size, b.size);
    sizes.insert(a.size);
  }
  EXPECT_GT(sizes.size(), 1u);
}

TEST_F(EffectTest, SwingingSwingsNinetyDegreesEachWay) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Swinging> swing;
  const float half = kPi / 2.5f;
  for (auto [clock, turn] : {std::pair{0.0f, 90.0f}, {half, -90.0f}, {half / 2, 0.0f}}) {
    Particle p;
    EffectContext c = At(clock);
    swing.ApplyEffect(c, &p);
    EXPECT_NEAR(TurnDegrees(p.modifier1), turn, 1e-3) << clock;
  }
}

TEST_F(EffectTest, VibrationShakesAlongItsDirectionTurningWithLocalAxes) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Vibration> v;
  Particle p;
  EffectContext c = At(0);  // o = 1, g = 50
  v.ApplyEffect(c, &p);
  EXPECT_NEAR(p.offset.x, 0.0f, 1e-4);
  EXPECT_NEAR(p.offset.y, -50.0f, 1e-4);

  v.localAxes.value = 1;
  Particle turned;
  D3DXMatrixRotationZ(&turned.previousWorld, kPi / 2);
  v.ApplyEffect(c, &turned);
  EXPECT_NEAR(turned.offset.x, 50.0f, 1e-3);
  EXPECT_NEAR(turned.offset.y, 0.0f, 1e-3);
}

TEST_F(EffectTest, DeformationAtMinusOneWithFullAmplitudeCollapsesAlongItsDirection) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Deformation> d;
  d.direction->SetValue(0u);
  d.oscillator->amplitude.SetValue(100u);
  Particle p;
  EffectContext c = At(kPi / 2.5f);  // o = -1
  d.ApplyEffect(c, &p);
  EXPECT_NEAR(p.modifier2._11, 0.0f, 1e-5);
  EXPECT_NEAR(p.modifier2._22, 1.0f, 1e-5);
  // Along 90 degrees it is y that collapses.
  d.direction->SetValue(90u);
  Particle q;
  d.ApplyEffect(c, &q);
  EXPECT_NEAR(q.modifier2._11, 1.0f, 1e-5);
  EXPECT_NEAR(q.modifier2._22, 0.0f, 1e-5);
}

TEST_F(EffectTest, StretchByDefaultLeavesTheParticleAndDrawsEveryFrameWithJitter) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Stretch> s;
  Particle p;
  EffectContext c = At(0);
  s.ApplyEffect(c, &p);
  EXPECT_TRUE(IsIdentity(p.modifier2));
  s.stretch->jitter.SetValue(100u);
  std::set<float> seen;
  for (int i = 0; i < 5; ++i) {
    Particle q;
    s.ApplyEffect(c, &q);
    EXPECT_GE(q.modifier2._11, 0.0f);
    EXPECT_LE(q.modifier2._11, 1.0f);
    seen.insert(q.modifier2._11);
  }
  EXPECT_GT(seen.size(), 1u);
}

// ---- Colour and texture --------------------------------------------------

TEST_F(EffectTest, ColorDFollowsTheSourceOverLife) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_ColorD> d;
  Particle p;
  p.age = 0.5f;
  EffectContext c = At(0);
  d.ApplyEffect(c, &p);
  EXPECT_EQ(p.color, D3DXVECTOR3(1, 1, 1));
  d.source->mode.value = 1;
  d.ApplyEffect(c, &p);
  EXPECT_NEAR(p.color.x, 0x7F / 255.0f, 1e-6);
  EXPECT_NEAR(p.color.z, 0x7F / 255.0f, 1e-6);
  p.age = 0.0f;
  d.ApplyEffect(c, &p);
  EXPECT_NEAR(p.color.y, 1.0f, 1e-6);
}

TEST_F(EffectTest, ColorVPicksEntryFloorOfNMinusOneTimesTPlusHalf) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_ColorV> v;
  v.source->colours.value.second = {0x0000FF, 0x00FF00, 0xFF0000};
  struct Case {
    float t;
    D3DXVECTOR3 colour;
  } cases[] = {{0.0f, {1, 0, 0}}, {0.24f, {1, 0, 0}}, {0.26f, {0, 1, 0}}, {0.74f, {0, 1, 0}}, {0.76f, {0, 0, 1}}};
  for (const Case& k : cases) {
    v.position = k.t;
    Particle p;
    EffectContext c = At(0);
    v.ApplyEffect(c, &p);
    EXPECT_EQ(p.color, k.colour) << k.t;
  }
}

TEST_F(EffectTest, ColorGradientSamplesTheParentAndWithoutOneLeavesTheColour) {
  ZVI_PtclSysEffect<ZVI_PtclSysEff_ColorGradient> g;
  ASSERT_NE(g.gradient.Gradient(), nullptr);
  Particle orphan;
  orphan.color = D3DXVECTOR3(0.25f, 0.5f, 0.75f);
  EffectContext c = At(0);
  g.ApplyEffect(c, &orphan);
  EXPECT_EQ(orphan.color, D3DXVECTOR3(0.25f, 0.5f, 0.75f));
  // Default gradient from (0,0) to (100,100), value 0 -> 0; the parent at
  // the start: g = 0, colour at 1 (black).
  ParticlePtr parent(new Particle());
  Particle child(parent);
  child.position = D3DXVECTOR3(100, 100, 0);
  g.ApplyEffect(c, &child);
  const float start = g.gradient.Gradient()->ValueAt(D3DXVECTOR3(0, 0, 0));
  Particle expected;
  SetParticleColour(&expected, g.source->ColorAt(1.0f - start));
  EXPECT_EQ(child.color, expected.color);
  g.gradient.SetValue(DS_SafePtr<ZVI_VGradient>());
  Particle other(parent);
  other.color = D3DXVECTOR3(0.5f, 0.5f, 0.5f);
  g.ApplyEffect(c, &other);
  EXPECT_EQ(other.color, D3DXVECTOR3(0.5f, 0.5f, 0.5f));
}

TEST_F(EffectTest, BgTexSetsTheFlagForTheFrameOnly) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_BgTex> bg;
  EffectList list;
  list.Append(EffectPtr(bg.Clone()));
  ParticlePtr p = Born(list);
  EXPECT_TRUE(p->flags & ParticleFlags::BackgroundTexture);
  p->transforms.pop_back();
  StepParticle(p.get(), 0.1f);
  EXPECT_FALSE(p->flags & ParticleFlags::BackgroundTexture);
}

TEST_F(EffectTest, ScrollTexRangesByModeAtHalfAWidthPerSecond) {
  struct Case {
    int32_t mode;
    float range[4];
  } cases[] = {{0, {-0.5f, 0.5f, 0, 1}},
               {1, {0.5f, 1.5f, 0, 1}},
               {2, {0, 1, -0.5f, 0.5f}},
               {3, {0, 1, 0.5f, 1.5f}},
               {4, {0, 1, -0.5f, 0.5f}}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode);
    auto* scroll = new ZVI_PtclSysEffect<ZVI_PtclSysEffect_ScrollTex>();
    scroll->directionMode->value = k.mode;
    EffectList list;
    list.Append(Wrap(scroll));
    ParticlePtr p = Born(list);
    EXPECT_FLOAT_EQ(p->texWindow[0], 0.0f);
    EXPECT_FLOAT_EQ(p->texWindow[3], 1.0f);
    for (int i = 0; i < 5; ++i) Effects(p).Apply(0.25f, p.get());  // 5 x 0.2 s of clock
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(p->texWindow[i], k.range[i], 1e-5) << i;
  }
}

// ---- Angle, spin and clock -----------------------------------------------

TEST_F(EffectTest, AngleBaseWithoutSpreadTurnsByMinusA) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_AngleBase> a;
  a.angle->value.SetValue(30u);
  for (int i = 0; i < 3; ++i) {
    EffectPtr clone(a.Clone());
    Particle p;
    EffectContext c = At(0);
    clone->ApplyEffect(c, &p);
    EXPECT_NEAR(TurnDegrees(p.modifier1), -30.0f, 1e-3);
  }
}

TEST_F(EffectTest, SpinByAgeTurnsSDegreesOverTheLife) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Spin> spin;
  spin.speed->value.SetValue(90u);
  EffectPtr clone(spin.Clone());
  for (auto [age, turn] : {std::pair{1.0f, 90.0f}, {0.5f, 45.0f}, {0.0f, 0.0f}}) {
    Particle p;
    p.age = age;
    EffectContext c = At(3.0f);  // the clock is not the time while the flag is clear
    clone->ApplyEffect(c, &p);
    EXPECT_NEAR(TurnDegrees(p.modifier1), turn, 1e-3) << age;
  }
  // With the flag, the clock is the time; mode 1 turns the other way.
  auto& s = dynamic_cast<ZVI_PtclSysEffect_Spin&>(*clone);
  s.timeSource = 1;
  s.mode->SetValue(1);
  Particle p;
  EffectContext c = At(0.5f);
  clone->ApplyEffect(c, &p);
  EXPECT_NEAR(TurnDegrees(p.modifier1), -45.0f, 1e-3);
}

TEST_F(EffectTest, SpinModeTwoTurnsParticlesBothWays) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Spin> spin;
  spin.mode->SetValue(2);
  int positive = 0, negative = 0;
  for (int i = 0; i < 40; ++i) {
    EffectPtr clone(spin.Clone());
    Particle p;
    p.age = 0.5f;
    EffectContext c = At(0);
    clone->ApplyEffect(c, &p);
    (TurnDegrees(p.modifier1) > 0 ? positive : negative)++;
  }
  EXPECT_GT(positive, 5);
  EXPECT_GT(negative, 5);
}

TEST_F(EffectTest, AngleDynWithAConstantGraphTurnsOnce) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_AngleDyn> dyn;
  EffectPtr clone(dyn.Clone());
  Particle p;
  p.age = 0.3f;
  EffectContext c = At(0);
  clone->ApplyEffect(c, &p);
  EXPECT_TRUE(IsIdentity(p.modifier1));
}

TEST_F(EffectTest, ClockTimeInManualModeRunsFromTheStoredTime) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_ClockTime> clock;
  clock.realTime->SetValue(0);
  clock.hours->value = 3;
  struct Case {
    float clock, timeAlive;
  } cases[] = {{0, 64800}, {0.49f, 64800}, {0.5f, 64806}, {1.0f, 64806}, {1.49f, 64806}, {1.5f, 64812}};
  for (const Case& k : cases) {
    Particle p;
    EffectContext c = At(k.clock);
    clock.ApplyEffect(c, &p);
    EXPECT_FLOAT_EQ(p.timeAlive, k.timeAlive) << k.clock;
  }
}

TEST_F(EffectTest, ClockTimeInRealTimeReadsTheTimeOfDay) {
  crt_set_local_time([] { return CrtTimeOfDay{10, 20, 30}; });
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_ClockTime> clock;
  Particle p;
  EffectContext c = At(100);
  clock.ApplyEffect(c, &p);
  crt_set_local_time(nullptr);
  EXPECT_FLOAT_EQ(p.timeAlive, (10 * 3600 + 20 * 60 + 30) * 6.0f);
}

TEST_F(EffectTest, ClockHandTurnsByItsParentsReading) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_ClockHand> hand;
  ParticlePtr parent(new Particle());
  parent->timeAlive = 64800;
  struct Case {
    float factor, turn;
  } cases[] = {{1.0f / 720, 0}, {1.0f / 60, -90 /* 990 */}, {0, -90}};
  for (const Case& k : cases) {
    hand.factor = k.factor;
    Particle p(parent);
    EffectContext c = At(0);
    hand.ApplyEffect(c, &p);
    EXPECT_NEAR(TurnDegrees(p.modifier1), k.turn, 1e-2) << k.factor;
  }
  Particle orphan;
  EffectContext c = At(0);
  hand.ApplyEffect(c, &orphan);
  EXPECT_TRUE(IsIdentity(orphan.modifier1));
}

TEST_F(EffectTest, SpinerTurnsByTimeAliveWhileHungOnAParticle) {
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Spiner> spiner;
  spiner.speed->value.SetValue(90u);
  Particle p;
  p.timeAlive = 0.5f;
  EXPECT_TRUE(spiner.Apply(0.1f, &p));
  EXPECT_NEAR(TurnDegrees(p.modifier1), 45.0f, 1e-3);
}

// ---- Multiplicators ------------------------------------------------------

TEST_F(EffectTest, GraphMultiplicatorScalesAFloatParameterOverLife) {
  ZVI_PtclSysEffect<ZVI_PtclSysEff_Graph> g;
  auto* line = CreateVGraphByName("ZVI_VGraph_Line").release();
  ASSERT_NE(line, nullptr);
  line->SetKeys({{0, 1}, {1, 0}});
  g.graph.InstallGraph(DS_SafePtr<ZVI_VGraph>(line));
  g.index = 1;
  for (auto [age, size] : {std::pair{0.0f, 1.0f}, {0.5f, 0.5f}, {1.0f, 0.0f}}) {
    Particle p;
    p.age = age;
    EffectContext c = At(0);
    g.ApplyEffect(c, &p);
    EXPECT_NEAR(p.size, size, 1e-5) << age;
  }
}

TEST_F(EffectTest, MultiplicatorWeightsBlendTowardsOne) {
  ZVI_PtclSysEffect<ZVI_PtclSysEff_VariatorMF> m;
  m.factor->value.SetValue(50u);  // 0.5
  m.kind = 1;
  m.index = 4;
  struct Case {
    float wx, wy;
    D3DXVECTOR3 colour;
  } cases[] = {{0, 0, {1, 1, 1}}, {1, 1, {0.5f, 0.5f, 1}}, {1, 0.5f, {0.5f, 0.75f, 1}}};
  for (const Case& k : cases) {
    m.weightX = k.wx;
    m.weightY = k.wy;
    Particle p;
    EffectContext c = At(0);
    m.ApplyEffect(c, &p);
    EXPECT_EQ(p.color, k.colour) << k.wx << " " << k.wy;
  }
  // Indices outside the particle do nothing.
  for (auto [kind, index] : {std::pair{0, 12}, {0, -1}, {1, 8}, {1, -2}, {2, 1}}) {
    m.kind = kind;
    m.index = index;
    Particle p;
    EffectContext c = At(0);
    m.ApplyEffect(c, &p);
    EXPECT_EQ(p.size, 1.0f);
    EXPECT_EQ(p.color, D3DXVECTOR3(1, 1, 1));
  }
}

TEST_F(EffectTest, VariatorJitterGivesEachParticleItsOwnFactor) {
  ZVI_PtclSysEffect<ZVI_PtclSysEff_VariatorMF> m;
  m.factor->value.SetValue(200u);
  m.index = 1;
  for (int i = 0; i < 5; ++i) {
    EffectPtr clone(m.Clone());
    Particle p;
    EffectContext c = At(0);
    clone->ApplyEffect(c, &p);
    EXPECT_FLOAT_EQ(p.size, 2.0f);
  }
  crt_srand(1);
  m.factor->jitter.SetValue(100u);
  std::set<float> factors;
  for (int i = 0; i < 20; ++i) {
    EffectPtr clone(m.Clone());
    Particle a, b;
    EffectContext c = At(0);
    clone->ApplyEffect(c, &a);
    clone->ApplyEffect(c, &b);
    EXPECT_EQ(a.size, b.size);
    EXPECT_GE(a.size, 0.0f);
    EXPECT_LE(a.size, 2.0f);
    factors.insert(a.size);
  }
  EXPECT_GT(factors.size(), 10u);
}

TEST_F(EffectTest, GradientMultiplicatorSamplesTheParentOrLeavesTheValue) {
  ZVI_PtclSysEffect<ZVI_PtclSysEff_Gradient> g;
  g.index = 1;
  Particle orphan;
  EffectContext c = At(0);
  g.ApplyEffect(c, &orphan);
  EXPECT_EQ(orphan.size, 1.0f);
  ParticlePtr parent(new Particle(D3DXVECTOR3(30, 40, 0)));
  Particle a(parent), b(parent);
  b.position = D3DXVECTOR3(500, 500, 0);
  g.ApplyEffect(c, &a);
  g.ApplyEffect(c, &b);
  EXPECT_EQ(a.size, b.size);
  EXPECT_FLOAT_EQ(a.size, g.gradient.Gradient()->ValueAt(parent->position));
}

}  // namespace
