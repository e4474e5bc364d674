#pragma once
// The observable parameter model: parameters keep a list of controls and tell
// each of them, in attachment order, after their value changed.
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/safe_ptr.h"
#include "platform/win32/win_types.h"

class MediaParam;

// Observer of parameters.
class MediaControl {
 public:
  MediaControl() = default;
  MediaControl(const MediaControl&) = delete;
  MediaControl& operator=(const MediaControl&) = delete;
  virtual ~MediaControl() = default;
  // The watched parameter is being destroyed and must be forgotten.
  virtual void Detach() {}
  // True when changes made through this control must not be recorded for undo.
  virtual bool IsSilent() const { return false; }
  virtual void OnChanged(MediaControl* source) = 0;
};

class MediaParam {
 public:
  MediaParam() = default;
  // Observers belong to the parameter they were attached to: copies start
  // with an empty list, and assignment keeps the target's list.
  MediaParam(const MediaParam&) {}
  MediaParam& operator=(const MediaParam&) { return *this; }
  virtual ~MediaParam();

  // Unlinks every occurrence of the control; the others keep their order.
  virtual void RemoveControl(MediaControl* control);
  // Calls OnChanged(source) on every control except the source, first to last.
  virtual void Notify(MediaControl* source);
  // An editing command on the value; the base does nothing.
  virtual void Command(int32_t code, MediaControl* source) {}

  // Appends a control at the end of the list (it may appear more than once).
  void AddControl(MediaControl* control);
  // The controls, in order.
  std::vector<MediaControl*> Controls() const;
  size_t ControlCount() const;

 private:
  void Compact();

  std::list<MediaControl*> controls_;
  // While a notification walks the list, removed entries are only blanked so
  // that the walk survives controls that unhook themselves or others.
  int32_t notify_depth_ = 0;
  bool has_blanks_ = false;
  bool* alive_flag_ = nullptr;
};

// A control that only remembers its parameter; classes derive from it to
// receive changes.
template <class P>
class MediaControlT : public MediaControl {
 public:
  MediaControlT() = default;
  ~MediaControlT() override {
    if (param) param->RemoveControl(this);
  }
  // Watches p: remembers it and appends itself to its controls.
  void Attach(P* p) {
    param = p;
    if (p) p->AddControl(this);
  }
  void Detach() override { param = nullptr; }
  void OnChanged(MediaControl* source) override {}

  P* param = nullptr;
};

// Calls a member function of its owner, without arguments, when the watched
// parameter changes.
template <class X>
class SmartCalbackCtrl : public MediaControl {
 public:
  using Callback = void (X::*)();
  SmartCalbackCtrl() = default;
  SmartCalbackCtrl(Callback cb, X* owner_object, MediaParam* watched_param = nullptr)
      : callback(cb), owner(owner_object), watched(watched_param) {}
  ~SmartCalbackCtrl() override {
    if (watched) watched->RemoveControl(this);
  }
  // Watches p: appends itself to p's controls. Does not call back.
  void Attach(MediaParam* p) {
    watched = p;
    if (p) p->AddControl(this);
  }
  void Set(Callback cb, X* owner_object) {
    callback = cb;
    owner = owner_object;
  }
  void Detach() override { watched = nullptr; }
  void OnChanged(MediaControl* source) override {
    if (owner && callback) (owner->*callback)();
  }

  Callback callback = nullptr;
  X* owner = nullptr;
  MediaParam* watched = nullptr;
};

// The same control under the name the graph owners use.
template <class X>
using ZVI_SmartCalbackCtrl = SmartCalbackCtrl<X>;

// Owner-side list of callback controls that the list creates and owns.
template <class X>
class CallbackCtrlList {
 public:
  explicit CallbackCtrlList(X* owner_object = nullptr, bool owns_owner_object = false)
      : owner(owner_object), owns_owner(owns_owner_object) {}
  CallbackCtrlList(const CallbackCtrlList&) = delete;
  CallbackCtrlList& operator=(const CallbackCtrlList&) = delete;
  ~CallbackCtrlList() {
    Clear();
    if (owns_owner && owner) delete owner;
  }
  // A new control calling back the owner, appended to the watched parameter's
  // controls and then to this list. Does not notify.
  SmartCalbackCtrl<X>* Add(typename SmartCalbackCtrl<X>::Callback callback, MediaParam* watched) {
    auto* ctrl = new SmartCalbackCtrl<X>(callback, owner, nullptr);
    ctrl->Attach(watched);
    controls.push_back(ctrl);
    return ctrl;
  }
  // Deletes every control; each unhooks itself from the parameter it still watches.
  void Clear() {
    std::list<SmartCalbackCtrl<X>*> doomed;
    doomed.swap(controls);
    for (auto* c : doomed) delete c;
  }
  size_t size() const { return controls.size(); }

  X* owner;
  bool owns_owner;
  std::list<SmartCalbackCtrl<X>*> controls;
};

// Owner-side list of owned polymorphic controls.
class OwnedPtrList {
 public:
  explicit OwnedPtrList(void* owner_object = nullptr) : owner(owner_object) {}
  OwnedPtrList(const OwnedPtrList&) = delete;
  OwnedPtrList& operator=(const OwnedPtrList&) = delete;
  ~OwnedPtrList() { Clear(); }
  // Takes ownership.
  MediaControl* Add(MediaControl* object) {
    items.push_back(object);
    return object;
  }
  void Clear() {
    std::list<MediaControl*> doomed;
    doomed.swap(items);
    for (auto* o : doomed) delete o;
  }
  size_t size() const { return items.size(); }

  void* owner;
  std::list<MediaControl*> items;
};

// ---------------------------------------------------------------------------
// Typed parameters.

// How a parameter type compares and what its empty state is. Specialise for
// types whose undo equality differs from ==.
template <class T>
struct MediaParamTraits {
  static bool Equal(const T& a, const T& b) { return a == b; }
  static T Empty() { return T(); }
};
// A counted-pointer parameter always holds a block; the empty one has no object.
template <class X>
struct MediaParamTraits<DS_SafePtr<X>> {
  static bool Equal(const DS_SafePtr<X>& a, const DS_SafePtr<X>& b) { return a.get() == b.get(); }
  static DS_SafePtr<X> Empty() { return DS_SafePtr<X>::MakeEmpty(); }
};

template <>
struct MediaParamTraits<POINT> {
  static bool Equal(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
  static POINT Empty() { return POINT{0, 0}; }
};

template <class T>
class MediaParamTB : public MediaParam {
 public:
  MediaParamTB() : value(MediaParamTraits<T>::Empty()) {}
  explicit MediaParamTB(const T& v) : value(v) {}
  MediaParamTB(const MediaParamTB& other) : MediaParam(), value(other.value) {}
  MediaParamTB& operator=(const MediaParamTB& other) {
    value = other.value;
    return *this;
  }

  // Stores the value and notifies every control but the source, unless it
  // equals the current one. Returns whether it changed.
  bool SetValue(const T& v, MediaControl* source = nullptr) {
    if (MediaParamTraits<T>::Equal(value, v)) return false;
    value = v;
    Notify(source);
    return true;
  }
  const T& Value() const { return value; }

  T value;
};

// The editor's undo manager; the player installs none.
class UndoCtrl;
class UndoManager {
 public:
  virtual ~UndoManager() = default;
  virtual void RecordChange(UndoCtrl* control, MediaControl* source) = 0;
};
UndoManager* GetUndoManager();
void SetUndoManager(UndoManager* manager);

// Base of every undo control.
class UndoCtrl : public MediaControl {
 public:
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  virtual void Commit() = 0;
};

constexpr size_t kUndoHistoryLimit = 20;

// Undo history shared by the undo controls: the newest entry first, a cursor
// whose end position means nothing older is left.
template <class T>
struct UndoHistory {
  std::list<T> entries;
  typename std::list<T>::iterator cursor = entries.end();

  UndoHistory() = default;
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  void Commit(const T& saved) {
    if (!entries.empty() && cursor != entries.begin()) entries.erase(entries.begin(), cursor);
    entries.push_front(saved);
    if (entries.size() > kUndoHistoryLimit) entries.pop_back();
    cursor = entries.begin();
  }
  // Steps to the older entry and swaps it with saved; false when none is left.
  bool Undo(T& saved) {
    if (entries.empty() || cursor == entries.end()) return false;
    auto e = cursor++;
    std::swap(saved, *e);
    return true;
  }
  // Steps to the newer entry and swaps it with saved; false at the newest.
  bool Redo(T& saved) {
    if (entries.empty() || cursor == entries.begin()) return false;
    --cursor;
    std::swap(saved, *cursor);
    return true;
  }
};

// The undo control of a parameter P whose value (P::value) is a T and that
// writes values back through P::SetValue(value, source).
template <class T, class P = MediaParamTB<T>>
class UndoCtrlT : public UndoCtrl {
 public:
  explicit UndoCtrlT(P* p) : saved(MediaParamTraits<T>::Empty()), param(p) {}
  ~UndoCtrlT() override {
    // The parameter is still alive while its members are destroyed.
    if (param) param->RemoveControl(this);
  }
  void Detach() override { param = nullptr; }
  void OnChanged(MediaControl* source) override {
    if (source && !source->IsSilent()) {
      if (UndoManager* m = GetUndoManager()) m->RecordChange(this, source);
    }
    if (param) saved = param->value;
  }
  void Undo() override {
    history.Undo(saved);
    WriteBack();
  }
  void Redo() override {
    history.Redo(saved);
    WriteBack();
  }
  void Commit() override { history.Commit(saved); }

  size_t HistorySize() const { return history.entries.size(); }

  T saved;
  P* param;
  UndoHistory<T> history;

 private:
  void WriteBack() {
    if (param) param->SetValue(saved, this);
  }
};

// A typed parameter with its undo control, always its first control.
template <class T>
class MediaParamT : public MediaParamTB<T> {
 public:
  MediaParamT() : MediaParamTB<T>(), undo(this) { Hook(); }
  explicit MediaParamT(const T& v) : MediaParamTB<T>(v), undo(this) { Hook(); }
  // Copies the value only: own controls, own empty history.
  MediaParamT(const MediaParamT& other) : MediaParamTB<T>(other), undo(this) { Hook(); }
  // Copies the value and re-primes the own undo control; nobody is notified.
  MediaParamT& operator=(const MediaParamT& other) {
    if (this != &other) this->value = other.value;
    undo.OnChanged(nullptr);
    return *this;
  }
  MediaParamT& operator=(const T& v) {
    this->value = v;
    undo.OnChanged(nullptr);
    return *this;
  }

  UndoCtrlT<T> undo;

 private:
  void Hook() {
    this->AddControl(&undo);
    undo.OnChanged(nullptr);
  }
};

// Calls a member function of its owner with the parameter's value when the
// parameter changes.
template <class T, class X>
class DS_FunLightCtrl : public MediaControlT<MediaParamTB<T>> {
 public:
  using Callback = void (X::*)(T);
  DS_FunLightCtrl() = default;
  DS_FunLightCtrl(Callback cb, X* owner_object) : callback(cb), owner(owner_object) {}
  void Set(Callback cb, X* owner_object) {
    callback = cb;
    owner = owner_object;
  }
  // Calls back once with the current value.
  void Prime() { OnChanged(nullptr); }
  void OnChanged(MediaControl* source) override {
    if (owner && callback && this->param) (owner->*callback)(this->param->value);
  }

  Callback callback = nullptr;
  X* owner = nullptr;
};

// Two consecutive integer parameters: a range's minimum and maximum.
template <class T>
struct IntParamPair {
  MediaParamT<T> first;
  MediaParamT<T> second;
};

// A selector whose value is the current key, with a counted object per key.
template <class K, class X>
class ZVI_T_CustomSelector : public MediaParamT<K> {
 public:
  ZVI_T_CustomSelector() = default;
  explicit ZVI_T_CustomSelector(const K& key) : MediaParamT<K>(key) {}
  // Stores the key without notifying and the object under that key.
  void Set(const K& key, const DS_SafePtr<X>& object) {
    this->value = key;
    this->undo.OnChanged(nullptr);
    items[key] = object;
  }
  DS_SafePtr<X> Get(const K& key) const {
    auto it = items.find(key);
    return it == items.end() ? DS_SafePtr<X>() : it->second;
  }

  std::map<K, DS_SafePtr<X>> items;
};
