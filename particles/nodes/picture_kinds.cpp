#include "particles/nodes/picture_kinds.h"

#include <algorithm>

#include "core/archive.h"
#include "particles/nodes/particle_system.h"

namespace {

void ReadPictureTail(ZVI_PtclSysNode_Picture& node, DS_IOF_Archive& ar) {
  zvi_string className;
  int32_t version = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&version);
  node.ZVI_PtclSysNode_Picture::ReadRecord(ar, version);
}

D3DXVECTOR3 Point(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &p, &m);
  return out;
}

D3DXVECTOR3 Direction(const D3DXVECTOR3& d, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &d, &m);
  return out;
}

}  // namespace

ZVI_PtclSysNodePic_Explode::ZVI_PtclSysNodePic_Explode() {
  physics = CreateDefaultPhysics(u"ZVI_PtclSysPhys_ExplodingPic");
}

void ZVI_PtclSysNodePic_Explode::SetupParticle(Particle* particle) {
  ZVI_PtclSysNode_Picture::SetupParticle(particle);
  const float h = particle->size * 0.5f;
  // The physics places the pieces in [-0.5, 0.5].
  const float x = particle->position.x + 0.5f;
  const float y = particle->position.y + 0.5f;
  particle->texWindow[0] = x - h;
  particle->texWindow[1] = x + h;
  particle->texWindow[2] = y - h;
  particle->texWindow[3] = y + h;
  const float s = static_cast<float>(particleSize.value);
  particle->position.x = s * axisU.x * particle->position.x;
  particle->position.y = s * axisV.y * particle->position.y;
}

void ZVI_PtclSysNodePic_Explode::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadPictureTail(*this, ar); }

void ZVI_PtclSysNodePic_2DText::Attach(ZVI_PtclSys_Constructor* controller) {
  ZVI_PtclSysNode_Picture::Attach(controller);
  if (controller && physics) physics->SetTiming(&controller->timing);
}

void ZVI_PtclSysNodePic_2DText::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadPictureTail(*this, ar); }

void ZVI_PtclSysNodePic_2DText::FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) {
  filledBatches_ = 0;
  if (visible.value == 0) {
    FillChildren(object, index);
    return;
  }
  if (childrenAfter.value == 0) FillChildren(object, index);
  drawFlags &= ~1u;
  const int32_t i = (*index)++;
  filledBatches_ = 1;
  static const ParticleVector none;
  const ParticleVector& particles = physics ? physics->particles : none;
  if (MeshRecord* b = object->Batch(i)) {
    const auto n = static_cast<int32_t>(particles.size());
    if (b->triangleCapacity < 2 * n || b->triangleCount != 2 * n || !b->vertexBuffer) b->PrepareQuadBatch(n);
    b->triangleCount = 2 * n;
    auto* v = static_cast<BandVertex*>(b->LockVertices());
    if (v) {
      const COLORREF tintColour = tint.value;
      const uint8_t tintAlpha = tint.Alpha();
      for (int32_t k = 0; k < n; ++k) {
        const Particle* p = particles[static_cast<size_t>(k)].get();
        BandVertex* q = v + 4 * k;
        if (!p) {
          std::fill(q, q + 4, BandVertex{});
          continue;
        }
        const float xf = p->quadWindow[0], xt = p->quadWindow[1];
        const float sx = p->scale.x, sy = p->scale.y;
        const D3DXMATRIX w = p->GetWorldMatrix();
        const D3DXVECTOR3 o = Point(D3DXVECTOR3(xf * sx, 0, 0), w);
        const D3DXVECTOR3 x = Direction(D3DXVECTOR3((xt - xf) * sx, 0, 0), w);
        const D3DXVECTOR3 y = Direction(D3DXVECTOR3(0, sy, 0), w);
        const D3DXVECTOR3 c[4] = {o + y, o, o + x + y, o + x};
        const uint32_t colour = QuadColour(tintColour, tintAlpha, p->color, p->GetWorldAlpha());
        const float uFrom = p->texWindow[0], uTo = p->texWindow[1];
        const float vFrom = p->texWindow[2], vTo = p->texWindow[3];
        const float uA = uFrom + xf * (uTo - uFrom), uB = uFrom + xt * (uTo - uFrom);
        const float uv[4][2] = {{uA, vTo}, {uA, vFrom}, {uB, vTo}, {uB, vFrom}};
        for (int j = 0; j < 4; ++j)
          q[j] = BandVertex{c[j].x, c[j].y, c[j].z, colour, uv[j][0], uv[j][1], uv[j][0], uv[j][1]};
      }
      b->UnlockVertices();
      object->filled[static_cast<size_t>(i)] = 1;
    } else {
      b->triangleCount = 0;
    }
  }
  if (radialGlow.enabled.value != 0) {
    radialGlow.Fill(object, index, particles, static_cast<float>(particleSize.value));
    filledBatches_ = 2;
  }
  if (childrenAfter.value == 1) FillChildren(object, index);
}
