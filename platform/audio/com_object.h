#pragma once
// Reference counting shared by the audio layer's COM-shaped objects.
#include <atomic>

#include "platform/com/com.h"

inline constexpr IID kIID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// An object with one interface I (besides IUnknown), known by iid.
template <class I>
class ComObject : public I {
 public:
  explicit ComObject(const IID& iid) : iid_(iid) {}
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != kIID_IUnknown && iid != iid_) return E_NOINTERFACE;
    *out = static_cast<I*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

 private:
  const IID iid_;
  std::atomic<ULONG> refs_{1};
};

template <class T>
void SafeRelease(T*& p) {
  if (p) {
    p->Release();
    p = nullptr;
  }
}
