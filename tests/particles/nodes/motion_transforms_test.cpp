// Transforms that move node particles.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "geometry/curve.h"
#include "particles/nodes/motion_transforms.h"
#include "tests/particles/nodes/node_fakes.h"
#include "tools/writer/byte_builder.h"
#include "tools/writer/nodes_writer.h"

using node_fakes::FakeFigure;
using node_fakes::FakeFieldPlane;
using node_fakes::FakeStreamAxis;
using node_fakes::FakeSwarmBox;

namespace {

constexpr float kPi = 3.1415927f;

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-4f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

struct Counter : MediaControlT<MediaParam> {
  int count = 0;
  void OnChanged(MediaControl*) override { ++count; }
};

TEST(MotionTransformTest, KinematicFromRest) {
  Particle p;
  p.acceleration = D3DXVECTOR3(0, 10, 0);
  PtclTr_Kinematic k;
  EXPECT_TRUE(k.Apply(0.1f, &p));
  ExpectVec(p.position, 0, 0.05f, 0, 1e-6f);
  ExpectVec(p.velocity, 0, 1, 0, 1e-6f);
}

TEST(MotionTransformTest, StandardForces) {
  struct Row {
    int32_t gravity_mode;
    uint32_t gravity;
    int32_t drag_mode;
    uint32_t drag;
    uint32_t spread_jitter;
    D3DXVECTOR3 expected;
  } rows[] = {
      {2, 2, 0, 50, 0, {0, -10, 0}},
      {1, 2, 0, 50, 0, {0, 10, 0}},
      {0, 2, 0, 50, 0, {0, 0, 0}},
      // Linear: -0.5 x v with v = (4, 0, 0) (heading (1, 0, 0)).
      {0, 0, 3, 50, 0, {-2, 0, 0}},
      {0, 0, 7, 50, 0, {-2, 0, 0}},
      // Quadratic: heading x -0.5 x 0.02 x |v|^2 = -0.16.
      {0, 0, 2, 50, 0, {-0.16f, 0, 0}},
      // Spread: x (k + (1 - k) r) with k = 0.5 and r = 0.5.
      {0, 0, 1, 50, 50, {-0.12f, 0, 0}},
      {2, 1, 3, 50, 0, {-2, -5, 0}},
  };
  for (const Row& r : rows) {
    StandardForcesParams f;
    f.gravityMode.SetValue(r.gravity_mode);
    f.gravity.SetValue(r.gravity);
    f.dragMode.SetValue(r.drag_mode);
    f.drag.SetValue(r.drag);
    ZVI_JitterMediaPrm spread;
    spread.SetValue(r.spread_jitter);
    ParticlePtr p(new Particle());
    p->velocity = D3DXVECTOR3(4, 0, 0);
    p->random[1] = 0.5f;
    StepParticle(p.get(), 0.0f);  // heading from the velocity
    PtclTr_StandardForces t(&f, &spread);
    t.Apply(0.1f, p.get());
    ExpectVec(p->acceleration, r.expected.x, r.expected.y, r.expected.z, 1e-5f);
  }
}

TEST(MotionTransformTest, StandardForcesRecordVersions) {
  {
    pw::ByteBuilder b;
    pw::WriteStandardForcesParams(b, 2, /*gravityMode=*/1, /*gravity=*/3, /*dragMode=*/2, /*drag=*/40);
    MemoryArchive ar(b.bytes().data(), b.size());
    StandardForcesParams f;
    ReadStandardForcesParams(ar, f);
    EXPECT_EQ(f.dragMode.value, 2);
    EXPECT_EQ(f.gravityMode.value, 1);
    EXPECT_FLOAT_EQ(f.gravity.derived, 15.0f);
    EXPECT_FLOAT_EQ(f.drag.derived, -0.4f);
  }
  {
    // Version 1 has no drag mode: linear drag, announced.
    pw::ByteBuilder b;
    pw::WriteStandardForcesParams(b, 1, 2, 2, 0, 50);
    MemoryArchive ar(b.bytes().data(), b.size());
    StandardForcesParams f;
    Counter drag_mode_seen;
    drag_mode_seen.Attach(&f.dragMode);
    ReadStandardForcesParams(ar, f);
    EXPECT_EQ(f.dragMode.value, 3);
    EXPECT_EQ(drag_mode_seen.count, 1);
    EXPECT_EQ(f.gravityMode.value, 2);
    EXPECT_FLOAT_EQ(f.gravity.derived, 10.0f);
    EXPECT_FLOAT_EQ(f.drag.derived, -0.5f);
  }
}

TEST(MotionTransformTest, CircularTurnsAboutTheCentre) {
  ZVI_JitterParam speed;
  speed.SetValue(90u);
  struct Row {
    int32_t mode;
    float sign;
    D3DXVECTOR3 position, velocity;
  } rows[] = {
      {0, 1.0f, {10, 30, 0}, {-20, 0, 0}},
      {1, 1.0f, {10, -10, 0}, {-20, 0, 0}},
      {2, -1.0f, {10, -10, 0}, {-20, 0, 0}},
      {3, 1.0f, {10, 30, 0}, {-20, 0, 0}},
  };
  for (const Row& r : rows) {
    MediaParamT<int32_t> mode(r.mode);
    Particle p(D3DXVECTOR3(30, 10, 0));
    PtclTr_Circular t(0.0f, r.sign, D3DXVECTOR3(10, 10, 0), &speed, &mode);
    t.Apply(1.0f, &p);
    ExpectVec(p.position, r.position.x, r.position.y, 0, 1e-3f);
    ExpectVec(p.velocity, r.velocity.x, r.velocity.y, 0, 1e-3f);
  }
}

TEST(MotionTransformTest, RadialMovesAlongTheRadius) {
  ZVI_JitterParam speed;
  speed.SetValue(10u);
  for (int32_t inward : {0, 1}) {
    MediaParamT<int32_t> direction(inward);
    Particle p(D3DXVECTOR3(3, 4, 0));
    PtclTr_Radial t(0.0f, D3DXVECTOR3(0, 0, 0), &speed, &direction);
    t.Apply(0.5f, &p);
    const float k = inward ? 0.0f : 2.0f;  // 5 -/+ 5 along (0.6, 0.8)
    ExpectVec(p.position, 3 * k, 4 * k, 0);
  }
  // At the centre it stays.
  MediaParamT<int32_t> direction(0);
  Particle p(D3DXVECTOR3(0, 0, 0));
  PtclTr_Radial t(0.0f, D3DXVECTOR3(0, 0, 0), &speed, &direction);
  t.Apply(0.5f, &p);
  EXPECT_TRUE(Finite(p.position));
}

TEST(MotionTransformTest, SpiralVelocity) {
  SpiralMotionParams law;  // 100 degrees per second
  law.radialSpeed.value.SetValue(20u);
  DS_SafePtr<ZVI_VGeom2D> figure(new FakeFigure);  // centre (50, 50)
  const D3DXVECTOR3 extra(0, 0, 0);
  Particle p(D3DXVECTOR3(60, 50, 0));
  PtclTr_Spiral t(0.0f, 1.0f, &law, figure, &extra);
  t.Apply(0.1f, &p);
  const float W = 100.0f * kPi / 180.0f;
  ExpectVec(p.velocity, 20.0f, 10.0f * W, 0);
  // Inward and negative sense.
  law.inward.SetValue(1);
  law.rotationSense.SetValue(1);
  t.Apply(0.1f, &p);
  ExpectVec(p.velocity, -20.0f, -10.0f * W, 0);
  // At the centre: a random radial direction, radius 0.
  law.inward.SetValue(0);
  law.rotationSense.SetValue(0);
  Particle c(D3DXVECTOR3(50, 50, 0));
  crt_srand(1);
  t.Apply(0.1f, &c);
  const float a = 41.0f / 32767.0f * 360.0f * kPi / 180.0f;
  ExpectVec(c.velocity, 20.0f * std::cos(a), -20.0f * std::sin(a), 0);
  // No figure: centred on the origin and the offsets.
  PtclTr_Spiral none(0.0f, 1.0f, &law, DS_SafePtr<ZVI_VGeom2D>(), nullptr);
  Particle q(D3DXVECTOR3(10, 0, 0));
  none.Apply(0.1f, &q);
  ExpectVec(q.velocity, 20.0f, 10.0f * W, 0);
}

TEST(MotionTransformTest, LoopAdvancesOncePerFrame) {
  LoopMotionParams law;  // 0.01 per frame along direction 0: (1, 0)
  law.speed.value.SetValue(1000u);  // 0.1
  auto* shape = new FakeFigure;
  DS_SafePtr<ZVI_VGeom2D> figure(shape);
  struct Row {
    float dt;
    float u;
  } frames[] = {{0.0f, 0.6f}, {1.0f, 0.7f}, {0.01f, 0.8f}};
  PtclTr_Loop t(figure, 0.5f, 0.25f, &law, 0.0f);
  ParticlePtr p(new Particle());
  for (const Row& f : frames) {
    EXPECT_TRUE(t.Apply(f.dt, p.get()));
    EXPECT_NEAR(t.u, f.u, 1e-5f) << f.dt;
    ExpectVec(p->position, f.u * 100.0f, 25.0f, 0, 1e-3f);
    ExpectVec(p->velocity, 0.1f, 0.0f, 0.0f, 1e-5f);
  }
  // Wrapping sets the jump flag; a closed figure does not wrap u.
  t.u = 0.95f;
  StepParticle(p.get(), 0.0f);
  p->flags = 0;
  t.Apply(0.1f, p.get());
  EXPECT_NEAR(t.u, 0.05f, 1e-5f);
  EXPECT_TRUE(p->flags & ParticleFlags::Jumped);
  shape->closed = true;
  t.u = 0.95f;
  p->flags = 0;
  t.Apply(0.1f, p.get());
  EXPECT_NEAR(t.u, 1.05f, 1e-5f);
  EXPECT_FALSE(p->flags & ParticleFlags::Jumped);
  // Edge mode 1 dies outside.
  law.edgeMode.SetValue(1);
  t.u = 0.95f;
  EXPECT_FALSE(t.Apply(0.1f, p.get()));
  // With a frame at the point: du x direction + dv x normal.
  law.edgeMode.SetValue(0);
  shape->frames = true;
  t.u = 0.5f;
  t.Apply(0.1f, p.get());
  ExpectVec(p->velocity, 0.0f, 0.1f, 0.0f, 1e-5f);
}

TEST(MotionTransformTest, VelocityFieldOnTheProcessClock) {
  crt_set_clock([] { return int32_t(2000); });
  VelocityFieldParams law;
  law.noiseX = ImprovedNoise(7u);
  law.noiseY = ImprovedNoise(8u);
  law.drift.value.SetValue(10u);
  law.driftDirection.SetValue(90u);
  Particle p(D3DXVECTOR3(30, 70, 0));
  PtclTr_VelocityField t(&law, 0.0f);
  t.Apply(0.1f, &p);
  const double x = 30 * 0.01 * 0.5, y = 70 * 0.01 * 0.5, time = 2.0 * 0.1 * 1.0;
  const float na = static_cast<float>(law.noiseX.Noise(x, y, time));
  const float nb = static_cast<float>(law.noiseY.Noise(x, y, time));
  ExpectVec(p.velocity, na * 100.0f, nb * 100.0f - 10.0f, 0, 1e-3f);
  crt_set_clock(nullptr);
}

TEST(MotionTransformTest, RandomFlyVelocityFromTheRuntimeSequence) {
  crt_srand(1);
  const D3DXVECTOR3 v = RandomFlyVelocity();
  const float speed = 75.0f + 25.0f * 41.0f / 32767.0f;
  const float a = 18467.0f / 32767.0f * 360.0f * kPi / 180.0f;
  ExpectVec(v, speed * std::cos(a), -speed * std::sin(a), 0, 1e-3f);
}

TEST(MotionTransformTest, BrownianSteersHomeFromOutside) {
  crt_srand(1);
  FakeSwarmBox box;
  box.width = box.height = 10;
  box.steering = 0.5f;
  box.rate = 1.0f;
  PtclTr_Brownian t(&box);
  EXPECT_EQ(t.state.inside, 1);
  EXPECT_GE(t.state.turnTimer, 0.5f);
  EXPECT_LE(t.state.turnTimer, 1.5f);
  t.state.turnTimer = 100.0f;  // no turn during the test
  Particle p(D3DXVECTOR3(20, 0, 0));
  const D3DXVECTOR3 v0 = t.state.velocity;
  t.Apply(0.1f, &p);
  // (100 n - v) / T with n = (-1, 0, 0).
  ExpectVec(t.state.acceleration, (-100.0f - v0.x) / 0.5f, (0.0f - v0.y) / 0.5f, 0, 1e-3f);
  EXPECT_EQ(t.state.inside, 0);
  EXPECT_NEAR(t.state.steeringLeft, 0.4f, 1e-6f);
  // Velocity written is the one before this step's acceleration.
  ExpectVec(p.velocity, v0.x, v0.y, 0);
  // Still outside: no new steering, no turn.
  const D3DXVECTOR3 a1 = t.state.acceleration;
  p.position = D3DXVECTOR3(30, 0, 0);
  t.Apply(0.1f, &p);
  ExpectVec(t.state.acceleration, a1.x, a1.y, 0);
  EXPECT_NEAR(t.state.steeringLeft, 0.3f, 1e-6f);
}

TEST(MotionTransformTest, WandersWithoutSteeringTimeStayFinite) {
  // A steering time of 0 sets no acceleration: no NaN at dt 0.
  FakeSwarmBox box;
  box.width = box.height = 0;
  box.steering = 0.0f;
  PtclTr_Brownian brownian(&box);
  Particle p(D3DXVECTOR3(5, 5, 0));
  brownian.Apply(0.0f, &p);
  brownian.Apply(0.1f, &p);
  EXPECT_TRUE(Finite(p.position));
  EXPECT_TRUE(Finite(brownian.state.acceleration));

  SwarmParams swarm;
  swarm.steeringTime.SetScaleOffset(0.0f, 0.0f);
  auto* area = new FakeFigure;
  PtclTr_RandomFly fly(DS_SafePtr<ZVI_VGeom2D>(area), &swarm);
  Particle q(D3DXVECTOR3(500, 500, 0));
  fly.Apply(0.0f, &q);
  fly.Apply(0.1f, &q);
  EXPECT_TRUE(Finite(q.position));
}

TEST(MotionTransformTest, RandomFlyUsesTheFigureAndTheFactors) {
  crt_srand(1);
  SwarmParams swarm;  // factors 2.0 and 1.0, rate 1.1, steering 0.42
  auto* area = new FakeFigure;
  PtclTr_RandomFly t(DS_SafePtr<ZVI_VGeom2D>(area), &swarm);
  EXPECT_GE(t.state.turnTimer, 0.5f / 1.1f);
  EXPECT_LE(t.state.turnTimer, 1.5f / 1.1f);
  t.state.turnTimer = 100.0f;
  swarm.verticalFactor.SetValue(50u);  // 0.5
  Particle p(D3DXVECTOR3(50, 50, 0));
  const D3DXVECTOR3 v0 = t.state.velocity;
  t.Apply(0.1f, &p);
  ExpectVec(p.position, 50 + v0.x * 0.1f * 2.0f, 50 + v0.y * 0.1f * 2.0f * 0.5f, 0, 1e-3f);
  // Outside: steer to the figure's centre.
  p.position = D3DXVECTOR3(150, 50, 0);
  const D3DXVECTOR3 v1 = t.state.velocity;
  t.Apply(0.1f, &p);
  EXPECT_NEAR(t.state.acceleration.x, (-100.0f - v1.x) / 0.42f, 1e-2f);
  // No figure: the particle stays.
  PtclTr_RandomFly lost(DS_SafePtr<ZVI_VGeom2D>(), &swarm);
  Particle q(D3DXVECTOR3(1, 2, 0));
  lost.Apply(0.1f, &q);
  ExpectVec(q.position, 1, 2, 0);
}

TEST(MotionTransformTest, FlowDriftsAndReentersUpstream) {
  FlowParams flow;  // speed 100, direction 0, spread 0
  auto* area = new FakeFigure;
  DS_SafePtr<ZVI_VGeom2D> figure(area);
  PtclTr_Flow t(figure, &flow, 0.0f, 0.5f);
  Particle p(D3DXVECTOR3(50, 50, 0));
  t.Apply(0.1f, &p);
  ExpectVec(p.position, 60, 50, 0);
  ExpectVec(p.velocity, 100, 0, 0);
  // Past the right edge: a random point, then back against the flow to the
  // left edge.
  area->scripted_points = {D3DXVECTOR3(30, 20, 0)};
  p.position = D3DXVECTOR3(95, 50, 0);
  t.Apply(0.1f, &p);
  EXPECT_EQ(area->random_points, 1);
  ExpectVec(p.position, 0, 20, 0);
  ExpectVec(p.auxVector, 0.3f, 0.2f, 0);
  // The direction angle turns the flow: 90 degrees heads (0, -1, 0).
  flow.direction.SetValue(90u);
  p.position = D3DXVECTOR3(50, 50, 0);
  t.Apply(0.1f, &p);
  ExpectVec(p.position, 50, 40, 0, 1e-3f);
}

std::vector<PathSample> StraightPath(std::vector<float> xs) {
  std::vector<PathSample> s;
  for (float x : xs) {
    PathSample ps;
    ps.position = D3DXVECTOR3(x, 0, 0);
    ps.tangent = D3DXVECTOR3(1, 0, 0);
    s.push_back(ps);
  }
  FinishSampleLengths(s);
  return s;
}

TEST(MotionTransformTest, PathTrackerAgeAndEnd) {
  const std::vector<PathSample> path = StraightPath({0, 100, 300});
  ZVI_JitterParam speed;
  speed.SetValue(100u);
  ParticlePtr p(new Particle());
  p->AddTransform(new PtclTr_PathTracker(DS_SafePtr<PathCursor>(new PathCursor(&path)), &speed, 0.0f));
  EXPECT_TRUE(StepParticle(p.get(), 1.5f));
  EXPECT_FLOAT_EQ(p->age, 0.5f);
  ExpectVec(p->position, 150, 0, 0);
  ExpectVec(p->velocity, 1, 0, 0);
  EXPECT_FALSE(StepParticle(p.get(), 1.6f));
  ExpectVec(p->position, 300, 0, 0);
  // Speed 0 stays and keeps the age.
  ZVI_JitterParam still;
  ParticlePtr q(new Particle());
  auto* cursor = new PathCursor(&path);
  D3DXVECTOR3 pos, tan;
  cursor->Advance(60.0f, &pos, &tan);
  q->AddTransform(new PtclTr_PathTracker(DS_SafePtr<PathCursor>(cursor), &still, 0.0f));
  q->age = 0.2f;
  EXPECT_TRUE(StepParticle(q.get(), 1.0f));
  EXPECT_FLOAT_EQ(q->age, 0.2f);
  ExpectVec(q->position, 60, 0, 0);
  // A path of length 0 leaves the age as it is.
  const std::vector<PathSample> point = StraightPath({5, 5});
  ParticlePtr r(new Particle());
  r->age = 0.25f;
  r->AddTransform(new PtclTr_PathTracker(DS_SafePtr<PathCursor>(new PathCursor(&point)), &still, 0.0f));
  StepParticle(r.get(), 0.1f);
  EXPECT_EQ(r->age, 0.25f);
}

TEST(MotionTransformTest, PerspectiveField) {
  FakeFieldPlane field;
  field.origin = D3DXVECTOR3(10, 20, 3);
  struct Row {
    uint32_t depth;
    float cosine, u, v;
    float g;
  } rows[] = {
      {100, 1.0f, 0.5f, 0.5f, 1.0f},
      {100, 0.5f, 0.5f, 0.5f, 100.0f / (std::sqrt(0.75f) * 50.0f + 100.0f)},
      // Depth 0: the limit 1 / (sqrt(1 - c^2) v + 1), not 0 / 0.
      {0, 0.5f, 0.5f, 0.5f, 1.0f / (std::sqrt(0.75f) * 0.5f + 1.0f)},
  };
  for (const Row& r : rows) {
    field.depth = r.depth;
    field.tilt_cosine = r.cosine;
    Particle p;
    p.velocity = D3DXVECTOR3(r.u, r.v, 0);
    PtclTr_PerspectiveField t(&field);
    t.Apply(0.1f, &p);
    t.Apply(0.1f, &p);
    EXPECT_NEAR(p.size, r.g * r.g, 1e-5f) << r.depth;
    EXPECT_NEAR(p.position.x, 100.0f * r.u * r.g + 10.0f, 1e-3f);
    EXPECT_NEAR(p.position.y, r.v * r.depth * r.g * r.cosine + 20.0f, 1e-3f);
    // Set to the origin's depth, not accumulated frame by frame.
    EXPECT_EQ(p.position.z, 3.0f);
  }
}

TEST(MotionTransformTest, PerspectiveFlow) {
  FakeStreamAxis stream;
  Particle p;
  p.heading = D3DXVECTOR3(0, 1, 0);
  PtclTr_PerspectiveFlow t(&stream, 0.0f);
  t.Apply(0.1f, &p);
  ExpectVec(p.velocity, 0, 10, 0);
  EXPECT_EQ(p.size, 1.0f);
  // Perspective: A (0, 0), B (0, 100); sides (1, 1) and (-1, 1) stored,
  // used as (1, -1) and (-1, -1): R1 = -1 / 1, R2 = -1 / -1.
  stream.perspective = true;
  p.position = D3DXVECTOR3(10, 50, 0);
  p.size = 1.0f;
  t.Apply(0.1f, &p);
  const float a = 1.0f - (10.0f / 100.0f) * (-1.0f - 1.0f);
  EXPECT_NEAR(p.size, a, 1e-5f);
  ExpectVec(p.velocity, 0, 10 * a, 0);
  // Sides along the axis or a point axis: no perspective.
  stream.side_a = D3DXVECTOR3(0, 1, 0);
  stream.side_b = D3DXVECTOR3(0, 1, 0);
  p.size = 1.0f;
  t.Apply(0.1f, &p);
  EXPECT_EQ(p.size, 1.0f);
  stream.end = stream.start;
  t.Apply(0.1f, &p);
  EXPECT_EQ(p.size, 1.0f);
}

class FollowCurveTest : public ::testing::Test {
 protected:
  FollowCurveTest() {
    auto* line = new ZVI_VGeom2D_LineSegment;
    line->SetEnds(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(100, 0, 0));
    curve.SetGeometry(line);
    motion.head.speed.SetValue(100u);  // one lap per second
    motion.head.pingPong.SetValue(0);
  }
  std::vector<float> Run(PtclTr_FollowCurve& t, Particle& p, float dt, int steps) {
    std::vector<float> out;
    for (int i = 0; i < steps; ++i) out.push_back(t.Advance(dt, &p));
    return out;
  }
  void ExpectSeq(const std::vector<float>& got, const std::vector<float>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-5f) << "step " << i;
  }

  ZVI_SmartGeom<ZVI_VGeom2D_Curve> curve;
  FollowCurveParams motion;
  FollowCurveWaits waits;
};

TEST_F(FollowCurveTest, WaitsAtTheEndThenAtTheStart) {
  waits.endWait.SetValue(100u);    // 1 s
  waits.startWait.SetValue(50u);   // 0.5 s
  PtclTr_FollowCurve t(&curve, &motion, &waits);
  Particle p;
  // 0.5 s at the start, a lap of 1 s, 1 s at the end (after the arrival),
  // then the start wait.
  // The end wait runs out with an overshoot of one step, which comes off the
  // start wait twice: it shows for one step only.
  ExpectSeq(Run(t, p, 0.25f, 16), {0, 0, 0.25f, 0.5f, 0.75f, 1, 1, 1, 1, 1, 0, 0.25f, 0.5f, 0.75f, 1, 1});
}

TEST_F(FollowCurveTest, AnOvershootComesOffTheStartWaitTwice) {
  // End wait 0.3 s in 0.25 s steps: overshoot 0.2 at its end; the start wait
  // of 0.5 s then holds 0.5 - 0.4 = 0.1 s.
  waits.endWait.SetValue(30u);
  waits.startWait.SetValue(50u);
  PtclTr_FollowCurve t(&curve, &motion, &waits);
  t.waitTimer = 0.0f;  // start moving at once
  t.state = PtclTr_FollowCurve::kWaitingAtStart;
  Particle p;
  std::vector<float> seq = Run(t, p, 0.25f, 5);
  // Moving from 0 with overshoot 0.25: 0.25, 0.5, 0.75, arrive at 1.
  ExpectSeq(seq, {0.25f, 0.5f, 0.75f, 1, 1});
  EXPECT_NEAR(t.waitTimer, 0.05f, 1e-6f);
  EXPECT_EQ(t.Advance(0.25f, &p), 0.0f);  // end wait over, overshoot 0.2
  EXPECT_EQ(t.state, PtclTr_FollowCurve::kWaitingAtStart);
  EXPECT_NEAR(t.waitTimer, 0.1f, 1e-6f);
}

TEST_F(FollowCurveTest, PingPongRunsBackAfterTheEndWait) {
  motion.head.pingPong.SetValue(1);
  waits.endWait.SetValue(50u);
  PtclTr_FollowCurve t(&curve, &motion, &waits);
  Particle p;
  ExpectSeq(Run(t, p, 0.25f, 12), {0.25f, 0.5f, 0.75f, 1, 1, 1, 0.75f, 0.5f, 0.25f, 0, 0.25f, 0.5f});
  EXPECT_EQ(t.goingBack, 0);
}

TEST_F(FollowCurveTest, HideFlagsZeroTheAlphaWhileWaiting) {
  waits.startWait.SetValue(50u);
  waits.hideAtStart.SetValue(1);
  PtclTr_FollowCurve t(&curve, &motion, &waits);
  ParticlePtr p(new Particle());
  p->AddTransform(DS_SafePtr<ZVI_PtclTransform>(new PtclTr_FollowCurve(t)));
  StepParticle(p.get(), 0.25f);
  EXPECT_EQ(p->alpha, 0.0f);
  ExpectVec(p->position, 0, 0, 0);
  StepParticle(p.get(), 0.5f);
  EXPECT_EQ(p->alpha, 1.0f);
  ExpectVec(p->position, 25, 0, 0, 1e-3f);
}

TEST_F(FollowCurveTest, Easing) {
  struct Row {
    int32_t mode;
    float dt, expected;
  } rows[] = {
      {0, 0.25f, 0.25f},
      {1, 0.5f, 0.5f},
      {2, 0.5f, 0.25f},
      {3, 0.5f, 0.5f},
      {4, 0.25f, 53.0f / 512.0f},
      {9, 0.25f, 0.25f},
  };
  for (const Row& r : rows) {
    motion.head.easing.SetValue(r.mode);
    PtclTr_FollowCurve t(&curve, &motion, &waits);
    Particle p;
    EXPECT_NEAR(t.Advance(r.dt, &p), r.expected, 1e-6f) << r.mode;
  }
}

TEST_F(FollowCurveTest, ACurveOfNoLengthHoldsTheStart) {
  ZVI_SmartGeom<ZVI_VGeom2D_Curve> empty;
  auto* dot = new ZVI_VGeom2D_LineSegment;
  dot->SetEnds(D3DXVECTOR3(5, 5, 0), D3DXVECTOR3(5, 5, 0));
  ZVI_SmartGeom<ZVI_VGeom2D_Curve> zero;
  zero.SetGeometry(dot);
  for (auto* c : {&empty, &zero}) {
    PtclTr_FollowCurve t(c, &motion, &waits);
    ParticlePtr p(new Particle());
    p->AddTransform(DS_SafePtr<ZVI_PtclTransform>(new PtclTr_FollowCurve(t)));
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(StepParticle(p.get(), 0.25f));
    EXPECT_TRUE(Finite(p->position));
    EXPECT_EQ(p->age, 0.0f);
    auto* path = new PtclTr_PerspectivePath(nullptr, &motion, &waits, c);
    ParticlePtr q(new Particle());
    q->AddTransform(DS_SafePtr<ZVI_PtclTransform>(path));
    StepParticle(q.get(), 0.25f);
    EXPECT_TRUE(Finite(q->position));
    EXPECT_TRUE(std::isfinite(q->size));
  }
}

TEST_F(FollowCurveTest, OrientationModes) {
  struct Row {
    int32_t mode;
    uint8_t back;
    D3DXVECTOR3 tangent;
    float m11, m22;
  } rows[] = {
      {2, 0, {-1, 0, 0}, -1, 1}, {2, 0, {1, 0, 0}, 1, 1}, {2, 1, {1, 0, 0}, -1, 1},
      {3, 0, {0, 1, 0}, 1, -1},  {3, 1, {0, 1, 0}, 1, 1},  {0, 1, {-1, -1, 0}, 1, 1},
  };
  for (const Row& r : rows) {
    motion.head.orientation.SetValue(r.mode);
    PtclTr_FollowCurve t(&curve, &motion, &waits);
    t.goingBack = r.back;
    Particle p;
    D3DXMatrixIdentity(&p.modifier1);
    t.Orient(r.tangent, &p);
    EXPECT_EQ(p.modifier1._11, r.m11) << r.mode;
    EXPECT_EQ(p.modifier1._22, r.m22) << r.mode;
  }
  // Mode 1: turned to the tangent, mirrored in x when going back.
  motion.head.orientation.SetValue(1);
  PtclTr_FollowCurve t(&curve, &motion, &waits);
  Particle p;
  D3DXMatrixIdentity(&p.modifier1);
  t.Orient(D3DXVECTOR3(0, 2, 0), &p);
  D3DXMATRIX expected;
  MatrixRotationBetween(&expected, D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(1, 0, 0));
  EXPECT_EQ(p.modifier1._12, expected._12);
  EXPECT_EQ(p.modifier1._21, expected._21);
  t.goingBack = 1;
  D3DXMatrixIdentity(&p.modifier1);
  t.Orient(D3DXVECTOR3(0, 2, 0), &p);
  EXPECT_EQ(p.modifier1._12, -expected._12);
}

TEST_F(FollowCurveTest, PerspectivePathMapsOntoTheTrack) {
  // Depth factor e = 5: size (1/e) / (h + 1/e); distance h (L/e + L) / (h + 1/e).
  motion.fixedPosition.SetValue(1);
  motion.fixedFraction.SetValue(50u);
  auto* line = new ZVI_VGeom2D_LineSegment;
  line->SetEnds(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(100, 0, 0));
  PtclTr_PerspectivePath t(line, &motion, &waits, &curve);
  Particle p;
  t.Apply(0.1f, &p);
  EXPECT_NEAR(p.size, 0.2f / 0.7f, 1e-6f);
  EXPECT_NEAR(p.position.x, 0.5f * (20.0f + 100.0f) / 0.7f, 1e-3f);
  motion.reverse.SetValue(1);
  motion.fixedFraction.SetValue(25u);  // h = 0.75
  t.Apply(0.1f, &p);
  EXPECT_NEAR(p.size, 0.2f / 0.95f, 1e-6f);
  EXPECT_NEAR(p.position.x, 100.0f - 0.75f * 120.0f / 0.95f, 1e-3f);
  // Travelling: the progress comes from its own line.
  motion.fixedPosition.SetValue(0);
  motion.reverse.SetValue(0);
  PtclTr_PerspectivePath moving(new ZVI_VGeom2D_LineSegment(*line), &motion, &waits, &curve);
  Particle q;
  moving.Apply(0.5f, &q);
  EXPECT_NEAR(q.size, 0.2f / 0.7f, 1e-6f);
}

}  // namespace
