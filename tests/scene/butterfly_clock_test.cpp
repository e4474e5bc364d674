// The butterfly's and the clock's frame controllers: hands at the local
// time, the clock face kept at its centre and size, the butterfly's flight
// step by step.
#include <gtest/gtest.h>

#include <cmath>

#include "core/crt.h"
#include "core/ds_error.h"
#include "core/safe_ptr.h"
#include "scene/butterfly_clock.h"
#include "scene_fixtures.h"
#include "tools/writer/butterfly_clock_writer.h"

using namespace scene_test;

namespace {

D3DXMATRIX RotY(float degrees) {
  D3DXMATRIX m;
  D3DXMatrixRotationY(&m, D3DXToRadian(degrees));
  return m;
}
D3DXMATRIX RotZ(float degrees) {
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, D3DXToRadian(degrees));
  return m;
}
D3DXMATRIX Move(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}
D3DXMATRIX Scale(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, x, y, z);
  return m;
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tolerance = 1e-4f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], tolerance) << "row " << r << " column " << c;
}

// Restores the real time of day after a test.
struct LocalTime {
  explicit LocalTime(CrtTimeOfDay t) { Set(t); }
  void Set(CrtTimeOfDay t) { crt_set_local_time([t] { return t; }); }
  ~LocalTime() { crt_set_local_time(nullptr); }
};

TEST(ClockArrow, HandsAtHalfPastTenAndThirtySeconds) {
  LocalTime time({10, 30, 30});
  struct Case {
    int32_t kind;
    float degrees;
  };
  for (const Case& c : {Case{AC_ClockArrow::kMinute, 183.0f}, Case{AC_ClockArrow::kHour, 315.0f}}) {
    SCOPED_TRACE(c.kind);
    AC_ClockArrow arrow(c.kind);
    DS_Frame frame;
    frame.local = Move(0, 0, 10);
    arrow.Apply(&frame);
    EXPECT_FLOAT_EQ(arrow.lastAngle, c.degrees);
    ExpectMatrixNear(frame.world, Move(0, 0, 10) * RotY(c.degrees));
  }
  // Afternoon hours wrap: 22:30 shows like 10:30.
  time.Set({22, 30, 30});
  EXPECT_FLOAT_EQ(AC_ClockArrow::AngleAt(AC_ClockArrow::kHour, 22, 30, 30), 315.0f);
}

TEST(ClockArrow, FailedLocalTimeRestsAtTheLastAngleUnderItsParentOnce) {
  LocalTime time({3, 0, 0});
  DS_Frame root, hand;
  root.local = Move(100, 50, 0);
  hand.local = Move(0, 0, 10);
  hand.SetController(new AC_ClockArrow(AC_ClockArrow::kHour));
  root.children.push_back(&hand);
  root.Update();
  const D3DXMATRIX shown = Move(0, 0, 10) * RotY(90.0f) * Move(100, 50, 0);
  ExpectMatrixNear(hand.world, shown);

  CrtTimeOfDay failed;
  failed.ok = false;
  failed.hours = 6;  // whatever a failed source leaves must not be shown
  time.Set(failed);
  for (int frame = 0; frame < 3; ++frame) {
    root.Update();
    ExpectMatrixNear(hand.world, shown);
  }
}

// A view model with the size parameter the 3-D objects add.
class View : public DS_ViewObjCtrl {
 public:
  DS_ABObj* CreateRuntime() override { return nullptr; }
  MediaParamT<unsigned> size{100u};
};

TEST(StaticPlacement, FollowsTheClockSizeAndCentre) {
  MediaParamT<unsigned> size{400u};
  MediaRectangle rect;
  rect.extra1.value = 300;
  rect.extra2.value = 200;
  AC_Static face(&size, &rect);
  DS_Frame frame;
  frame.local = Scale(0.01f, 0.01f, 0.01f);
  face.Apply(&frame);
  ExpectMatrixNear(frame.world, Scale(4, 4, 4) * Move(300, 200, 0));

  size.SetValue(101u);  // halves in whole pixels
  EXPECT_EQ(rect.left.value, 250);
  EXPECT_EQ(rect.right.value, 350);
  EXPECT_EQ(rect.top.value, 150);
  EXPECT_EQ(rect.bottom.value, 250);

  rect.extra1.value = 10;
  rect.extra2.value = 20;
  rect.Notify(nullptr);
  EXPECT_EQ(rect.left.value, -40);
  EXPECT_EQ(rect.bottom.value, 70);
  face.Apply(&frame);
  ExpectMatrixNear(frame.world, Scale(1.01f, 1.01f, 1.01f) * Move(10, 20, 0));
}

TEST(ApproachChannel, StepsTowardsTheTargetAndLandsOnIt) {
  struct Case {
    ApproachChannel start;
    float target, step, expected, rate;
  };
  const Case cases[] = {
      {{50, 50, 250}, 100, 0.1f, 75, 250},    // on its way
      {{50, 50, 250}, 100, 1.0f, 100, 250},   // passes, lands
      {{50, 50, 250}, -190, 0.5f, -75, -250}, // the rate turns round
      {{0, 0, -50}, 0, 1.0f, 0, -50},         // at the target: nothing moves
  };
  for (const Case& c : cases) {
    ApproachChannel ch = c.start;
    ch.SetTarget(c.target);
    ch.Step(c.step);
    EXPECT_FLOAT_EQ(ch.current, c.expected);
    EXPECT_FLOAT_EQ(ch.rate, c.rate);
  }
}

class ButterflyFlight : public ::testing::Test {
 protected:
  void SetUp() override { crt_srand(7); }
  // One flight step of `step` view-clock units at total `total`.
  void Fly(AC_Butterfly& b, DS_Frame& frame, float step, float total) {
    view.viewStep = step;
    view.viewTime = total;
    b.Apply(&frame);
  }
  PictureDocument doc{800, 600};
  View view;
};

TEST_F(ButterflyFlight, StartsInItsViewAndComposesItsMatrixInOrder) {
  view.left = 0.25f;
  view.right = 0.5f;
  view.top = 0.5f;
  view.bottom = 1.0f;
  view.size.value = 50;
  AC_Butterfly b(&view, &view.size);
  EXPECT_GE(b.position.x, 200.0f);
  EXPECT_LE(b.position.x, 400.0f);
  EXPECT_GE(b.position.y, 300.0f);
  EXPECT_LE(b.position.y, 600.0f);
  EXPECT_GE(b.heading.current, 0.0f);
  EXPECT_LT(b.heading.current, 360.0f);
  EXPECT_EQ(b.heading.target, b.heading.current);

  // A level flight along +x at forward speed 50, vertical speed 50.
  b.heading = {0, 0, 350};
  b.position = D3DXVECTOR3(300, 400, 0);
  AC_ButterflyWing left, right;
  b.wings[0] = &left;
  b.wings[1] = &right;
  DS_Frame frame;
  frame.local = Scale(0.5f, 0.5f, 0.5f) * RotY(90.0f);
  Fly(b, frame, 0.05f, 0.05f);

  const float flap = 0.05f * 7 * 100;  // 35: below the upper bound
  EXPECT_FLOAT_EQ(b.flap, flap);
  EXPECT_FLOAT_EQ(b.flapSpeed, 100.0f);
  EXPECT_FLOAT_EQ(b.position.x, 302.5f);
  EXPECT_FLOAT_EQ(b.position.y, 402.5f);
  D3DXMATRIX pitch;
  D3DXMatrixRotationX(&pitch, D3DXToRadian(7.5f));  // (1 - 50 / 100) x 15 degrees
  D3DXMATRIX tilt;
  D3DXMatrixRotationX(&tilt, D3DXToRadian(10.0f));
  const D3DXMATRIX expected = Scale(0.5f, 0.5f, 0.5f) * Move(0, flap * -3 / 45, 0) * RotZ(0) * tilt * pitch * RotY(0) *
                              frame.local * Move(302.5f, 402.5f, 0);
  ExpectMatrixNear(frame.world, expected);
  ExpectMatrixNear(left.wing, RotZ(flap));
  ExpectMatrixNear(right.wing, RotZ(flap) * Scale(-1, 1, 1));
  EXPECT_TRUE(left.mirror);
  EXPECT_FALSE(right.mirror);

  // The wing frames take the wing matrices and flags.
  DS_Frame wingFrame;
  wingFrame.local = Scale(2, 2, 2);
  right.Apply(&wingFrame);
  ExpectMatrixNear(wingFrame.world, Scale(2, 2, 2) * RotZ(flap) * Scale(-1, 1, 1));
  EXPECT_FALSE(wingFrame.mirror);

  // Past the upper bound the wings beat down.
  Fly(b, frame, 0.05f, 0.1f);
  EXPECT_FLOAT_EQ(b.flap, 70.0f);
  EXPECT_FLOAT_EQ(b.flapSpeed, -160.0f);
}

TEST_F(ButterflyFlight, HeadingAtItsTargetWithBankZeroKeepsBankTargetZero) {
  AC_Butterfly b(&view, &view.size);
  b.heading = {30, 30, 350};
  b.bank = {0, 0, 50};
  b.position = D3DXVECTOR3(400, 300, 0);
  DS_Frame frame;
  for (int i = 0; i < 3; ++i) {
    b.lastDecision = 1e9f;  // no decisions in between
    Fly(b, frame, 0.02f, 0.02f * static_cast<float>(i + 1));
    EXPECT_EQ(b.bank.target, 0.0f);
    EXPECT_EQ(b.bank.current, 0.0f);
  }
  // A heading far from its target banks towards it.
  b.heading.target = 90;
  b.heading.rate = 350;
  Fly(b, frame, 0.02f, 0.1f);
  EXPECT_EQ(b.bank.target, 25.0f);
  EXPECT_FLOAT_EQ(b.bank.current, 1.0f);
}

TEST_F(ButterflyFlight, LeavingTheViewTurnsItBack) {
  view.size.value = 100;
  AC_Butterfly b(&view, &view.size);
  b.lastDecision = 1e9f;
  DS_Frame frame;
  struct Case {
    D3DXVECTOR3 at;
    float heading;
    float headingTarget, headingRate, verticalTarget;
    int32_t requested;
  };
  const Case cases[] = {
      {{-10, 300, 0}, 100, 0, -350, 50, 0},     // left of the view: head right
      {{810, 300, 0}, 100, -180, -350, 50, 0},  // right of it: head left
      {{810, 300, 0}, -200, -180, 350, 50, 0},  // the rate points at the target
      {{400, -10, 0}, 100, 100, 350, 100, 1},   // above: sink, glide
      {{400, 610, 0}, 100, 100, 350, -190, 0},  // below: climb
  };
  for (const Case& c : cases) {
    b.position = c.at;
    b.heading = {c.heading, c.heading, 350};
    b.vertical = {50, 50, 250};
    b.forward = {50, 50, 350};
    b.requestedMode = b.mode = 0;
    Fly(b, frame, 0.0f, 0.0f);
    const bool sideways = c.at.x < 0 || c.at.x > 800;
    EXPECT_EQ(b.heading.target, sideways ? c.headingTarget : c.heading);
    if (sideways) {
      EXPECT_EQ(b.heading.rate, c.headingRate);
      EXPECT_EQ(b.forward.target, 300.0f);
    }
    EXPECT_EQ(b.vertical.target, c.verticalTarget);
    EXPECT_EQ(b.requestedMode, c.requested);
  }
}

TEST_F(ButterflyFlight, GlidesOnceTheWingsAreDownAndFlapsAgainAtModeZero) {
  AC_Butterfly b(&view, &view.size);
  b.position = D3DXVECTOR3(400, 300, 0);
  b.requestedMode = 1;
  b.flap = 10;
  b.flapSpeed = -160;
  DS_Frame frame;
  Fly(b, frame, 0.0f, 0.0f);
  EXPECT_EQ(b.flapUpper, 0.0f);
  EXPECT_EQ(b.mode, 0);  // wings not yet down
  b.flap = -30;          // below half the lower bound
  Fly(b, frame, 0.0f, 0.0f);
  EXPECT_EQ(b.mode, 1);
  EXPECT_FLOAT_EQ(b.flapSpeed, -1.6f);  // |v| / -100

  b.requestedMode = 0;
  b.forward = {10, 10, 350};  // too slow for a random beat
  Fly(b, frame, 0.0f, 0.0f);
  EXPECT_EQ(b.mode, 0);
  EXPECT_EQ(b.flapUpper, 55.0f);
  EXPECT_EQ(b.flapSpeed, 160.0f);
}

TEST_F(ButterflyFlight, DecidesAtMostFourTimesASecondWithinItsRanges) {
  AC_Butterfly b(&view, &view.size);
  DS_Frame frame;
  const float start = b.heading.target;
  float total = 0.0f;
  int decisions = 0;
  for (int i = 0; i < 2000; ++i) {
    total += 0.01f;
    b.position = D3DXVECTOR3(400, 300, 0);  // always inside the view
    const float before = b.lastDecision;
    Fly(b, frame, 0.01f, total);
    if (b.lastDecision != before) {
      ++decisions;
      EXPECT_GT(total - before, 0.25f);
    }
    EXPECT_GE(b.vertical.target, -190.0f);
    EXPECT_LE(b.vertical.target, 150.0f);
    EXPECT_GE(b.forward.target, -25.0f);
    EXPECT_LE(b.forward.target, 300.0f);
    const float h = b.heading.target;
    const bool headingInRange = (h >= -25.0f && h <= 25.0f) || (h >= 155.0f && h <= 205.0f) || h == start;
    EXPECT_TRUE(headingInRange) << h;
    EXPECT_TRUE(std::isfinite(frame.world._41) && std::isfinite(frame.world._42));
  }
  EXPECT_GT(decisions, 40);
  EXPECT_LT(decisions, 80);
}


// ---- the two 3-D objects: records, frame trees, runtime ----

namespace records {

using pw::ButterflyRecord;
using pw::ClockRecord;

TEST(ButterflyRecord, ReadsBothVersionsAndAVersionOneKeepsWingScaleOne) {
  PictureDocument doc(800, 600);
  for (int32_t version : {1, 2}) {
    SCOPED_TRACE(version);
    ButterflyRecord r;
    r.version = version;
    r.bodyImageName = u"body.png";
    r.bodyImageId = 41;
    r.bodyMeshId = 77;
    r.percentages[0] = 30;
    r.percentages[1] = 70;
    r.wingScale = 2.5f;
    r.base.count = 3;
    r.base.size = 150;
    r.base.imageName = u"wing.png";
    r.base.view.left = 0.25f;
    pw::ByteBuilder b;
    pw::WriteButterfly(b, r);
    auto model = ReadModel(b);
    auto* bf = dynamic_cast<DS_ButterflyConstructor*>(model.get());
    ASSERT_NE(bf, nullptr);
    EXPECT_EQ(bf->bodyImage.name, u"body.png");
    EXPECT_EQ(bf->bodyImage.id, 41);
    EXPECT_EQ(bf->bodyMesh.name, u"common_res.dll");
    EXPECT_EQ(bf->bodyMesh.id, 77);
    EXPECT_EQ(bf->percentages[0].value, 30u);
    EXPECT_EQ(bf->percentages[1].value, 70u);
    EXPECT_EQ(bf->wingScale, version >= 2 ? 2.5f : 1.0f);
    EXPECT_EQ(bf->count.value, 3u);
    EXPECT_EQ(bf->size.value, 150u);
    EXPECT_EQ(bf->imageLink.name, u"wing.png");
    EXPECT_EQ(bf->meshLink.id, 69);
    EXPECT_EQ(bf->left, 0.25f);
    EXPECT_EQ(bf->flagByte, 1);
  }
}

TEST(ButterflyRecord, DefaultsAreThePackBodyAndWing) {
  DS_ButterflyConstructor bf;
  EXPECT_EQ(bf.bodyImage.name, u"common_res.dll");
  EXPECT_EQ(bf.bodyImage.id, 6);
  EXPECT_EQ(bf.bodyMesh.id, 68);
  EXPECT_EQ(bf.meshLink.name, u"common_res.dll");
  EXPECT_EQ(bf.meshLink.id, 69);
  EXPECT_EQ(bf.size.value, 100u);
  EXPECT_EQ(bf.count.value, 1u);
  EXPECT_EQ(bf.viewSpeed.value, 50u);
  EXPECT_EQ(bf.flagByte, 1);
  EXPECT_EQ(bf.percentages[0].value, 50u);
  EXPECT_EQ(bf.wingScale, 1.0f);
}

TEST(ClockRecord, ReadsTheRectangleAndHandAndGivesItAsTheView) {
  PictureDocument doc(800, 600);
  DS_ClockConstructor fresh;
  EXPECT_EQ(fresh.clockRect.extra1.value, 400);  // the picture's centre
  EXPECT_EQ(fresh.clockRect.extra2.value, 300);
  EXPECT_EQ(fresh.size.value, 400u);
  EXPECT_EQ(fresh.meshLink.id, 70);
  EXPECT_EQ(fresh.imageLink.id, 71);
  EXPECT_EQ(fresh.handImage.id, 72);
  EXPECT_TRUE(fresh.Query3D());

  for (int32_t version : {0, 1, 7}) {  // the version is not looked at
    ClockRecord r;
    r.version = version;
    r.rect = {100, 300, 50, 250, 200, 150};
    r.handImageName = u"hand.png";
    r.handImageId = 9;
    r.base.size = 200;
    pw::ByteBuilder b;
    pw::WriteClock(b, r);
    auto model = ReadModel(b);
    auto* clock = dynamic_cast<DS_ClockConstructor*>(model.get());
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->clockRect.left.value, 100);
    EXPECT_EQ(clock->clockRect.bottom.value, 250);
    EXPECT_EQ(clock->clockRect.extra1.value, 200);
    EXPECT_EQ(clock->clockRect.extra2.value, 150);
    EXPECT_EQ(clock->handImage.name, u"hand.png");
    EXPECT_EQ(clock->handImage.id, 9);
    EXPECT_EQ(clock->size.value, 200u);
    QuadCorners q;
    clock->GetViewRect(&q);
    const float want[4][2] = {{100, 250}, {100, 50}, {300, 250}, {300, 50}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(q.c[i].x, want[i][0]);
      EXPECT_EQ(q.c[i].y, want[i][1]);
    }
    EXPECT_TRUE(clock->HitTest(100, 50));
    EXPECT_TRUE(clock->HitTest(300, 250));
    EXPECT_FALSE(clock->HitTest(301, 150));
  }
}

TEST(ButterflyClockRecords, TruncatedRecordsFailClearly) {
  PictureDocument doc(800, 600);
  pw::ByteBuilder butterfly, clock;
  pw::WriteButterfly(butterfly, ButterflyRecord{});
  pw::WriteClock(clock, ClockRecord{});
  for (const pw::ByteBuilder* whole : {&butterfly, &clock}) {
    for (size_t keep : {size_t{30}, size_t{60}, whole->size() / 2, whole->size() - 1}) {
      pw::ByteBuilder cut;
      cut.Raw(whole->bytes().data(), keep);
      EXPECT_THROW(ReadModel(cut), DS_Error) << keep;
    }
  }
}

}  // namespace records

// The runtime of a 3-D object with n copies, without a device: frames and
// controllers only.
class ObjectTrees : public ::testing::Test {
 protected:
  PictureDocument doc{800, 600};
};

TEST_F(ObjectTrees, ButterflyRootsCarryTheBodyAndTheirChildrenTheWings) {
  crt_srand(3);
  DS_ButterflyConstructor model;
  model.count.value = 2;
  model.wingScale = 1.5f;
  DS_SafePtr<DS_ABObj> runtime(model.CreateRuntime());
  auto* array = dynamic_cast<DS_3DObjArray*>(runtime.get());
  ASSERT_NE(array, nullptr);
  ASSERT_EQ(array->roots.size(), 2u);
  ASSERT_EQ(array->meshes.size(), 2u);
  EXPECT_FALSE(array->meshes[0].transparent);
  EXPECT_TRUE(array->meshes[1].transparent);
  ASSERT_EQ(array->meshes[0].subFrames.size(), 2u);
  ASSERT_EQ(array->meshes[1].subFrames.size(), 4u);

  DS_Frame* root = array->roots.front();
  ExpectMatrixNear(root->local, Scale(0.5f, 0.5f, 0.5f) * RotY(90.0f));
  auto* flight = dynamic_cast<AC_Butterfly*>(root->controller);
  ASSERT_NE(flight, nullptr);
  ASSERT_EQ(root->children.size(), 2u);
  int i = 0;
  for (DS_Frame* wing : root->children) {
    ExpectMatrixNear(wing->local, Scale(1.5f, 1.5f, 1.5f));
    EXPECT_EQ(wing->controller, flight->wings[i++]);
  }
  EXPECT_EQ(array->meshes[1].subFrames[0], root->children.front());

  // The runtime's own model drives the size and the clock.
  auto* clone = static_cast<DS_ButterflyConstructor*>(array->ObjModel());
  clone->size.SetValue(50u);
  ExpectMatrixNear(flight->sizeMatrix, Scale(0.5f, 0.5f, 0.5f));
  array->Update(0.0f);
  array->Update(0.1f);
  EXPECT_FLOAT_EQ(flight->flap, 0.1f * 7 * 100);
  // The wing frames sit under their root.
  const D3DXMATRIX wingWorld = Scale(1.5f, 1.5f, 1.5f) * flight->wings[0]->wing * root->world;
  ExpectMatrixNear(root->children.front()->world, wingWorld, 1e-3f);

  clone->count.SetValue(1u);
  EXPECT_EQ(array->roots.size(), 1u);
  EXPECT_EQ(array->meshes[1].subFrames.size(), 2u);
}

TEST_F(ObjectTrees, ClockRootsCarryTheFaceAndTheirChildrenTheHands) {
  LocalTime time({10, 30, 30});
  DS_ClockConstructor model;
  model.clockRect.extra1.value = 200;
  model.clockRect.extra2.value = 100;
  model.size.value = 300;
  DS_SafePtr<DS_ABObj> runtime(model.CreateRuntime());
  auto* array = dynamic_cast<DS_3DObjArray*>(runtime.get());
  ASSERT_NE(array, nullptr);
  ASSERT_EQ(array->roots.size(), 1u);
  ASSERT_EQ(array->meshes.size(), 2u);
  EXPECT_TRUE(array->meshes[0].transparent);
  EXPECT_TRUE(array->meshes[1].transparent);
  DS_Frame* root = array->roots.front();
  ASSERT_EQ(root->children.size(), 2u);
  ASSERT_EQ(array->meshes[1].subFrames.size(), 2u);
  array->Update(0.0f);

  D3DXMATRIX turn;
  D3DXMatrixRotationX(&turn, D3DX_PI / 2);
  const D3DXMATRIX face = Scale(300, 300, 300) * Scale(0.01f, 0.01f, 0.01f) * turn * Move(200, 100, 0);
  ExpectMatrixNear(root->world, face, 1e-3f);
  const D3DXMATRIX hour = Scale(0.01f, 1, 0.3f) * Move(0, 0, 10) * RotY(315.0f) * face;
  const D3DXMATRIX minute = Scale(0.01f, 1, 0.38f) * Move(0, 0, 13) * RotY(183.0f) * face;
  ExpectMatrixNear(root->children.front()->world, hour, 1e-3f);
  ExpectMatrixNear(root->children.back()->world, minute, 1e-3f);

  // A new size moves the rectangle's edges about the centre.
  auto* clone = static_cast<DS_ClockConstructor*>(array->ObjModel());
  clone->size.SetValue(100u);
  EXPECT_EQ(clone->clockRect.left.value, 150);
  EXPECT_EQ(clone->clockRect.top.value, 50);
  EXPECT_EQ(clone->clockRect.right.value, 250);
  EXPECT_EQ(clone->clockRect.bottom.value, 150);
}

}  // namespace
