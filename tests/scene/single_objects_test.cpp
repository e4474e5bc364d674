// Single objects: the records, the static object's fade and turn about its
// centre, and the object walking its path with the four orientations.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "scene/single_objects.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/line_writer.h"

using namespace render_test;

namespace {

using namespace pw;

TEST(SingleObjectRecords, StaticObjectAndObjectPath) {
  StaticObjectRecord o;
  o.rotationSpeed = 25;
  o.clockwise = 1;
  o.base.corners = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  o.base.system.block.particleSize = 44;
  ByteBuilder b;
  WriteStaticObject(b, o);
  auto model = scene_test::ReadModel(b);
  auto* object = dynamic_cast<ZVI_StaticObject*>(model.get());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->GetKind(), 8);
  EXPECT_FLOAT_EQ(object->rotationSpeed.derived, 10.0f);
  EXPECT_EQ(object->clockwise.value, 1);
  EXPECT_EQ(object->quad.corners[0].value, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(object->quad.corners[3].value, D3DXVECTOR3(10, 11, 12));
  EXPECT_EQ(object->params.particleSize.value, 44u);

  ObjectPathRecord p;
  p.speed = 35;
  p.orientation = 3;
  p.base.points = {{1, 2, 3}, {4, 5, 6}};
  ByteBuilder c;
  WriteObjectPath(c, p);
  model = scene_test::ReadModel(c);
  auto* walker = dynamic_cast<ZVI_SigleObjectPath*>(model.get());
  ASSERT_NE(walker, nullptr);
  EXPECT_FLOAT_EQ(walker->speed.derived, 3.5f);
  EXPECT_EQ(walker->orientation.value, 3);
  ASSERT_EQ(walker->path.points.size(), 2u);
  EXPECT_EQ(walker->path.points[1]->value, D3DXVECTOR3(4, 5, 6));

  RegisterEverything();
  for (const ByteBuilder* bytes : {&b, &c})
    for (size_t cut = 0; cut + 1 < bytes->size(); cut += 6) {
      MemoryArchive ar(bytes->bytes().data(), cut, true);
      EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error) << cut;
    }
}

class SingleObjects : public RenderTest {};

// Applies the batch's world matrix to a vertex.
D3DXVECTOR3 World(const ZVI_ParticleSystemMech::Batch& batch, const DX_V::PCT& v) {
  D3DXVECTOR3 p(v.x, v.y, v.z), out;
  D3DXVec3TransformCoord(&out, &p, &batch.world);
  return out;
}

TEST_F(SingleObjects, StaticObjectTurnsAboutItsCentreAndFades) {
  for (int clockwise : {0, 1}) {
    ZVI_StaticObject model;
    model.rotationSpeed.SetValue(25u);
    model.clockwise.value = clockwise;
    model.quad.SetCentredRect(40.0f, 20.0f, D3DXVECTOR3(100.0f, 50.0f, 0.0f));
    std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
    auto* mech = static_cast<ZVI_ParticleSystemMech*>(runtime.get());
    auto* object = static_cast<ZVI_StaticObject*>(mech->system);
    object->timing.Current()->visibility = 0.0f;
    for (int k = 0; k <= 10; ++k) object->UpdateParticles(0.1f * static_cast<float>(k));
    const float want = clockwise == 0 ? 10.0f : -10.0f;
    EXPECT_NEAR(object->angle, want, 1e-3f);
    ZVI_ParticleSystemMech::Batch* batch = mech->BatchAt(0);
    ASSERT_NE(batch, nullptr);
    DX_V::PCT* v = batch->LockVertices();
    ASSERT_NE(v, nullptr);
    // Vertex 1 is corner 0, (80, 40): turned about (100, 50).
    const D3DXVECTOR3 p = World(*batch, v[1]);
    const float a = want * 3.1415927f / 180.0f;
    EXPECT_NEAR(p.x, 100.0f - 20.0f * std::cos(a) + 10.0f * std::sin(a), 1e-3f) << clockwise;
    EXPECT_NEAR(p.y, 50.0f - 20.0f * std::sin(a) - 10.0f * std::cos(a), 1e-3f) << clockwise;
    EXPECT_EQ(v[0].color >> 24, 0u);  // visibility 0
    const float order[4][2] = {{80, 60}, {80, 40}, {120, 60}, {120, 40}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_FLOAT_EQ(v[i].x, order[i][0]) << i;
      EXPECT_FLOAT_EQ(v[i].y, order[i][1]) << i;
    }
    batch->Unlock();
    // RotationSpeed 0 puts it back upright at once.
    object->rotationSpeed.SetValue(0u);
    object->UpdateParticles(1.1f);
    EXPECT_FLOAT_EQ(object->angle, 0.0f);
  }
}

TEST_F(SingleObjects, PathWalkerOrientations) {
  ZVI_SigleObjectPath model;
  const D3DXVECTOR3 left(-1, 0, 0), down(0, 1, 0), up(0, -1, 0), right(1, 0, 0);
  const D3DXVECTOR3 p(50, 50, 0);
  DX_V::PCT q[4];
  struct Row {
    int orientation;
    D3DXVECTOR3 d;
    float x0, y0;  // vertex 0 = p - U + V
  };
  const Row rows[] = {
      {0, left, 40, 55}, {2, left, 60, 55},  {2, right, 40, 55}, {3, down, 40, 45},
      {3, up, 40, 55},   {1, down, 55, 40},  {1, right, 40, 45},
  };
  for (const Row& r : rows) {
    model.orientation.value = r.orientation;
    model.PlaceQuad(p, r.d, 20.0f, 10.0f, q);
    EXPECT_NEAR(q[0].x, r.x0, 1e-4f) << r.orientation << " " << r.d.x << "," << r.d.y;
    EXPECT_NEAR(q[0].y, r.y0, 1e-4f) << r.orientation << " " << r.d.x << "," << r.d.y;
  }
}

TEST_F(SingleObjects, PathWalkerMovesBySpeedPerUpdateAndNotWithoutABatch) {
  ZVI_SigleObjectPath model;
  model.speed.SetValue(100u);  // 10 pixels per update
  for (float x : {0.0f, 100.0f}) {
    DS_SafePtr<DX_SmartPnt> point(new DX_SmartPnt());
    point->value = D3DXVECTOR3(x, 20.0f, 0.0f);
    model.path.points.push_back(point);
  }
  std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
  auto* mech = static_cast<ZVI_ParticleSystemMech*>(runtime.get());
  auto* walker = static_cast<ZVI_SigleObjectPath*>(mech->system);
  walker->UpdateParticles(0.0f);
  walker->UpdateParticles(5.0f);  // elapsed time does not matter
  EXPECT_FLOAT_EQ(walker->path.travel_distance, 20.0f);
  mech->SizeBatches(0);
  walker->UpdateParticles(5.1f);
  EXPECT_FLOAT_EQ(walker->path.travel_distance, 20.0f);
  walker->ResetTime();
  EXPECT_FLOAT_EQ(walker->path.travel_distance, 0.0f);
}

}  // namespace
