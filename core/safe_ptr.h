#pragma once
// DS_SafePtr<T>: the engine's counted pointer. Every holder of a block holds
// one reference; the last release deletes the object and frees the block.
// Counts are plain integers: shared objects live on the main thread only.
#include <cstdint>
#include <type_traits>
#include <utility>

// The shared block: the object (may be null for an empty block) and its count.
struct DS_SafeBlock {
  void* object;
  int32_t count;
  void (*destroy)(void* object);
};

template <class T>
class DS_SafePtr {
 public:
  DS_SafePtr() = default;
  // Takes the object into a new block {object, 1}; a null object gives an
  // empty block.
  explicit DS_SafePtr(T* object) : block_(NewBlock(object)), ptr_(object) {}
  DS_SafePtr(const DS_SafePtr& other) : block_(other.block_), ptr_(other.ptr_) { AddRef(); }
  DS_SafePtr(DS_SafePtr&& other) noexcept : block_(other.block_), ptr_(other.ptr_) {
    other.block_ = nullptr;
    other.ptr_ = nullptr;
  }
  // A pointer to a derived class shares the same block.
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*> && !std::is_same_v<U, T>>>
  DS_SafePtr(const DS_SafePtr<U>& other) : block_(other.block_), ptr_(other.ptr_) {
    AddRef();
  }
  ~DS_SafePtr() { Release(); }

  DS_SafePtr& operator=(const DS_SafePtr& other) {
    if (block_ != other.block_ || block_ == nullptr) {
      DS_SafeBlock* b = other.block_;
      T* p = other.ptr_;
      if (b) ++b->count;  // before releasing: other may be owned by our object
      Release();
      block_ = b;
      ptr_ = p;
    }
    return *this;
  }
  DS_SafePtr& operator=(DS_SafePtr&& other) noexcept {
    if (this != &other) {
      if (block_ == other.block_ && block_ != nullptr) {
        other.Release();
      } else {
        DS_SafeBlock* b = other.block_;
        T* p = other.ptr_;
        other.block_ = nullptr;
        other.ptr_ = nullptr;
        Release();
        block_ = b;
        ptr_ = p;
      }
    }
    return *this;
  }

  // A new empty block (no object, count 1): the "no object" value of
  // counted-pointer parameters.
  static DS_SafePtr MakeEmpty() { return DS_SafePtr(static_cast<T*>(nullptr)); }

  // Drops this holder's reference; the pointer becomes null.
  void Release() {
    DS_SafeBlock* b = block_;
    block_ = nullptr;
    ptr_ = nullptr;
    if (b && --b->count <= 0) {
      if (b->object) b->destroy(b->object);
      delete b;
    }
  }
  // Replaces the held block with a new one around the object.
  void Reset(T* object = nullptr) { *this = DS_SafePtr(object); }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  bool HasBlock() const { return block_ != nullptr; }
  // The block's reference count; 0 for a null pointer.
  int32_t UseCount() const { return block_ ? block_->count : 0; }
  bool SameBlock(const DS_SafePtr& other) const { return block_ == other.block_; }

 private:
  template <class U>
  friend class DS_SafePtr;

  static DS_SafeBlock* NewBlock(T* object) {
    return new DS_SafeBlock{const_cast<std::remove_cv_t<T>*>(object), 1,
                            [](void* o) { delete static_cast<T*>(o); }};
  }
  void AddRef() {
    if (block_) ++block_->count;
  }

  DS_SafeBlock* block_ = nullptr;
  T* ptr_ = nullptr;
};

// Two counted pointers are the same value when they hold the same object.
template <class T, class U>
bool operator==(const DS_SafePtr<T>& a, const DS_SafePtr<U>& b) {
  return a.get() == b.get();
}
