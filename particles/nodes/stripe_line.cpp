#include "particles/nodes/stripe_line.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/ds_error.h"
#include "particles/nodes/particle_system.h"

namespace {

// value x (r x (1 - f) + f) x graph(x), r drawn from the runtime's rand().
float Jittered(const JitterGraphParam& p, float at) {
  const float f = p.jitter.derived;
  const float r = crt_rand01();
  int32_t cursor = 1;
  const ZVI_VGraph* g = p.graph.Graph();
  return p.value.derived * (r * (1.0f - f) + f) * (g ? g->ValueAt(at, cursor) : 1.0f);
}

D3DXVECTOR3 Lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float f) { return a + (b - a) * f; }

}  // namespace

void ZVI_PtclSysNode_StripeLine::SetupParticle(Particle* particle) {
  ZVI_PtclSysNode_Picture::SetupParticle(particle);
  ZVI_PtclSys_Physics* curves = CurvePhysics();
  if (!curves || !physics) return;
  // The curve physics keeps the particle counted: hand it the node's pointer.
  for (auto it = physics->particles.rbegin(); it != physics->particles.rend(); ++it) {
    if (it->get() == particle) {
      const ParticleVector one{*it};
      curves->Generate(&one);
      return;
    }
  }
}

int32_t ZVI_PtclSysNode_StripeLine::Step(float dt, const ParticleVector* sources) {
  if (ZVI_PtclSys_Physics* curves = CurvePhysics()) curves->Update(sources, dt);
  BuildStripes();
  return ZVI_PtclSysNode_Picture::Step(dt, sources);
}

void ZVI_PtclSysNode_StripeLine::BuildStripes() {
  stripes.clear();
  ZVI_PtclSys_CurveOps* ops = GetCurvePhysics();
  if (!ops) return;
  std::vector<ParticleStripe>& curves = ops->Curves();
  for (size_t i = 0; i < curves.size(); ++i) {
    const ParticleStripe& curve = curves[i];
    D3DXVECTOR3 head(1, 1, 1);
    if (physics && i < physics->particles.size() && physics->particles[i]) head = physics->particles[i]->scale;
    const StripeTransform t = MakeStripeTransform(i);
    float colour[4] = {1, 1, 1, 1};
    if (curve.particle && curve.particle->parent) {
      const Particle& owner = *curve.particle->parent;
      colour[0] = owner.color.x;
      colour[1] = owner.color.y;
      colour[2] = owner.color.z;
      colour[3] = std::fmin(1.0f, owner.GetWorldAlpha());
    }
    stripes.emplace_back();
    static const ParticleVector none;
    BuildStripe(stripes.back(), curve.points ? curve.points->particles : none, t, colour, head);
  }
}

StripeTransform ZVI_PtclSysNode_StripeLine::MakeStripeTransform(size_t i) {
  StripeTransform t;
  D3DXMatrixIdentity(&t.matrix);
  ZVI_PtclSys_CurveOps* ops = GetCurvePhysics();
  if (!ops || i >= ops->Curves().size()) return t;
  const ParticlePtr& record = ops->Curves()[i].particle;
  t.figure = parent ? parent->GetFigure() : nullptr;
  const int32_t mapping = figureMapping.value;
  t.mode = t.figure && t.figure->HasDirections() ? mapping : 0;
  // The figure modes read the ancestors two and three steps up; without them,
  // or with a mapping outside 0 to 2, the curve is placed by matrix.
  const Particle* two = record && record->parent ? record->parent->parent.get() : nullptr;
  const Particle* three = two ? two->parent.get() : nullptr;
  if (t.mode < 0 || t.mode > 2 || !three) t.mode = 0;
  if (t.mode == 0) {
    const float s = Jittered(ops->SizeBlock(), 0.0f);
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, s, s, s);
    t.matrix = record ? scale * record->GetWorldMatrix() : scale;
    if (clipMode.value == 0) {
      D3DXVECTOR3 head(1, 1, 1);
      if (physics && i < physics->particles.size() && physics->particles[i]) head = physics->particles[i]->scale;
      D3DXMATRIX stretch;
      D3DXMatrixScaling(&stretch, head.x, 1, 1);
      t.matrix = stretch * t.matrix;
    }
    return t;
  }
  t.matrix = three->GetWorldMatrix();
  t.mapping = two->auxVector;
  return t;
}

D3DXVECTOR3 ZVI_PtclSysNode_StripeLine::TransformStripePoint(const StripeTransform& t, const D3DXVECTOR3& p) const {
  D3DXVECTOR3 at = p;
  if (t.mode != 0 && t.figure) {
    const D3DXVECTOR3 uv = t.mode == 1 ? D3DXVECTOR3(p.x, t.mapping.y, 0) : D3DXVECTOR3(t.mapping.x, p.x, 0);
    D3DXVECTOR3 position(0, 0, 0), d(0, 0, 0);
    t.figure->PointAtUV(uv.x, uv.y, &position, nullptr);
    t.figure->DirectionAt(position, uv, &d);
    if (t.mode == 1) {
      const D3DXVECTOR3 n(-d.y, d.x, 0);
      at = position + n * (p.y * t.figure->AxisLength(t.mapping.y));
    } else {
      at = position + d * (p.y * t.figure->CrossWidth(t.mapping.x));
    }
  }
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &at, &t.matrix);
  return out;
}

void ZVI_PtclSysNode_StripeLine::BuildStripe(Stripe& stripe, const ParticleVector& points, const StripeTransform& t,
                                             const float colour[4], const D3DXVECTOR3& head) {
  ZVI_PtclSys_CurveOps* ops = GetCurvePhysics();
  if (!ops) return;
  const float h = figureMapping.value != 0 ? Jittered(ops->SizeBlock(), 0.0f) / 100.0f : 1.0f;
  float lo = 0.0f, hi = 1.0f;
  if (clipMode.value == 1) {
    lo = std::fmax(0.0f, head.x - h);
    hi = std::fmin(1.0f, head.x);
  }
  // An empty window (e.g. a head x-scale of 0) draws nothing: no division by 0.
  if (!(hi > lo)) return;
  const float w = 1.0f / (hi - lo);
  float widest = 0.0f;
  auto append = [&](const D3DXVECTOR3& p) {
    const float at = (p.x - lo) * w;
    StripeSample s;
    const D3DXVECTOR3 placed = TransformStripePoint(t, p);
    s.x = placed.x;
    s.y = placed.y;
    s.z = placed.z;
    s.r = colour[0];
    s.g = colour[1];
    s.b = colour[2];
    s.a = colour[3] * Jittered(ops->AlphaBlock(), at);
    s.width = Jittered(ops->WidthBlock(), at) * head.y;
    widest = std::fmax(widest, s.width);
    stripe.samples.push_back(s);
  };
  bool havePrevious = false;
  D3DXVECTOR3 previous(0, 0, 0);
  for (const ParticlePtr& point : points) {
    if (!point) continue;
    const D3DXVECTOR3 p = point->GetWorldPosition();
    if (p.x < lo) {
      previous = p;
      havePrevious = true;
      continue;
    }
    if (stripe.samples.empty() && havePrevious && previous.x < lo) {
      const float d = p.x - previous.x;
      append(d != 0.0f ? Lerp(previous, p, (lo - previous.x) / d) : previous);
    }
    if (p.x > hi && !stripe.samples.empty()) {
      const float d = p.x - previous.x;
      append(d != 0.0f ? Lerp(previous, p, (hi - previous.x) / d) : previous);
      break;
    }
    append(p);
    previous = p;
    havePrevious = true;
  }
  auto maker = std::make_shared<ZVI_StraightSkeletonOffset>();
  D3DXVECTOR3 holder(0, 0, 0);
  maker->Build(static_cast<uint32_t>(stripe.samples.size()), [&stripe, &holder](uint32_t i) -> const D3DXVECTOR3& {
    if (i < stripe.samples.size()) holder = D3DXVECTOR3(stripe.samples[i].x, stripe.samples[i].y, stripe.samples[i].z);
    return holder;
  });
  maker->Compute(widest);
  stripe.maker = maker;
}

void ZVI_PtclSysNode_StripeLine::FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) {
  filledBatches_ = 0;
  // The batches in the order the picture's draw takes them.
  if (visible.value == 0) {
    FillChildren(object, index);
    return;
  }
  if (childrenAfter.value == 0) FillChildren(object, index);
  drawFlags &= ~1u;
  const int32_t i = (*index)++;
  filledBatches_ = 1;
  if (MeshRecord* b = object->Batch(i)) {
    if (!b->indexBuffer || !b->vertexBuffer) b->EnsureBatchCapacity(1, 1);
    uint16_t triangles = 0, vertices = 0;
    MeshBandIndexHolder indexHolder(*b);
    MeshBandVertexHolder vertexHolder(*b);
    for (const Stripe& stripe : stripes) {
      if (!stripe.maker) continue;
      std::unique_ptr<ZVI_StripeMeshBuilder> builder = stripe.maker->CreateMeshBuilder(&indexHolder, &vertexHolder);
      if (builder) builder->Build(triangles, vertices, StripeLineCallback(stripe.samples, tint.value, tint.Alpha()));
    }
    b->EnsureBatchCapacity(vertices, triangles);
    object->filled[static_cast<size_t>(i)] = 1;
  }
  // No radial glow: the draw, seeing one batch filled, takes none for it.
  if (childrenAfter.value == 1) FillChildren(object, index);
}

void ZVI_PtclSysNode_StripeLine::ReadStripePart(DS_IOF_Archive& ar) {
  zvi_string className;
  uint32_t version = 0;
  ar.ReadWideString(&className);
  ar.ReadUInt(&version);
  if (version > 1) ar.ReadInt(&clipMode.value);
  if (version > 2) ar.ReadInt(&figureMapping.value);
  zvi_string dynamicName;
  int32_t dynamicVersion = 0;
  ar.ReadWideString(&dynamicName);
  ar.ReadInt(&dynamicVersion);
  ZVI_PtclSysNodePic_TexDynamic::ReadRecord(ar, dynamicVersion);
}

ZVI_PtclSysNode_CurveLine::ZVI_PtclSysNode_CurveLine(std::u16string_view physicsClass)
    : curvePhysics(CreateDefaultPhysics(physicsClass)) {}

void ZVI_PtclSysNode_CurveLine::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  zvi_string className;
  int32_t version = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&version);
  // The curve physics' fields have no length: without the class they cannot
  // be passed over, and the file is refused.
  ZVI_PtclSys_CurveOps* ops = GetCurvePhysics();
  if (!ops) throw DS_Error(kWrongFileFormat);
  ops->ReadRecord(ar, version);
  ReadStripePart(ar);
}
