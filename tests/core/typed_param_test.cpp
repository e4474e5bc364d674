// Typed parameters: value equality, undo history and copies.
#include <gtest/gtest.h>

#include <vector>

#include "core/media_param.h"
#include "core/zvi_string.h"
#include "platform/com/com.h"
#include "platform/d3dx9/d3dx9_math.h"

namespace {

struct Counter : MediaControl {
  int calls = 0;
  MediaControl* last_source = nullptr;
  void OnChanged(MediaControl* source) override {
    ++calls;
    last_source = source;
  }
};

// An editor-like manager: every recorded change is one editing step.
struct CommittingManager : UndoManager {
  int records = 0;
  void RecordChange(UndoCtrl* control, MediaControl*) override {
    ++records;
    control->Commit();
  }
};

struct Tracked {
  static inline int alive = 0;
  Tracked() { ++alive; }
  virtual ~Tracked() { --alive; }
};

TEST(TypedParamTest, FreshParameterHasOnlyItsPrimedUndoControl) {
  MediaParamT<int> p(7);
  ASSERT_EQ(p.Controls(), std::vector<MediaControl*>{&p.undo});
  EXPECT_EQ(p.undo.saved, 7);
  EXPECT_EQ(p.undo.HistorySize(), 0u);

  MediaParamT<float> f(0.0f);
  f.value = 2.5f;
  f.Notify(nullptr);
  EXPECT_EQ(f.undo.saved, 2.5f);
  EXPECT_EQ(f.undo.HistorySize(), 0u);
}

TEST(TypedParamTest, ChangesWithoutSourceAreNeverRecorded) {
  CommittingManager manager;
  SetUndoManager(&manager);
  MediaParamT<int> p(1);
  p.SetValue(2);
  EXPECT_EQ(manager.records, 0);
  Counter editor;
  p.SetValue(3, &editor);
  EXPECT_EQ(manager.records, 1);
  SetUndoManager(nullptr);
}

TEST(TypedParamTest, WorkedUndoRedoSequence) {
  CommittingManager manager;
  SetUndoManager(&manager);
  MediaParamT<int> p(10);  // A
  Counter observer, editor;
  p.AddControl(&observer);

  p.SetValue(20, &editor);  // B: committed while saved was still A
  EXPECT_EQ(p.undo.history.entries, std::list<int>{10});
  EXPECT_EQ(p.undo.saved, 20);
  EXPECT_EQ(observer.calls, 1);

  p.undo.Undo();
  EXPECT_EQ(p.value, 10);
  EXPECT_EQ(p.undo.saved, 10);
  EXPECT_EQ(p.undo.history.entries, std::list<int>{20});
  EXPECT_TRUE(p.undo.history.cursor == p.undo.history.entries.end());
  EXPECT_EQ(observer.calls, 2);
  EXPECT_EQ(observer.last_source, &p.undo);

  p.undo.Undo();  // nothing older
  EXPECT_EQ(p.value, 10);
  EXPECT_EQ(observer.calls, 2);

  p.undo.Redo();
  EXPECT_EQ(p.value, 20);
  EXPECT_EQ(p.undo.history.entries, std::list<int>{10});
  EXPECT_EQ(observer.calls, 3);

  p.undo.Redo();  // cursor already at the first entry
  EXPECT_EQ(p.value, 20);
  EXPECT_EQ(observer.calls, 3);

  // A new change after an undo drops the entries newer than the cursor.
  p.undo.Undo();
  p.SetValue(30, &editor);
  EXPECT_EQ(p.undo.history.entries, (std::list<int>{10}));
  EXPECT_EQ(p.undo.saved, 30);
  p.RemoveControl(&observer);
  SetUndoManager(nullptr);
}

TEST(TypedParamTest, HistoryKeepsTwentyEntries) {
  MediaParamT<int> p(0);
  for (int i = 1; i <= 21; ++i) {
    p.undo.saved = i;
    p.undo.Commit();
  }
  ASSERT_EQ(p.undo.HistorySize(), 20u);
  EXPECT_EQ(p.undo.history.entries.front(), 21);
  EXPECT_EQ(p.undo.history.entries.back(), 2);  // 1 is gone
}

TEST(TypedParamTest, SetValueEqualityPerType) {
  {
    MediaParamT<zvi_string> s(u"abc");
    Counter c;
    s.AddControl(&c);
    zvi_string other = u"ab";
    other += u'c';  // same code units, another buffer
    EXPECT_FALSE(s.SetValue(other));
    EXPECT_TRUE(s.SetValue(u"abd"));
    EXPECT_EQ(c.calls, 1);
    s.RemoveControl(&c);
  }
  {
    MediaParamT<D3DXVECTOR3> v(D3DXVECTOR3(1, 2, 3));
    EXPECT_FALSE(v.SetValue(D3DXVECTOR3(1, 2, 3)));
    EXPECT_TRUE(v.SetValue(D3DXVECTOR3(1, 2, 4)));
  }
  {
    MediaParamTB<POINT> pt(POINT{3, 4});
    EXPECT_FALSE(pt.SetValue(POINT{3, 4}));
    EXPECT_TRUE(pt.SetValue(POINT{3, 5}));
  }
  {
    GUID a = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    GUID b = a;
    MediaParamT<GUID> g(a);
    EXPECT_FALSE(g.SetValue(b));
    b.Data4[7] = 0;
    EXPECT_TRUE(g.SetValue(b));
  }
  {
    DS_SafePtr<Tracked> x(new Tracked), y(new Tracked);
    MediaParamT<std::vector<DS_SafePtr<Tracked>>> list(std::vector<DS_SafePtr<Tracked>>{x, y});
    Counter c;
    list.AddControl(&c);
    EXPECT_FALSE(list.SetValue({x, y}));
    EXPECT_TRUE(list.SetValue({y, x}));  // same objects, other order
    EXPECT_EQ(c.calls, 1);
    list.RemoveControl(&c);
  }
  EXPECT_EQ(Tracked::alive, 0);
}

TEST(TypedParamTest, CountedPointerParameter) {
  Tracked::alive = 0;
  {
    MediaParamT<DS_SafePtr<Tracked>> empty;
    EXPECT_TRUE(empty.value.HasBlock());  // an empty block, not null
    EXPECT_EQ(empty.value.get(), nullptr);

    DS_SafePtr<Tracked> obj(new Tracked);
    MediaParamT<DS_SafePtr<Tracked>> p(obj);
    EXPECT_EQ(obj.UseCount(), 3);  // local, value, undo's saved copy
    Counter c;
    p.AddControl(&c);

    DS_SafePtr<Tracked> another_holder = obj;
    EXPECT_FALSE(p.SetValue(another_holder));
    EXPECT_EQ(c.calls, 0);

    auto& same = p;
    p = same;  // self-assignment keeps the object, notifies nobody
    obj.Release();
    EXPECT_EQ(Tracked::alive, 1);
    EXPECT_NE(p.value.get(), nullptr);
    EXPECT_EQ(c.calls, 0);

    MediaParamT<DS_SafePtr<Tracked>> q;
    q = p;  // shares the block
    EXPECT_EQ(q.value.get(), p.value.get());
    EXPECT_EQ(c.calls, 0);
    p.RemoveControl(&c);
  }
  EXPECT_EQ(Tracked::alive, 0);
}

struct Physics {
  virtual ~Physics() { ++destroyed; }
  static inline int destroyed = 0;
};

TEST(TypedParamTest, CustomSelectorStoresKeyAndObject) {
  Physics::destroyed = 0;
  ZVI_T_CustomSelector<int, Physics> sel(0);
  Counter c;
  sel.AddControl(&c);
  DS_SafePtr<Physics> a(new Physics), b(new Physics);
  sel.Set(3, a);
  EXPECT_EQ(sel.value, 3);
  EXPECT_EQ(sel.undo.saved, 3);
  EXPECT_EQ(c.calls, 0);
  sel.Set(3, a);  // same object again: kept
  EXPECT_EQ(Physics::destroyed, 0);
  a.Release();
  sel.Set(3, b);  // replaces and releases the one held before
  EXPECT_EQ(Physics::destroyed, 1);
  EXPECT_EQ(sel.Get(3).get(), b.get());
  EXPECT_EQ(sel.Get(4).get(), nullptr);
  sel.RemoveControl(&c);
}

}  // namespace
