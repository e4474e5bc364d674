#pragma once
// List parameters: editable vectors of values or counted objects, and the
// abstract list with its editing command codes.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/media_param.h"
#include "core/zvi_string.h"

// A vector parameter with a selected index (no undo of its own).
template <class T>
class ZVI_SmartVector : public MediaParamT<std::vector<T>> {
 public:
  ZVI_SmartVector() : MediaParamT<std::vector<T>>(std::vector<T>()) {}
  ZVI_SmartVector(const ZVI_SmartVector& other) : MediaParamT<std::vector<T>>(other), selected(other.selected) {}
  ZVI_SmartVector& operator=(const ZVI_SmartVector& other) {
    MediaParamT<std::vector<T>>::operator=(other);
    selected.value = other.selected.value;
    return *this;
  }

  // Appends at the end, selects the new element (notifying the selection when
  // it moved), then notifies the vector.
  void Append(const T& element) {
    this->value.push_back(element);
    int32_t index = static_cast<int32_t>(this->value.size()) - 1;
    selected.SetValue(index, nullptr);
    this->Notify(nullptr);
  }

  MediaParamTB<int32_t> selected{-1};
};

template <class X>
class ZVI_SmartVectorPtr : public ZVI_SmartVector<DS_SafePtr<X>> {
 public:
  ZVI_SmartVectorPtr() = default;
  ZVI_SmartVectorPtr(const ZVI_SmartVectorPtr&) = default;
  ZVI_SmartVectorPtr& operator=(const ZVI_SmartVectorPtr&) = default;
};

// A parameter whose value is {selected index, elements}: the selection
// travels with the value through undo.
template <class T>
class ZVI_SmartArray : public MediaParamT<std::pair<int32_t, std::vector<T>>> {
 public:
  using Value = std::pair<int32_t, std::vector<T>>;
  ZVI_SmartArray() : MediaParamT<Value>(Value(-1, std::vector<T>())) {}
  ZVI_SmartArray(const ZVI_SmartArray&) = default;
  ZVI_SmartArray& operator=(const ZVI_SmartArray&) = default;

  // Inserts before position index (the element count appends; indexes outside
  // the list are clamped to it), selects it and notifies. Returns the index.
  int32_t Insert(int32_t index, const T& element) {
    auto& items = this->value.second;
    int32_t count = static_cast<int32_t>(items.size());
    index = std::clamp(index, 0, count);
    items.insert(items.begin() + index, element);
    this->value.first = index;
    this->Notify(nullptr);
    return index;
  }
  int32_t Selected() const { return this->value.first; }
  const std::vector<T>& Items() const { return this->value.second; }
};

// Command codes of list parameters (codes >= 0 select an element).
enum ListCommand : int32_t {
  kListAdd = -1,
  kListRemove = -2,
  kListMoveUp = -3,
  kListMoveDown = -4,
  kListElementCommand = -5,
};

// An abstract list whose elements the subclass holds, edited by commands.
class AListMediaParam : public MediaParam {
 public:
  AListMediaParam() = default;
  AListMediaParam(const AListMediaParam& other) : MediaParam(other), current_index(other.current_index) {}
  AListMediaParam& operator=(const AListMediaParam& other) {
    current_index = other.current_index;
    return *this;
  }

  // Runs the command on the current element, then notifies every control
  // but the source. The current index stays within [-1, count - 1] after
  // a removal, so an empty list is never left pointing at an element.
  void Command(int32_t code, MediaControl* source) override;

  virtual void Add() = 0;
  virtual void Remove(int32_t index) = 0;
  // Return the step the element moved (0 when it could not move).
  virtual int32_t MoveUp(int32_t index) = 0;
  virtual int32_t MoveDown(int32_t index) = 0;
  virtual int32_t Count() const = 0;
  virtual zvi_string ItemName(int32_t index) const = 0;
  virtual void Clear() = 0;
  virtual void BeforeCommand(int32_t code) {}
  virtual void ElementCommand(int32_t index) {}

  int32_t current_index = 0;
};

// A list held in a vector, with an undo control of its own.
template <class X>
class ListMediaParam_Impl : public AListMediaParam {
 public:
  using UndoList = UndoCtrlT<std::vector<X>, ListMediaParam_Impl>;

  ListMediaParam_Impl() : undo(this) { Hook(); }
  ListMediaParam_Impl(const ListMediaParam_Impl& other) : AListMediaParam(other), value(other.value), undo(this) {
    Hook();
  }
  ListMediaParam_Impl& operator=(const ListMediaParam_Impl& other) {
    AListMediaParam::operator=(other);
    value = other.value;
    undo.OnChanged(nullptr);
    return *this;
  }

  int32_t MoveUp(int32_t index) override {
    if (index <= 0 || index >= Count()) return 0;
    std::swap(value[index], value[index - 1]);
    return 1;
  }
  int32_t MoveDown(int32_t index) override {
    if (index < 0 || index >= Count() - 1) return 0;
    std::swap(value[index], value[index + 1]);
    return 1;
  }
  int32_t Count() const override { return static_cast<int32_t>(value.size()); }
  void Clear() override { value.clear(); }
  // Writes a whole list back (undo and redo), notifying when it differs.
  bool SetValue(const std::vector<X>& v, MediaControl* source) {
    if (MediaParamTraits<std::vector<X>>::Equal(value, v)) return false;
    value = v;
    Notify(source);
    return true;
  }

  std::vector<X> value;
  UndoList undo;

 private:
  void Hook() {
    AddControl(&undo);
    undo.OnChanged(nullptr);
  }
};
