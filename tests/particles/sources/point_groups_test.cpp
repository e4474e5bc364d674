// Point groups, fixed spots, the root point and the point family's shared
// operations.
#include <gtest/gtest.h>

#include <vector>

#include "core/crt.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/point_groups.h"
#include "tests/particles/sources/source_fakes.h"

using source_fakes::Parents;

namespace {

TEST(PointsTest, UpdateKeepsTheSurvivorsInOrderAndMakesNothing) {
  ZVI_PtclSysPhys_Points points;
  EXPECT_TRUE(points.Update(nullptr, 0.1f).empty());
  ParticleVector all = Parents(5);
  points.AppendParticles(all);
  all[0]->flags |= ParticleFlags::Dead;
  all[2]->flags |= ParticleFlags::Dead;
  EXPECT_TRUE(points.Update(nullptr, 0.1f).empty());
  ASSERT_EQ(points.particles.size(), 3u);
  EXPECT_EQ(points.particles[0].get(), all[1].get());
  EXPECT_EQ(points.particles[1].get(), all[3].get());
  EXPECT_EQ(points.particles[2].get(), all[4].get());
}

TEST(PointsTest, ClearMarksParticlesHeldElsewhereDead) {
  ZVI_PtclSysPhys_Points points;
  ParticleVector held = Parents(2);
  points.AppendParticles(held);
  points.Clear();
  EXPECT_TRUE(points.particles.empty());
  EXPECT_TRUE(held[0]->IsDead());
  EXPECT_TRUE(held[1]->IsDead());
}

TEST(PointsTest, RefreshResetsAndAppliesAtTimeZero) {
  ZVI_PtclSysPhys_Points points;
  ParticleVector ps = Parents(1);
  auto* scripted = new node_fakes::ScriptedTransform();
  ps[0]->AddTransform(scripted);
  points.AppendParticles(ps);
  EXPECT_TRUE(points.Refresh().empty());
  EXPECT_EQ(scripted->resets, 1);
  EXPECT_EQ(scripted->applied, 1);
  EXPECT_EQ(scripted->last_dt, 0.0f);
}

TEST(PointsTest, SetGeometryWithTheHeldFigureNotifiesNobody) {
  ZVI_PtclSysPhys_Points points;
  struct Counter : MediaControl {
    void OnChanged(MediaControl*) override { ++heard; }
    int heard = 0;
  } counter;
  int& heard = counter.heard;
  points.figure.AddControl(&counter);
  auto* f = new node_fakes::FakeFigure();
  points.SetGeometry(f);
  EXPECT_EQ(heard, 1);
  points.SetGeometry(f);
  EXPECT_EQ(heard, 1);
  EXPECT_EQ(points.figure.value.get(), f);
  points.figure.RemoveControl(&counter);
}

TEST(PointsTest, DepthOrderFollowsParentRelativeChains) {
  ParticlePtr parent(new Particle(D3DXVECTOR3(0, 0, 5)));
  ParticlePtr child(new Particle(parent));
  child->position = D3DXVECTOR3(0, 0, 1);
  ParticlePtr loose(new Particle(D3DXVECTOR3(0, 0, 3)));
  EXPECT_TRUE(ParticleDepthGreater(loose, child));  // 3 > 1: not relative
  child->flags |= ParticleFlags::ParentRelative;
  EXPECT_TRUE(ParticleDepthGreater(child, loose));  // 6 > 3
  ParticlePtr same(new Particle(D3DXVECTOR3(0, 0, 6)));
  EXPECT_FALSE(ParticleDepthGreater(child, same));
  EXPECT_FALSE(ParticleDepthGreater(same, child));
}

// ---------------------------------------------------------------------------

TEST(ConstPntGroupTest, CountChildrenPerParentInParentOrder) {
  ZVI_PtclSysPhys_ConstPntGroup group;
  EXPECT_EQ(group.count.value, 1u);
  EXPECT_TRUE(group.Generate(nullptr).empty());
  group.count = 3u;
  ParticleVector parents = Parents(2);
  ParticleVector born = group.Generate(&parents);
  ASSERT_EQ(born.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(born[i]->parent.get(), parents[i / 3].get()) << i;
    EXPECT_EQ(born[i]->flags, ParticleFlags::DiesWithParent) << i;
  }
  EXPECT_EQ(group.particles.size(), 6u);
  group.count = 0u;
  EXPECT_TRUE(group.Generate(&parents).empty());
}

TEST(ConstPntGroupTest, AHugeCountStopsAtTheCap) {
  ZVI_PtclSysPhys_ConstPntGroup group;
  ParticlePtr filler(new Particle());
  group.particles.assign(kMaxPhysicsParticles - 2, filler);
  group.count = 4000000000u;
  ParticleVector parents = Parents(2);
  EXPECT_EQ(group.Generate(&parents).size(), 2u);
  EXPECT_EQ(group.particles.size(), kMaxPhysicsParticles);
}

TEST(PntNestTest, NestSwarmAndFlowPlaceOnTheFigureOrLeaveAlone) {
  ParticleVector parents = Parents(1);
  {
    ZVI_PtclSysPhys_Swarm swarm;
    ParticleVector born = swarm.Generate(&parents);
    ASSERT_EQ(born.size(), 1u);
    EXPECT_TRUE(born[0]->transforms.empty());  // no figure: unplaced, unmoved
    EXPECT_FALSE(born[0]->flags & ParticleFlags::DiesWithParent);
  }
  auto* f = new node_fakes::FakeFigure();
  f->scripted_points = {D3DXVECTOR3(20, 30, 0), D3DXVECTOR3(70, 80, 0)};
  ZVI_PtclSysPhys_Flow flow;
  flow.SetGeometry(f);
  ParticleVector born = flow.Generate(&parents);
  ASSERT_EQ(born.size(), 1u);
  EXPECT_EQ(born[0]->position, D3DXVECTOR3(20, 30, 0));
  EXPECT_FLOAT_EQ(born[0]->auxVector.x, 0.2f);
  ASSERT_EQ(born[0]->transforms.size(), 1u);
  EXPECT_NE(dynamic_cast<PtclTr_Flow*>(born[0]->transforms[0].get()), nullptr);
}

TEST(LifeEndlessTest, SpotsOnTheCellCentresLoopingOnlyForOne) {
  ParticleVector parents = Parents(1);
  for (int loop : {0, 1, 2}) {
    ZVI_PtclSysPhys_FixedSpots spots;
    spots.SetGeometry(new node_fakes::FakeFigure());
    spots.loop = loop;
    ParticleVector born = spots.Generate(&parents);
    ASSERT_EQ(born.size(), 9u);
    const float at[] = {1.0f / 6, 0.5f, 5.0f / 6};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        const Particle& p = *born[i * 3 + j];
        EXPECT_FLOAT_EQ(p.auxVector.x, at[i]);
        EXPECT_FLOAT_EQ(p.auxVector.y, at[j]);
        EXPECT_FLOAT_EQ(p.position.x, at[i] * 100.0f);
        EXPECT_TRUE(p.flags & ParticleFlags::DiesWithParent);
        ASSERT_GE(p.transforms.size(), 1u);
        auto* life = dynamic_cast<PtclTr_PhoenixLife*>(p.transforms[0].get());
        ASSERT_NE(life, nullptr);
        EXPECT_FLOAT_EQ(life->cycle, 1.0f);
        EXPECT_EQ(p.transforms.size(), loop == 1 ? 2u : 1u) << loop;
      }
    }
  }
  ZVI_PtclSysPhys_FixedSpots bare;
  EXPECT_TRUE(bare.Generate(&parents).empty());
}

TEST(TrackTest, ChildrenFollowTheCurveWhenThereIsOne) {
  source_fakes::RegisterAll();
  ZVI_PtclSysPhys_Track track;
  ASSERT_NE(track.curve.value.get(), nullptr);
  EXPECT_EQ(track.curve.value->GetTypeName(), "ZVI_VGeom2D_BSpline");
  ParticleVector parents = Parents(1);
  ParticleVector born = track.Generate(&parents);
  ASSERT_EQ(born.size(), 1u);
  ASSERT_EQ(born[0]->transforms.size(), 1u);
  EXPECT_NE(dynamic_cast<PtclTr_FollowCurve*>(born[0]->transforms[0].get()), nullptr);
  ZVI_PtclSysPhys_TrackPerspective perspective;
  born = perspective.Generate(&parents);
  ASSERT_EQ(born[0]->transforms.size(), 1u);
  EXPECT_NE(dynamic_cast<PtclTr_PerspectivePath*>(born[0]->transforms[0].get()), nullptr);
}

// ---------------------------------------------------------------------------

TEST(RootPointTest, HoldsOneParticlePlacedAtPositionPlusOffset) {
  ZVI_PtclSysPhys_RootPnt root(D3DXVECTOR3(10, 20, 0));
  ASSERT_EQ(root.particles.size(), 1u);
  EXPECT_EQ(root.RootParticle(), root.particles[0].get());
  EXPECT_EQ(root.RootParticle()->transforms.size(), 3u);
  root.SetOffset(1, 2, 3);
  EXPECT_TRUE(root.Update(nullptr, 0.1f).empty());
  EXPECT_EQ(root.RootParticle()->position, D3DXVECTOR3(11, 22, 3));
  EXPECT_FLOAT_EQ(root.RootParticle()->size, 1.0f);
  EXPECT_FLOAT_EQ(root.RootParticle()->alpha, 1.0f);
  EXPECT_TRUE(root.Generate(nullptr).empty());
  EXPECT_EQ(root.sizeEntry->name, u"Size");
  EXPECT_EQ(root.translucencyEntry->name, u"Translucency");
  root.Clear();
  EXPECT_EQ(root.RootParticle(), nullptr);
  EXPECT_TRUE(root.Update(nullptr, 0.1f).empty());
}

TEST(RootPointTest, ScaleAndTransparencyInEffectScaleTheRoot) {
  source_fakes::RegisterAll();
  source_fakes::PublishedClock published;
  ZVI_PtclSysPhys_RootPnt root;
  root.scale.SetValue(50u);
  root.transparency.SetValue(75u);
  published.clock.Tick(0.0f);
  root.Update(nullptr, 0.1f);
  EXPECT_FLOAT_EQ(root.RootParticle()->size, 0.5f);
  EXPECT_FLOAT_EQ(root.RootParticle()->alpha, 0.25f);
}

TEST(RootPointTest, RotationSpeedNineHundredTurnsOncePerSecond) {
  ZVI_PtclSysPhys_RootPnt root;
  auto* turn = dynamic_cast<PtclTr_Orientation*>(root.RootParticle()->transforms[0].get());
  ASSERT_NE(turn, nullptr);
  root.Update(nullptr, 0.5f);
  EXPECT_EQ(turn->angle, 0.0f);
  root.orientation.rotationSpeed.SetValue(900u);
  EXPECT_FLOAT_EQ(root.orientation.rotationSpeed.derived, 6.2831855f);
  root.Update(nullptr, 0.5f);
  root.Update(nullptr, 0.5f);
  EXPECT_FLOAT_EQ(turn->angle, 6.2831855f);
}

}  // namespace
