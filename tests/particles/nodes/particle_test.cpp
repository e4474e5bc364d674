// The node particle record and its per-frame step.
#include <gtest/gtest.h>

#include <vector>

#include "core/crt.h"
#include "particles/nodes/particle.h"
#include "tests/particles/nodes/node_fakes.h"

using node_fakes::ScriptedTransform;

namespace {

ParticlePtr NewParticle(const D3DXVECTOR3& at = D3DXVECTOR3(0, 0, 0)) { return ParticlePtr(new Particle(at)); }

ParticlePtr Child(const ParticlePtr& parent, uint32_t flags = 0) {
  ParticlePtr p(new Particle(parent));
  p->flags = flags;
  return p;
}

// A transform that multiplies size or alpha every frame.
ScriptedTransform* Scale(float size, float alpha = 1.0f) {
  return new ScriptedTransform(true, [size, alpha](float, Particle* p) {
    p->size *= size;
    p->alpha *= alpha;
  });
}

TEST(ParticleTest, ResetDrawsTheAlphaFactorBeforeTheSizeFactor) {
  crt_srand(1);
  Particle p(D3DXVECTOR3(1, 2, 3));
  EXPECT_FLOAT_EQ(p.FloatParam(8), 41.0f / 32767.0f);
  EXPECT_FLOAT_EQ(p.FloatParam(7), 18467.0f / 32767.0f);
  EXPECT_EQ(p.position, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(p.heading, D3DXVECTOR3(0, 1, 0));
  EXPECT_EQ(p.color, D3DXVECTOR3(1, 1, 1));
  EXPECT_EQ(p.flags, 0u);
  EXPECT_TRUE(p.parent.HasBlock());
  EXPECT_EQ(p.parent.get(), nullptr);
  EXPECT_TRUE(p.transforms.empty());
  const float windows[5][4] = {{0, 1, 0, 1}, {0, 1, 0, 1}, {0, 1, 0, 1}, {1, 1, 0, 0}, {1, 1, 0, 1}};
  const ParticleQuad* quads[5] = {&p.texWindow, &p.atlasCell, &p.quadWindow, &p.texScaleOffset, &p.curveWindow};
  for (int q = 0; q < 5; ++q) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ((*quads[q])[i], windows[q][i]) << q << " " << i;
  }
  EXPECT_TRUE(D3DXMatrixIsIdentity(&p.baseMatrix));
  EXPECT_TRUE(D3DXMatrixIsIdentity(&p.scaleMatrix));
}

TEST(ParticleTest, ResetKeepsFlagsParentTransformsBirthMatrixAndAuxVector) {
  ParticlePtr parent = NewParticle();
  ParticlePtr p = Child(parent, ParticleFlags::ParentRelative);
  p->AddTransform(new ScriptedTransform);
  p->birthMatrix._11 = 7;
  p->auxVector = D3DXVECTOR3(1, 2, 3);
  p->position = D3DXVECTOR3(5, 5, 5);
  p->age = 0.5f;
  p->Reset();
  EXPECT_EQ(p->flags, ParticleFlags::ParentRelative);
  EXPECT_EQ(p->parent.get(), parent.get());
  EXPECT_EQ(p->transforms.size(), 1u);
  EXPECT_EQ(p->birthMatrix._11, 7);
  EXPECT_EQ(p->auxVector, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(p->position, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(p->age, 0.0f);
}

TEST(ParticleTest, ParametersAreAddressedByIndex) {
  Particle p;
  float* named[6] = {&p.age, &p.size, &p.alpha, &p.offsetAlong, &p.offsetAcross, &p.timeAlive};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(&p.FloatParam(i), named[i]);
  for (int i = 6; i < 12; ++i) EXPECT_EQ(&p.FloatParam(i), &p.random[i - 6]);
  D3DXVECTOR3* vectors[8] = {&p.position, &p.velocity, &p.acceleration, &p.heading,
                             &p.color,    &p.offset,   &p.scale,        &p.auxVector};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(&p.VectorParam(i), vectors[i]);
  // Out of range: a scratch value, never a neighbouring field.
  p.FloatParam(12) = 5.0f;
  p.VectorParam(-1) = D3DXVECTOR3(9, 9, 9);
  EXPECT_EQ(p.FloatParam(0), 0.0f);
  EXPECT_EQ(p.position, D3DXVECTOR3(0, 0, 0));
}

TEST(ParticleTest, WorldAlphaClampsAtEveryLevelAndSizesMultiply) {
  ParticlePtr root = NewParticle();
  root->alpha = 2.0f;
  root->size = 3.0f;
  ParticlePtr child = Child(root);
  child->alpha = 0.8f;
  child->size = 2.0f;
  EXPECT_FLOAT_EQ(root->GetWorldAlpha(), 1.0f);
  EXPECT_FLOAT_EQ(child->GetWorldAlpha(), 0.8f);
  EXPECT_FLOAT_EQ(child->GetWorldSize(), 6.0f);
}

TEST(ParticleTest, WorldPositionOffsetsTurnWithTheHeading) {
  struct Row {
    D3DXVECTOR3 velocity;
    float along, across;
    D3DXVECTOR3 expected;
  } rows[] = {
      // A zero velocity heads (0, 1, 0): along acts on +y, across on -x.
      {{0, 0, 0}, 2, 0, {10, 2, 0}},
      {{0, 0, 0}, 0, 3, {7, 0, 0}},
      {{5, 0, 0}, 2, 3, {12, 3, 0}},
  };
  for (const Row& r : rows) {
    ParticlePtr p = NewParticle(D3DXVECTOR3(10, 0, 0));
    p->velocity = r.velocity;
    p->AddTransform(new ScriptedTransform(true, [&r](float, Particle* q) {
      q->offsetAlong = r.along;
      q->offsetAcross = r.across;
    }));
    StepParticle(p.get(), 0.0f);
    EXPECT_EQ(p->GetWorldPosition(), r.expected) << r.along << " " << r.across;
  }
}

TEST(ParticleTest, ParentRelativePositionFollowsTheParent) {
  ParticlePtr parent = NewParticle(D3DXVECTOR3(100, 50, 0));
  ParticlePtr rel = Child(parent, ParticleFlags::ParentRelative);
  rel->position = D3DXVECTOR3(1, 2, 0);
  ParticlePtr abs = Child(parent);
  abs->position = D3DXVECTOR3(1, 2, 0);
  EXPECT_EQ(rel->GetWorldPosition(), D3DXVECTOR3(101, 52, 0));
  EXPECT_EQ(abs->GetWorldPosition(), D3DXVECTOR3(1, 2, 0));
  // The world matrix follows the parent whatever the flag says.
  EXPECT_EQ(abs->GetWorldOrigin(), D3DXVECTOR3(101, 52, 0));
  abs->velocity = D3DXVECTOR3(1, 0, 0);
  parent->velocity = D3DXVECTOR3(0, 2, 0);
  EXPECT_EQ(abs->GetWorldVelocity(), D3DXVECTOR3(1, 2, 0));
}

TEST(ParticleTest, WorldMatrixIsTheProductOfItsParts) {
  ParticlePtr parent = NewParticle(D3DXVECTOR3(100, 50, 0));
  parent->size = 2.0f;
  D3DXMatrixRotationZ(&parent->modifier1, 0.3f);
  ParticlePtr p = Child(parent);
  p->position = D3DXVECTOR3(1, 2, 3);
  p->offset = D3DXVECTOR3(0.5f, 0, 0);
  p->size = 1.5f;
  D3DXMatrixRotationZ(&p->modifier1, 0.7f);
  D3DXMatrixScaling(&p->modifier2, 1.0f, 3.0f, 1.0f);
  p->modifier2._42 = 4.0f;
  auto product = [](const Particle& q, const D3DXMATRIX& w) {
    D3DXMATRIX s, t, m;
    D3DXMatrixScaling(&s, q.size, q.size, q.size);
    D3DXMatrixMultiply(&m, &s, &q.modifier2);
    D3DXMatrixMultiply(&m, &m, &q.modifier1);
    D3DXMatrixTranslation(&t, q.position.x + q.offset.x, q.position.y + q.offset.y, q.position.z + q.offset.z);
    D3DXMatrixMultiply(&m, &m, &t);
    D3DXMatrixMultiply(&m, &m, &w);
    return m;
  };
  const D3DXMATRIX parent_world = product(*parent, parent->baseMatrix);
  const D3DXMATRIX expected = product(*p, parent_world);
  const D3DXMATRIX got = p->GetWorldMatrix();
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(got.m[i][j], expected.m[i][j], 1e-4f) << i << j;
  }
}

TEST(ParticleTest, DetachKeepsThePlaceButNotTheParent) {
  ParticlePtr parent = NewParticle(D3DXVECTOR3(100, 50, 0));
  ParticlePtr p = Child(parent);
  p->position = D3DXVECTOR3(1, 2, 0);
  p->DetachFromParent();
  EXPECT_EQ(p->parent.get(), nullptr);
  EXPECT_TRUE(p->parent.HasBlock());
  EXPECT_EQ(parent.UseCount(), 1);
  parent->position = D3DXVECTOR3(0, 0, 0);
  EXPECT_EQ(p->GetWorldOrigin(), D3DXVECTOR3(101, 52, 0));
}

TEST(ParticleTest, HasJumpedLooksUpTheChain) {
  ParticlePtr grand = NewParticle();
  ParticlePtr parent = Child(grand);
  ParticlePtr p = Child(parent);
  EXPECT_FALSE(p->HasJumped());
  grand->flags |= ParticleFlags::Jumped;
  EXPECT_TRUE(p->HasJumped());
  // The step clears the particle's own mark first.
  StepParticle(grand.get(), 0.1f);
  EXPECT_FALSE(p->HasJumped());
}

TEST(ParticleTest, ChildDiesWithItsDeadParentOnlyWhenFlagged) {
  ParticlePtr parent = NewParticle();
  parent->flags |= ParticleFlags::Dead;
  auto* bound_t = new ScriptedTransform;
  ParticlePtr bound = Child(parent, ParticleFlags::DiesWithParent);
  bound->AddTransform(bound_t);
  bound->timeAlive = 1.0f;
  EXPECT_FALSE(StepParticle(bound.get(), 0.5f));
  EXPECT_TRUE(bound->IsDead());
  EXPECT_EQ(bound_t->applied, 0);
  EXPECT_EQ(bound->timeAlive, 1.0f);

  auto* free_t = new ScriptedTransform;
  ParticlePtr free_child = Child(parent);
  free_child->AddTransform(free_t);
  EXPECT_TRUE(StepParticle(free_child.get(), 0.5f));
  EXPECT_EQ(free_t->applied, 1);
  EXPECT_EQ(free_child->timeAlive, 0.5f);
}

TEST(ParticleTest, AFalseTransformDoesNotStopTheOthers) {
  ParticlePtr p = NewParticle();
  auto* first = new ScriptedTransform;
  auto* killer = new ScriptedTransform(false);
  auto* last = new ScriptedTransform;
  p->AddTransform(first);
  p->AddTransform(killer);
  p->AddTransform(last);
  EXPECT_FALSE(StepParticle(p.get(), 0.1f));
  EXPECT_EQ(last->applied, 1);
  // Already dead: the next step runs again and still answers false.
  killer->result = true;
  EXPECT_FALSE(StepParticle(p.get(), 0.1f));
  EXPECT_EQ(last->applied, 2);
}

TEST(ParticleTest, FrameStateStartsNeutralEveryStep) {
  ParticlePtr p = NewParticle();
  p->flags |= ParticleFlags::BackgroundTexture;
  std::vector<float> sizes_seen;
  p->AddTransform(new ScriptedTransform(true, [&sizes_seen](float, Particle* q) {
    sizes_seen.push_back(q->size);
    q->size *= 2.0f;
    q->alpha = 0.5f;
    q->acceleration = D3DXVECTOR3(1, 1, 1);
    q->offset = D3DXVECTOR3(1, 1, 1);
    q->scale = D3DXVECTOR3(3, 3, 3);
    q->modifier1._11 = 5;
  }));
  StepParticle(p.get(), 0.1f);
  EXPECT_EQ(p->flags & ParticleFlags::BackgroundTexture, 0u);
  StepParticle(p.get(), 0.1f);
  EXPECT_EQ(sizes_seen, std::vector<float>({1.0f, 1.0f}));
  p->ResetFrameState();
  EXPECT_EQ(p->scale, D3DXVECTOR3(1, 1, 1));
  EXPECT_EQ(p->acceleration, D3DXVECTOR3(0, 0, 0));
  EXPECT_TRUE(D3DXMatrixIsIdentity(&p->modifier1));
  EXPECT_FLOAT_EQ(p->timeAlive, 0.2f);
}

TEST(ParticleTest, KeepScaleFlagCarriesScaleIntoTheNextFrame) {
  ParticlePtr p = NewParticle();
  p->flags |= ParticleFlags::KeepScale;
  std::vector<D3DXVECTOR3> seen;
  p->AddTransform(new ScriptedTransform(true, [&seen](float, Particle* q) {
    seen.push_back(q->scale);
    q->scale = D3DXVECTOR3(2, 3, 4);
  }));
  StepParticle(p.get(), 0.1f);
  StepParticle(p.get(), 0.1f);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], D3DXVECTOR3(1, 1, 1));
  EXPECT_EQ(seen[1], D3DXVECTOR3(2, 3, 4));
}

TEST(ParticleTest, PreviousWorldIsTheMatrixBeforeTheFrame) {
  ParticlePtr p = NewParticle(D3DXVECTOR3(1, 0, 0));
  p->AddTransform(new ScriptedTransform(true, [](float, Particle* q) { q->position.x += 1.0f; }));
  StepParticle(p.get(), 0.1f);
  EXPECT_EQ(p->previousWorld._41, 1.0f);
  StepParticle(p.get(), 0.1f);
  EXPECT_EQ(p->previousWorld._41, 2.0f);
}

TEST(ParticleTest, HeadingFollowsTheVelocity) {
  ParticlePtr p = NewParticle();
  p->velocity = D3DXVECTOR3(3, 4, 0);
  StepParticle(p.get(), 0.0f);
  EXPECT_FLOAT_EQ(p->heading.x, 0.6f);
  EXPECT_FLOAT_EQ(p->heading.y, 0.8f);
  p->velocity = D3DXVECTOR3(0, 0, 0);
  StepParticle(p.get(), 0.0f);
  EXPECT_EQ(p->heading, D3DXVECTOR3(0, 1, 0));
}

TEST(ParticleTest, RootScaleMatrixScalesTwiceAboutItsPoint) {
  // Kept as stored projects draw it: a root of size 2 is scaled by 4.
  ParticlePtr root = NewParticle(D3DXVECTOR3(10, 0, 0));
  root->AddTransform(Scale(2.0f));
  StepParticle(root.get(), 0.1f);
  EXPECT_FLOAT_EQ(root->scaleMatrix._11, 4.0f);
  EXPECT_FLOAT_EQ(root->scaleMatrix._41, -30.0f);
  // Size 1 keeps the identity.
  ParticlePtr plain = NewParticle(D3DXVECTOR3(10, 0, 0));
  StepParticle(plain.get(), 0.1f);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&plain->scaleMatrix));
}

TEST(ParticleTest, ChildScaleMatrixComposesUpTheChain) {
  ParticlePtr root = NewParticle();
  root->AddTransform(Scale(2.0f));
  StepParticle(root.get(), 0.1f);
  // Parent-relative: the child's own scaling, then the parent's matrix.
  ParticlePtr rel = Child(root, ParticleFlags::ParentRelative);
  rel->position = D3DXVECTOR3(1, 0, 0);
  rel->AddTransform(Scale(3.0f));
  StepParticle(rel.get(), 0.1f);
  D3DXVECTOR3 origin(0, 0, 0), out;
  D3DXVec3TransformCoord(&out, &origin, &rel->scaleMatrix);
  // 0 -> (0 - 1) x 3 + 1 = -2 -> -2 x 4 = -8.
  EXPECT_FLOAT_EQ(out.x, -8.0f);
  // Not relative: scaled by the parent's size about the child's point,
  // then by the parent's chain (4 about the origin).
  ParticlePtr abs = Child(root);
  abs->position = D3DXVECTOR3(1, 0, 0);
  StepParticle(abs.get(), 0.1f);
  const D3DXVECTOR3 two(2, 0, 0);
  D3DXVec3TransformCoord(&out, &two, &abs->scaleMatrix);
  // 2 -> (2 - 1) x 2 + 1 = 3 -> 3 x 4 = 12.
  EXPECT_FLOAT_EQ(out.x, 12.0f);
}

std::vector<int> Ids(const ParticleVector& v) {
  std::vector<int> ids;
  for (const auto& p : v) ids.push_back(static_cast<int>(p->auxVector.x));
  return ids;
}

TEST(ParticleTest, StepVectorErasesTheDeadInPlace) {
  struct Row {
    std::vector<bool> dies;
    std::vector<int> survivors;
  } rows[] = {
      {{false, false, false}, {1, 2, 3}},
      {{true, true, true}, {}},
      {{true, false, true, false, false}, {2, 4, 5}},
      {{}, {}},
  };
  for (const Row& r : rows) {
    ParticleVector v;
    // Counted outside the transforms: the dead ones are freed by the step.
    std::vector<int> calls(r.dies.size(), 0);
    for (size_t i = 0; i < r.dies.size(); ++i) {
      ParticlePtr p = NewParticle();
      p->auxVector.x = static_cast<float>(i + 1);
      p->AddTransform(new ScriptedTransform(!r.dies[i], [&calls, i](float, Particle*) { ++calls[i]; }));
      v.push_back(p);
    }
    const size_t capacity = v.capacity();
    StepParticleVector(v, 0.1f);
    EXPECT_EQ(Ids(v), r.survivors);
    EXPECT_EQ(v.capacity(), capacity);
    for (int c : calls) EXPECT_EQ(c, 1);
  }
}

TEST(ParticleTest, ARemovedParticleLivesOnForItsChildren) {
  ParticleVector v{NewParticle()};
  v[0]->AddTransform(new ScriptedTransform(false));
  ParticlePtr child = Child(v[0], ParticleFlags::DiesWithParent);
  StepParticleVector(v, 0.1f);
  EXPECT_TRUE(v.empty());
  ASSERT_NE(child->parent.get(), nullptr);
  EXPECT_TRUE(child->parent->IsDead());
  EXPECT_FALSE(StepParticle(child.get(), 0.1f));
}

}  // namespace
