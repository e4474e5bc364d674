// The butterfly's and the clock's frame controllers: hands at the local
// time, the clock face kept at its centre and size, the butterfly's flight
// step by step.
#include <gtest/gtest.h>

#include <cmath>

#include "core/crt.h"
#include "scene/butterfly_clock.h"
#include "scene_fixtures.h"

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

}  // namespace
