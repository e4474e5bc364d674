#include "geometry/stripe_mesh_d3d.h"

#include <cstring>

namespace {

// Creates, locks and fills a replacement buffer; null (and nothing changed)
// when the device refuses it.
template <class Buffer, class Create>
void* Replace(Buffer*& buffer, void*& locked, uint32_t used_bytes, Create create) {
  Buffer* fresh = nullptr;
  if (FAILED(create(&fresh)) || !fresh) return nullptr;
  void* data = nullptr;
  if (FAILED(fresh->Lock(0, 0, &data, 0)) || !data) {
    fresh->Release();
    return nullptr;
  }
  if (buffer) {
    if (locked && used_bytes) std::memcpy(data, locked, used_bytes);
    if (locked) buffer->Unlock();
    buffer->Release();
  }
  buffer = fresh;
  locked = data;
  return data;
}

}  // namespace

ZVI_D3DBandVertexHolder::~ZVI_D3DBandVertexHolder() {
  if (buffer_) {
    if (locked_) buffer_->Unlock();
    buffer_->Release();
  }
}

BandVertex* ZVI_D3DBandVertexHolder::Lock() {
  if (!buffer_) return nullptr;
  void* data = nullptr;
  if (FAILED(buffer_->Lock(0, 0, &data, 0))) return nullptr;
  locked_ = static_cast<BandVertex*>(data);
  return locked_;
}

void ZVI_D3DBandVertexHolder::Unlock() {
  if (buffer_ && locked_) buffer_->Unlock();
  locked_ = nullptr;
}

BandVertex* ZVI_D3DBandVertexHolder::Grow(uint32_t used, uint32_t new_capacity) {
  if (!device_) return nullptr;
  void* locked = locked_;
  void* data = Replace(buffer_, locked, used * static_cast<uint32_t>(sizeof(BandVertex)),
                       [&](IDirect3DVertexBuffer9** out) {
                         return device_->CreateVertexBuffer(new_capacity * sizeof(BandVertex), 0, kBandVertexFVF,
                                                            D3DPOOL_MANAGED, out, nullptr);
                       });
  if (!data) return nullptr;
  locked_ = static_cast<BandVertex*>(data);
  capacity_ = new_capacity;
  return locked_;
}

ZVI_D3DBandIndexHolder::~ZVI_D3DBandIndexHolder() {
  if (buffer_) {
    if (locked_) buffer_->Unlock();
    buffer_->Release();
  }
}

uint16_t* ZVI_D3DBandIndexHolder::Lock() {
  if (!buffer_) return nullptr;
  void* data = nullptr;
  if (FAILED(buffer_->Lock(0, 0, &data, 0))) return nullptr;
  locked_ = static_cast<uint16_t*>(data);
  return locked_;
}

void ZVI_D3DBandIndexHolder::Unlock() {
  if (buffer_ && locked_) buffer_->Unlock();
  locked_ = nullptr;
}

uint16_t* ZVI_D3DBandIndexHolder::Grow(uint32_t used, uint32_t new_capacity) {
  if (!device_) return nullptr;
  void* locked = locked_;
  void* data = Replace(buffer_, locked, used * 6u, [&](IDirect3DIndexBuffer9** out) {
    return device_->CreateIndexBuffer(new_capacity * 6u, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, out,
                                      nullptr);
  });
  if (!data) return nullptr;
  locked_ = static_cast<uint16_t*>(data);
  capacity_ = new_capacity;
  return locked_;
}
