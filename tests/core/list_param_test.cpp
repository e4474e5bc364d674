// Counted pointers, list parameters with their command codes, and ComPtr.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/list_param.h"
#include "platform/com/com_ptr.h"

namespace {

struct Shared {
  static inline int deleted = 0;
  virtual ~Shared() { ++deleted; }
};
struct Derived : Shared {};

struct Counter : MediaControl {
  int calls = 0;
  void OnChanged(MediaControl*) override { ++calls; }
};

TEST(SafePtrTest, OneDeletionPerSharedObject) {
  Shared::deleted = 0;
  {
    DS_SafePtr<Shared> a(new Shared);
    DS_SafePtr<Shared> b = a;
    EXPECT_EQ(a.UseCount(), 2);
    a.Release();
    EXPECT_EQ(Shared::deleted, 0);
    EXPECT_EQ(a.get(), nullptr);
    a.Release();  // releasing a null pointer does nothing
    b.Release();
    EXPECT_EQ(Shared::deleted, 1);
  }
  {
    MediaParamT<DS_SafePtr<Shared>> p1(DS_SafePtr<Shared>(new Shared));
    MediaParamT<DS_SafePtr<Shared>> p2;
    p2 = p1;
  }
  EXPECT_EQ(Shared::deleted, 2);
  {
    DS_SafePtr<Shared> a(new Derived);  // deleted through the virtual destructor
    DS_SafePtr<Derived> d(new Derived);
    DS_SafePtr<Shared> up = d;
    EXPECT_EQ(d.UseCount(), 2);
    auto& same = a;
    a = same;  // self-assignment keeps the object
    EXPECT_EQ(Shared::deleted, 2);
    a = up;  // the first object goes
    EXPECT_EQ(Shared::deleted, 3);
  }
  EXPECT_EQ(Shared::deleted, 4);
}

TEST(SafePtrTest, EmptyBlockHoldsNoObject) {
  Shared::deleted = 0;
  DS_SafePtr<Shared> e = DS_SafePtr<Shared>::MakeEmpty();
  EXPECT_TRUE(e.HasBlock());
  EXPECT_FALSE(e);
  DS_SafePtr<Shared> f = e;
  EXPECT_EQ(e.UseCount(), 2);
  e.Release();
  f.Release();  // frees the block only
  EXPECT_EQ(Shared::deleted, 0);
}

// An object holding the last reference to another: replacing it must not
// read the freed holder.
struct Node {
  DS_SafePtr<Node> next;
};
TEST(SafePtrTest, AssignmentFromAMemberOfTheReleasedObject) {
  DS_SafePtr<Node> head(new Node);
  head->next = DS_SafePtr<Node>(new Node);
  head = head->next;
  EXPECT_NE(head.get(), nullptr);
  EXPECT_EQ(head.UseCount(), 1);
}

// A list of names used to drive the command codes.
class NameList : public ListMediaParam_Impl<std::u16string> {
 public:
  void Add() override { value.push_back(u"new"); }
  void Remove(int32_t index) override {
    if (index >= 0 && index < Count()) value.erase(value.begin() + index);
  }
  zvi_string ItemName(int32_t index) const override { return value.at(static_cast<size_t>(index)); }
  void BeforeCommand(int32_t code) override { before.push_back(code); }
  void ElementCommand(int32_t index) override { element.push_back(index); }
  std::vector<int32_t> before, element;
};

TEST(ListParamTest, CommandCodes) {
  struct Case {
    std::vector<std::u16string> items;
    int32_t start_index;
    int32_t code;
    std::vector<std::u16string> expected_items;
    int32_t expected_index;
  };
  const Case cases[] = {
      {{u"a", u"b", u"c"}, 0, 3, {u"a", u"b", u"c"}, 3},                     // select
      {{u"a", u"b"}, 1, kListAdd, {u"a", u"b", u"new"}, 1},                  // add
      {{u"a", u"b", u"c"}, 2, kListRemove, {u"a", u"b"}, 1},                 // remove the last
      {{u"a", u"b", u"c"}, 0, kListRemove, {u"b", u"c"}, 0},                 // remove the first
      {{u"a", u"b", u"c"}, 1, kListMoveUp, {u"b", u"a", u"c"}, 0},
      {{u"a", u"b", u"c"}, 0, kListMoveUp, {u"a", u"b", u"c"}, 0},           // already first
      {{u"a", u"b", u"c"}, 1, kListMoveDown, {u"a", u"c", u"b"}, 2},
      {{u"a", u"b", u"c"}, 2, kListMoveDown, {u"a", u"b", u"c"}, 2},         // already last
      {{u"a", u"b"}, 0, -7, {u"a", u"b"}, 0},                                // unknown code
      // Empty lists and indexes beyond the list stay safe.
      {{}, 0, kListRemove, {}, -1},
      {{}, -1, kListMoveDown, {}, -1},
      {{}, -1, kListMoveUp, {}, -1},
      {{u"a", u"b"}, 5, kListMoveUp, {u"a", u"b"}, 5},
      {{u"a", u"b"}, 5, kListMoveDown, {u"a", u"b"}, 5},
      {{u"a", u"b"}, 5, kListRemove, {u"a", u"b"}, 1},
  };
  for (const Case& c : cases) {
    NameList list;
    list.value = c.items;
    list.current_index = c.start_index;
    list.Command(c.code, nullptr);
    EXPECT_EQ(list.value, c.expected_items) << "code " << c.code << " at " << c.start_index;
    EXPECT_EQ(list.current_index, c.expected_index) << "code " << c.code << " at " << c.start_index;
    EXPECT_EQ(list.before, std::vector<int32_t>{c.code});
  }
}

TEST(ListParamTest, CommandNotifiesEveryControlButTheSource) {
  NameList list;
  list.value = {u"a"};
  Counter u, s;
  list.AddControl(&u);
  list.AddControl(&s);
  list.Command(3, &s);
  EXPECT_EQ(list.current_index, 3);
  EXPECT_EQ(u.calls, 1);
  EXPECT_EQ(s.calls, 0);
  list.Command(-7, &s);  // unknown codes still notify
  EXPECT_EQ(u.calls, 2);
  list.current_index = 0;
  list.Command(kListElementCommand, nullptr);
  EXPECT_EQ(list.element, std::vector<int32_t>{0});
  EXPECT_EQ(list.undo.saved, list.value);  // the undo control saw the change
  list.RemoveControl(&u);
  list.RemoveControl(&s);
}

TEST(ListParamTest, UndoRestoresTheElements) {
  NameList list;
  list.value = {u"a", u"b"};
  list.undo.OnChanged(nullptr);
  list.undo.Commit();
  list.current_index = 0;
  list.Command(kListMoveDown, nullptr);
  ASSERT_EQ(list.value, (std::vector<std::u16string>{u"b", u"a"}));
  Counter c;
  list.AddControl(&c);
  list.undo.Undo();
  EXPECT_EQ(list.value, (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_EQ(c.calls, 1);
  list.undo.Redo();
  EXPECT_EQ(list.value, (std::vector<std::u16string>{u"b", u"a"}));
  EXPECT_EQ(c.calls, 2);
  list.RemoveControl(&c);
}

TEST(ListParamTest, SmartArrayInsert) {
  ZVI_SmartArray<unsigned long> arr;
  arr.value.second = {10, 20};
  Counter c;
  arr.AddControl(&c);
  EXPECT_EQ(arr.Insert(0, 5), 0);
  EXPECT_EQ(arr.Items(), (std::vector<unsigned long>{5, 10, 20}));
  EXPECT_EQ(arr.Selected(), 0);
  EXPECT_EQ(c.calls, 1);
  EXPECT_EQ(arr.Insert(3, 30), 3);  // the count appends
  EXPECT_EQ(arr.Insert(99, 40), 4);  // beyond the end: clamped
  EXPECT_EQ(arr.Insert(-3, 1), 0);
  EXPECT_EQ(arr.Items(), (std::vector<unsigned long>{1, 5, 10, 20, 30, 40}));
  arr.RemoveControl(&c);
}

TEST(ListParamTest, SmartVectorAppendSelectsAndNotifies) {
  Shared::deleted = 0;
  {
    ZVI_SmartVectorPtr<Shared> v;
    EXPECT_EQ(v.selected.value, -1);
    Counter on_vector, on_selection;
    v.AddControl(&on_vector);
    v.selected.AddControl(&on_selection);
    DS_SafePtr<Shared> obj(new Shared);
    v.Append(obj);
    v.Append(obj);
    EXPECT_EQ(v.selected.value, 1);
    EXPECT_EQ(on_selection.calls, 2);
    EXPECT_EQ(on_vector.calls, 2);
    EXPECT_EQ(obj.UseCount(), 5);  // local, two elements, two in the undo copy
    v.RemoveControl(&on_vector);
    v.selected.RemoveControl(&on_selection);
  }
  EXPECT_EQ(Shared::deleted, 1);
}

struct FakeInterface : IUnknown {
  int refs = 1;
  int releases = 0;
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG Release() override {
    ++releases;
    return static_cast<ULONG>(--refs);
  }
};

TEST(ComPtrTest, ReleasedTwiceReleasesOnce) {
  FakeInterface object;
  {
    ComPtr<FakeInterface> p;
    EXPECT_FALSE(p);
    p.Attach(&object);
    p.Release();
    p.Release();
    EXPECT_EQ(object.releases, 1);
    EXPECT_EQ(p.Get(), nullptr);
  }
  EXPECT_EQ(object.releases, 1);
  {
    object.refs = 1;
    ComPtr<FakeInterface> a(&object);  // shares: takes its own reference
    ComPtr<FakeInterface> b = a;
    EXPECT_EQ(object.refs, 3);
  }
  EXPECT_EQ(object.refs, 1);
  {
    ComPtr<FakeInterface> holders[3];  // arrays start null
    for (auto& h : holders) EXPECT_EQ(h.Get(), nullptr);
  }
}

}  // namespace
