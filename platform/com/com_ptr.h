#pragma once
// ComPtr<I>: holds one reference to a COM-shaped interface.
#include <utility>

#include "platform/com/com.h"

template <class I>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Shares p: takes a reference of its own.
  explicit ComPtr(I* p) : ptr_(p) {
    if (ptr_) ptr_->AddRef();
  }
  ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
    if (ptr_) ptr_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : ptr_(other.ptr_) { other.ptr_ = nullptr; }
  ~ComPtr() { Release(); }

  ComPtr& operator=(const ComPtr& other) {
    if (ptr_ != other.ptr_) {
      I* p = other.ptr_;
      if (p) p->AddRef();
      Release();
      ptr_ = p;
    }
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      I* p = other.ptr_;
      other.ptr_ = nullptr;
      Release();
      ptr_ = p;
    }
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Release();
    return *this;
  }

  // Releases the held reference (once) and becomes null.
  void Release() {
    I* p = ptr_;
    ptr_ = nullptr;
    if (p) p->Release();
  }
  // Takes over a reference the caller already owns.
  void Attach(I* p) {
    Release();
    ptr_ = p;
  }
  // Gives up the reference without releasing it.
  I* Detach() {
    I* p = ptr_;
    ptr_ = nullptr;
    return p;
  }
  // For creation functions that write a new reference.
  I** ReleaseAndGetAddressOf() {
    Release();
    return &ptr_;
  }
  I** GetAddressOf() { return &ptr_; }

  I* Get() const { return ptr_; }
  I* get() const { return ptr_; }
  I* operator->() const { return ptr_; }
  operator I*() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

 private:
  I* ptr_ = nullptr;
};
