// Notification, removal and lifetime rules of parameters and controls.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/media_param.h"

namespace {

// Records every call in a shared log.
struct Recorder : MediaControl {
  Recorder(std::string n, std::vector<std::string>* l) : name(std::move(n)), log(l) {}
  void OnChanged(MediaControl* source) override {
    log->push_back(name);
    sources.push_back(source);
  }
  void Detach() override {
    log->push_back("detach " + name);
  }
  std::string name;
  std::vector<std::string>* log;
  std::vector<MediaControl*> sources;
};

struct PlainParam : MediaParam {};

TEST(MediaParamTest, NotifySkipsTheSourceAndKeepsAttachmentOrder) {
  std::vector<std::string> log;
  PlainParam p;
  Recorder u("U", &log), s("S", &log), k("K", &log);
  p.AddControl(&u);
  p.AddControl(&s);
  p.AddControl(&k);

  p.Notify(&s);
  EXPECT_EQ(log, (std::vector<std::string>{"U", "K"}));
  EXPECT_EQ(u.sources, std::vector<MediaControl*>{&s});
  EXPECT_EQ(k.sources, std::vector<MediaControl*>{&s});

  log.clear();
  p.Notify(nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"U", "S", "K"}));
  p.RemoveControl(&u);
  p.RemoveControl(&s);
  p.RemoveControl(&k);
}

TEST(MediaParamTest, ControlAttachedTwiceIsCalledTwiceAndRemovedOnce) {
  std::vector<std::string> log;
  PlainParam p;
  Recorder a("A", &log), b("B", &log);
  p.AddControl(&a);
  p.AddControl(&b);
  p.AddControl(&a);
  p.Notify(nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"A", "B", "A"}));

  p.RemoveControl(&a);
  EXPECT_EQ(p.Controls(), std::vector<MediaControl*>{&b});
  Recorder stranger("X", &log);
  p.RemoveControl(&stranger);  // not in the list: nothing changes
  EXPECT_EQ(p.Controls(), std::vector<MediaControl*>{&b});
  p.RemoveControl(&b);
}

TEST(MediaParamTest, BaseCommandChangesNothingAndNotifiesNobody) {
  std::vector<std::string> log;
  MediaParamT<int> p(4);
  Recorder r("R", &log);
  p.AddControl(&r);
  p.Command(0, nullptr);
  p.Command(-1, nullptr);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(p.value, 4);
  p.RemoveControl(&r);
}

TEST(MediaParamTest, DestroyingTheParameterDetachesWithoutOnChanged) {
  std::vector<std::string> log;
  Recorder a("A", &log), b("B", &log);
  {
    PlainParam p;
    p.AddControl(&a);
    p.AddControl(&b);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"detach A", "detach B"}));
}

struct Owner {
  int calls = 0;
  void Changed() { ++calls; }
};

// Parameters and callback controls destroyed in either order; under ASan a
// control touching a dead parameter (or the reverse) fails the test.
TEST(MediaParamTest, ParameterAndCallbackControlDieInEitherOrder) {
  Owner owner;
  {
    auto param = std::make_unique<MediaParamT<int>>(1);
    auto ctrl = std::make_unique<SmartCalbackCtrl<Owner>>(&Owner::Changed, &owner);
    ctrl->Attach(param.get());
    param->SetValue(2);
    EXPECT_EQ(owner.calls, 1);
    param.reset();  // parameter first: the control forgets it
    EXPECT_EQ(ctrl->watched, nullptr);
    ctrl.reset();
  }
  {
    auto param = std::make_unique<MediaParamT<int>>(1);
    auto ctrl = std::make_unique<SmartCalbackCtrl<Owner>>(&Owner::Changed, &owner);
    ctrl->Attach(param.get());
    ctrl.reset();  // control first: it unhooks itself
    EXPECT_EQ(param->ControlCount(), 1u);  // the undo control stays
    param->SetValue(3);
    EXPECT_EQ(owner.calls, 1);
  }
  {
    MediaControlT<MediaParamTB<int>>* plain = new MediaControlT<MediaParamTB<int>>();
    auto param = std::make_unique<MediaParamTB<int>>(0);
    plain->Attach(param.get());
    param.reset();
    EXPECT_EQ(plain->param, nullptr);
    delete plain;
  }
}

TEST(MediaParamTest, CallbackListClearTouchesOnlyLiveParameters) {
  Owner owner;
  auto alive = std::make_unique<MediaParamT<int>>(0);
  auto dead = std::make_unique<MediaParamT<int>>(0);
  {
    CallbackCtrlList<Owner> list(&owner);
    list.Add(&Owner::Changed, alive.get());
    list.Add(&Owner::Changed, dead.get());
    EXPECT_EQ(owner.calls, 0);  // adding does not notify
    alive->SetValue(5);
    EXPECT_EQ(owner.calls, 1);
    dead.reset();
    list.Clear();
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(alive->ControlCount(), 1u);
  }
  alive->SetValue(6);
  EXPECT_EQ(owner.calls, 1);
}

struct CountedOwner {
  static inline int destroyed = 0;
  virtual ~CountedOwner() { ++destroyed; }
  void Changed() {}
};

TEST(MediaParamTest, CallbackListDeletesAnOwnedOwner) {
  CountedOwner::destroyed = 0;
  MediaParamT<int> p(0);
  {
    CallbackCtrlList<CountedOwner> owning(new CountedOwner, true);
    owning.Add(&CountedOwner::Changed, &p);
    CountedOwner kept;
    CallbackCtrlList<CountedOwner> borrowing(&kept, false);
  }
  EXPECT_EQ(CountedOwner::destroyed, 2);  // the owned one and the local
  EXPECT_EQ(p.ControlCount(), 1u);
}

// A control that deletes itself, or another control, while the parameter is
// notifying: the walk must go on with the controls still attached.
struct Unhooker : MediaControl {
  Unhooker(MediaParam* p, std::vector<std::string>* l) : param(p), log(l) {}
  ~Unhooker() override {
    if (param) param->RemoveControl(this);
  }
  void Detach() override { param = nullptr; }
  void OnChanged(MediaControl*) override {
    log->push_back("unhooker");
    if (victim) {
      delete victim;
      victim = nullptr;
    }
    if (remove_self && param) param->RemoveControl(this);
  }
  MediaParam* param;
  std::vector<std::string>* log;
  MediaControl* victim = nullptr;
  bool remove_self = false;
};

TEST(MediaParamTest, ControlsRemovedDuringNotifyDoNotBreakTheWalk) {
  std::vector<std::string> log;
  PlainParam p;
  Recorder first("first", &log), last("last", &log);
  Unhooker self(&p, &log);
  self.remove_self = true;
  Unhooker killer(&p, &log);
  auto* doomed = new Unhooker(&p, &log);
  killer.victim = doomed;

  p.AddControl(&first);
  p.AddControl(&self);
  p.AddControl(&killer);
  p.AddControl(doomed);
  p.AddControl(&last);

  p.Notify(nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"first", "unhooker", "unhooker", "last"}));
  EXPECT_EQ(p.Controls(), (std::vector<MediaControl*>{&first, &killer, &last}));

  log.clear();
  p.Notify(nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"first", "unhooker", "last"}));
  p.RemoveControl(&first);
  p.RemoveControl(&last);
}

// A callback that destroys the owner of the parameter being notified.
struct SelfDestructingOwner {
  MediaParamT<int> param{0};
  SmartCalbackCtrl<SelfDestructingOwner> first{&SelfDestructingOwner::Die, this};
  std::vector<std::string>* log = nullptr;
  SelfDestructingOwner() { first.Attach(&param); }
  void Die() {
    log->push_back("die");
    delete this;
  }
};

TEST(MediaParamTest, ParameterDestroyedDuringItsOwnNotifyStopsTheWalk) {
  std::vector<std::string> log;
  auto* owner = new SelfDestructingOwner;
  owner->log = &log;
  Recorder later("later", &log);
  owner->param.AddControl(&later);
  owner->param.SetValue(1);  // under ASan, any touch of the freed list fails
  EXPECT_EQ(log, (std::vector<std::string>{"die", "detach later"}));
}

TEST(MediaParamTest, CopiesStartWithTheirOwnControls) {
  std::vector<std::string> log;
  MediaParamT<int> p(7);
  Recorder r("R", &log);
  p.AddControl(&r);
  MediaParamT<int> copy(p);
  EXPECT_EQ(copy.value, 7);
  EXPECT_EQ(copy.Controls(), std::vector<MediaControl*>{&copy.undo});
  EXPECT_TRUE(log.empty());
  copy.SetValue(8);
  EXPECT_TRUE(log.empty());
  p.RemoveControl(&r);
}

struct ValueOwner {
  std::vector<int> seen;
  void Got(int v) { seen.push_back(v); }
};

TEST(MediaParamTest, FunLightControlPassesTheNewValue) {
  ValueOwner owner;
  MediaParamT<int> p(5);
  DS_FunLightCtrl<int, ValueOwner> ctrl(&ValueOwner::Got, &owner);
  ctrl.Attach(&p);
  ctrl.Prime();
  p.SetValue(9);
  p.SetValue(9);  // equal: no notification
  EXPECT_EQ(owner.seen, (std::vector<int>{5, 9}));
}

}  // namespace
