// Motion laws: placement, launch, the transforms they attach, and the
// figure source that calls them.
#include <gtest/gtest.h>

#include <cmath>

#include "core/crt.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/motion_laws.h"
#include "particles/sources/source_physics.h"
#include "tests/particles/sources/source_fakes.h"

namespace {

constexpr float kR1 = 41.0f / 32767.0f;  // the first draws after crt_srand(1)
constexpr float kR3 = 6334.0f / 32767.0f;
constexpr float kR4 = 26500.0f / 32767.0f;
constexpr float kR5 = 19169.0f / 32767.0f;

FigurePtr Square(D3DXVECTOR3 point) {
  auto* f = new node_fakes::FakeFigure();
  f->scripted_points = {point};
  return FigurePtr(f);
}

class NoPointFigure : public node_fakes::FakeFigure {
 public:
  bool RandomPoint(D3DXVECTOR3*, D3DXVECTOR3*) override { return false; }
};

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-5f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

TEST(MotionLawTest, KinematicOnlyPlacesAndDetachCutsTheParent) {
  ZVI_PtclSysMLaw_Kinematic law;
  ParticlePtr parent(new Particle());
  ParticlePtr p(new Particle(parent));
  law.InitParticle(p.get(), Square(D3DXVECTOR3(30, 40, 0)));
  ExpectVec(p->position, 30, 40, 0);
  ExpectVec(p->auxVector, 0.3f, 0.4f, 0);
  ExpectVec(p->velocity, 0, 0, 0);
  EXPECT_TRUE(p->HasParent());
  law.detach = 1;
  law.InitParticle(p.get(), FigurePtr());
  EXPECT_FALSE(p->HasParent());
  ParticlePtr q(new Particle());
  law.InitParticle(q.get(), FigurePtr(new NoPointFigure()));
  EXPECT_TRUE(q->IsDead());
}

TEST(MotionLawTest, VectorAtNinetyDegreesHeadsUpTheScreen) {
  ZVI_PtclSysMLaw_Vector law;
  law.direction.SetValue(90u);
  ParticlePtr p(new Particle());
  law.InitParticle(p.get(), FigurePtr());
  ExpectVec(p->heading, 0, -1, 0);
  ExpectVec(p->velocity, 0, -100, 0, 1e-4f);
}

TEST(MotionLawTest, VectorDrawsAngleThenSpeed) {
  ZVI_PtclSysMLaw_Vector law;
  law.spread.SetValue(60u);
  law.speed.jitter.SetValue(100u);
  crt_srand(1);
  ParticlePtr p(new Particle());  // two draws
  EXPECT_FLOAT_EQ(p->random[2], kR1);
  law.InitParticle(p.get(), FigurePtr());
  const float s = 60.0f * 0.017453292f;
  const float a = (kR3 * 2.0f * s - s) * 0.5f;
  ExpectVec(p->heading, std::cos(a), -std::sin(a), 0);
  ExpectVec(p->velocity, std::cos(a) * 100.0f * kR4, -std::sin(a) * 100.0f * kR4, 0, 1e-3f);
}

TEST(MotionLawTest, NormalTurnsTheFigureDirection) {
  ZVI_PtclSysMLaw_Normal law;
  law.direction.SetValue(90u);
  ParticlePtr p(new Particle());
  law.InitParticle(p.get(), FigurePtr(new node_fakes::FakeFigure()));
  ExpectVec(p->heading, 0, -1, 0);
  ExpectVec(p->velocity, 0, -100, 0, 1e-4f);
  // No figure: nothing to stand on, the particle is left as it is.
  ParticlePtr q(new Particle(D3DXVECTOR3(1, 2, 3)));
  law.InitParticle(q.get(), FigurePtr());
  ExpectVec(q->position, 1, 2, 3);
  ExpectVec(q->velocity, 0, 0, 0);
  EXPECT_FALSE(q->IsDead());
}

TEST(MotionLawTest, RadialMovesAlongTheRadiusWithItsSign) {
  struct Case {
    int32_t mode;
    float vx;
  };
  for (Case c : {Case{0, 50}, Case{1, -50}, Case{7, 50}}) {
    ZVI_PtclSysMLaw_Radial law;
    law.signMode = c.mode;
    ParticlePtr p(new Particle());
    law.InitParticle(p.get(), Square(D3DXVECTOR3(60, 50, 0)));
    ExpectVec(p->heading, 1, 0, 0);
    ExpectVec(p->velocity, c.vx, 0, 0) ;
  }
}

TEST(MotionLawTest, RadialOnTheCentreTakesARandomDirection) {
  ZVI_PtclSysMLaw_Radial law;
  law.signMode = 2;
  ParticlePtr p(new Particle());
  law.InitParticle(p.get(), Square(D3DXVECTOR3(50, 50, 0)));
  EXPECT_NEAR(std::hypot(p->heading.x, p->heading.y), 1.0f, 1e-5f);
  EXPECT_NEAR(std::hypot(p->velocity.x, p->velocity.y), 50.0f, 1e-3f);
  // Without a figure the centre is the origin plus the offset.
  law.signMode = 0;
  law.centreOffset = D3DXVECTOR3(0, 10, 0);
  ParticlePtr q(new Particle());
  law.InitParticle(q.get(), FigurePtr());
  ExpectVec(q->heading, 0, -1, 0);
}

TEST(MotionLawTest, LoopPlacesAtRandomCoordinatesThenFollowsItsMode) {
  ZVI_PtclSysMLaw_Loop law;
  crt_srand(1);
  ParticlePtr parent(new Particle());  // draws 1 and 2
  ParticlePtr p(new Particle());       // draws 3 and 4
  law.InitParticle(p.get(), FigurePtr(new node_fakes::FakeFigure()));
  ExpectVec(p->auxVector, kR5, 15724.0f / 32767.0f, 0);
  ExpectVec(p->position, kR5 * 100.0f, 15724.0f / 32767.0f * 100.0f, 0, 1e-3f);
  ASSERT_EQ(p->transforms.size(), 1u);
  auto* loop = dynamic_cast<PtclTr_Loop*>(p->transforms[0].get());
  ASSERT_NE(loop, nullptr);
  EXPECT_FLOAT_EQ(loop->u, kR5);
  law.followMode = 1;
  ParticlePtr child(new Particle(parent));
  law.InitParticle(child.get(), FigurePtr(new node_fakes::FakeFigure()));
  EXPECT_FALSE(child->HasParent());
  EXPECT_TRUE(child->transforms.empty());
}

TEST(MotionLawTest, VelocityFieldAndSpiralAttachTheirTransforms) {
  ZVI_PtclSysMLaw_VelocityField field;
  ParticlePtr p(new Particle());
  field.InitParticle(p.get(), FigurePtr());
  ASSERT_EQ(p->transforms.size(), 1u);
  EXPECT_NE(dynamic_cast<PtclTr_VelocityField*>(p->transforms[0].get()), nullptr);
  ExpectVec(p->velocity, 0, 0, 0);
  ZVI_PtclSysMLaw_Spiral spiral;
  FigurePtr figure = Square(D3DXVECTOR3(10, 10, 0));
  ParticlePtr q(new Particle());
  spiral.InitParticle(q.get(), figure);
  ASSERT_EQ(q->transforms.size(), 1u);
  auto* t = dynamic_cast<PtclTr_Spiral*>(q->transforms[0].get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->figure.get(), figure.get());
  EXPECT_EQ(t->owner, &spiral.spiral);
}

TEST(MotionLawTest, VelocityFieldDriftsAlongItsDirection) {
  crt_set_clock([] { return 2500; });
  ZVI_PtclSysMLaw_VelocityField law;
  law.field.amplitude.SetValue(0u);
  law.field.drift.value.SetValue(10u);
  law.field.driftDirection.SetValue(90u);
  ParticlePtr p(new Particle());
  law.InitParticle(p.get(), FigurePtr());
  ASSERT_TRUE(p->transforms[0]->Apply(0.1f, p.get()));
  ExpectVec(p->velocity, 0, -10, 0, 1e-4f);
  crt_set_clock(nullptr);
}

TEST(TunnelLawTest, DepthZeroOnlyTurnsAboutTheCentre) {
  ZVI_PtclSysMLCentred_Tunel law;
  FigurePtr figure = Square(D3DXVECTOR3(60, 50, 0));
  law.SetFigure(figure);
  EXPECT_TRUE(law.KeepsAlive());
  ParticlePtr p(new Particle());
  law.InitParticle(p.get(), figure);
  EXPECT_TRUE(p->flags & ParticleFlags::OwnMotion);
  ASSERT_EQ(p->transforms.size(), 1u);
  // 100 degrees per second for 0.9 s: a quarter turn.
  ASSERT_TRUE(p->transforms[0]->Apply(0.9f, p.get()));
  ExpectVec(p->position, 50, 60, 0, 1e-4f);
  EXPECT_FLOAT_EQ(p->size, 1.0f);
  ExpectVec(p->offset, 0, 0, 0);
  ExpectVec(p->heading, 0, -1, 0, 1e-4f);
}

TEST(TunnelLawTest, DepthPullsTowardsTheCentreAndShrinks) {
  ZVI_PtclSysMLCentred_Tunel law;
  law.data->depth.SetValue(100u);
  law.data->rotationMode = 1;
  FigurePtr figure = Square(D3DXVECTOR3(60, 50, 0));
  law.SetFigure(figure);
  ParticlePtr p(new Particle());
  law.InitParticle(p.get(), figure);
  p->age = 0.5f;
  p->transforms[0]->Apply(0.0f, p.get());
  const float k = 50.0f / 61.0f;  // h / (focal + h), focal 11
  EXPECT_FLOAT_EQ(p->position.z, 50.0f);
  EXPECT_NEAR(p->size, 1.0f - k, 1e-6f);
  ExpectVec(p->offset, -10.0f * k, 0, 0);
  // The transform keeps the law's values alive on its own.
  ZVI_PtclTransform* t = p->transforms[0].get();
  { ZVI_PtclSysMLCentred_Tunel gone; }
  EXPECT_TRUE(t->Apply(0.1f, p.get()));
}

TEST(SourceFigTest, ChildrenGetTheirLifetimeThenTheLaw) {
  ZVI_PtclSysPhys_SourceFig source;
  EXPECT_FALSE(source.IsAlive());
  auto* law = new ZVI_PtclSysMLaw_Vector();
  law->direction.SetValue(90u);
  source.law = DS_SafePtr<ZVI_PtclSys_MotionLaw>(law);
  source.SetGeometry(new node_fakes::FakeFigure());
  ParticleVector parents = source_fakes::Parents(1);
  source.Generate(&parents);
  ParticleVector born = source.Update(nullptr, 0.1f);
  ASSERT_EQ(born.size(), 1u);
  EXPECT_NE(dynamic_cast<PtclTr_MaxAge*>(born[0]->transforms[0].get()), nullptr);
  ExpectVec(born[0]->position, 50, 50, 0);
  ExpectVec(born[0]->velocity, 0, -100, 0, 1e-4f);
  source.law = DS_SafePtr<ZVI_PtclSys_MotionLaw>(new ZVI_PtclSysMLCentred_Tunel());
  EXPECT_TRUE(source.IsAlive());
}

}  // namespace
