#include "particles/imitters/single_particle.h"

ClassicParticleList& EmptyParticleList(ClassicParticleList& out, float) {
  out.clear();
  return out;
}

namespace {
// Without a resolved image the quad still follows its corners; the draw
// itself is skipped elsewhere.
const ImageFrameSet& ImageOrDefault(const ClassicParticleParams& params) {
  static const ImageFrameSet kNone;
  const ImageFrameSet* image = params.FirstImage();
  return image ? *image : kNone;
}
}  // namespace

void ZVI_SingleParticle::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (!runtimeObject) return;
  runtimeObject->SizeBatches(1);
  runtimeObject->PrepareBatch(0, 1, ImageOrDefault(params), params);
  RewriteQuad();
}

void ZVI_SingleParticle::UpdateQuad() { RewriteQuad(); }

void ZVI_SingleParticle::RewriteQuad() {
  if (!runtime || runtime->batches.empty()) return;
  ZVI_ParticleSystemMech::Batch* batch = runtime->BatchAt(0);
  if (!batch || !batch->vertexBuffer || batch->vertexCount < 4) return;
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  static constexpr int kCornerOf[4] = {1, 0, 3, 2};
  for (int i = 0; i < 4; ++i) {
    const D3DXVECTOR3& c = quad.corners[kCornerOf[i]].value;
    v[i].x = c.x, v[i].y = c.y, v[i].z = c.z;
  }
  batch->Unlock();
  // Locks the buffer on its own.
  runtime->WriteTexCoords(0, ImageOrDefault(params), params);
}
