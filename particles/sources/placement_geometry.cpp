#include "particles/sources/placement_geometry.h"

#include <cstdint>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "core/reader_registry.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/block_readers.h"
#include "particles/sources/emitter_geometry.h"
#include "particles/sources/points.h"

namespace {

// Children a file may ask for, kept below the particle ceiling.
size_t Room(const ParticleVector& held, uint64_t asked) {
  const size_t room = held.size() >= kMaxPhysicsParticles ? 0 : kMaxPhysicsParticles - held.size();
  return asked < room ? static_cast<size_t>(asked) : room;
}

void ReadRawUnsigned(DS_IOF_Archive& ar, MediaParamT<unsigned int>& param) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  param.value = v;
}

constexpr float kTraceSpacing = 10.0f;
constexpr float kTraceLife = 2.0f;

}  // namespace

ParticleVector ZVI_PSGeometry_Point::Place(ParticlePtr parent) {
  ParticlePtr child = NewHeldParticle(parent);
  if (parent) child->AddTransform(new PtclTr_InheritAge());
  child->AddTransform(new PtclTr_AgeTransform(1, &sizeEnvelope));
  child->AddTransform(new PtclTr_AgeTransform(2, &alphaEnvelope));
  child->AddTransform(new PtclTr_InheritVectorPrm(3));
  child->flags |= ParticleFlags::ParentRelative | ParticleFlags::DiesWithParent;
  return ParticleVector{child};
}

void ZVI_PSGeometry_Point::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadGeometryRecord(ar, *this); }

// ---------------------------------------------------------------------------

ParticleVector ZVI_PSGeometry_Trace::Emit(float, const ParticlePtr& parent) {
  if (!parent) return {};
  const D3DXVECTOR3 w = parent->GetWorldPosition();
  D3DXVECTOR3 heading;
  D3DXVec3Normalize(&heading, &parent->velocity);
  float d = 0.0f;
  if (held.size() >= 2) {
    const D3DXVECTOR3 gap = w - held[held.size() - 2]->position;
    d = D3DXVec3Length(&gap);
    if (d < kTraceSpacing) {
      Particle* last = held.back().get();
      last->position = w;
      last->heading = heading;
      last->texScaleOffset[0] = d;
      return {};
    }
  }
  if (held.size() >= kMaxPhysicsParticles) return {};
  ParticlePtr point(new Particle());
  point->AddTransform(new PtclTr_MaxAge(kTraceLife));
  point->position = w;
  point->heading = heading;
  point->texScaleOffset[0] = d;
  held.push_back(point);
  return ParticleVector{point};
}

void ZVI_PSGeometry_Trace::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadGeometryRecord(ar, *this); }

// ---------------------------------------------------------------------------

ZVI_PSGeometry_Swarm::ZVI_PSGeometry_Swarm() {
  speed.SetScaleOffset(0.04f, 0.0f);
  changeRate.SetScaleOffset(0.02f, 0.1f);
  responseTime.SetScaleOffset(0.02f, 0.02f);
}

ParticleVector ZVI_PSGeometry_Swarm::Place(ParticlePtr parent) {
  const size_t n = Room(held, count.value);
  ParticleVector out;
  out.reserve(n);
  const float w = static_cast<float>(width.value);
  const float h = static_cast<float>(height.value);
  for (size_t k = 0; k < n; ++k) {
    ParticlePtr child = NewHeldParticle(parent);
    child->position.x += (crt_rand01() - 0.5f) * w;
    child->position.y += (crt_rand01() - 0.5f) * h;
    child->AddTransform(new PtclTr_Brownian(this));
    child->flags |= ParticleFlags::ParentRelative | ParticleFlags::DiesWithParent;
    out.push_back(child);
  }
  return out;
}

void ZVI_PSGeometry_Swarm::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawUnsigned(ar, count);
  speed.Read(ar);
  changeRate.Read(ar);
  responseTime.Read(ar);
  ReadRawUnsigned(ar, width);
  ReadRawUnsigned(ar, height);
  ReadGeometryRecord(ar, *this);
}

// ---------------------------------------------------------------------------

ZVI_PtclSys_Source::ZVI_PtclSys_Source() {
  figure.SetFigure(DS_SafePtr<ZVI_VFigure>(new ZVI_VFigure_Rect()), nullptr);
}

void ZVI_PtclSys_Source::ReadSourceRecord(DS_IOF_Archive& ar) {
  SkipRecordName(ar);
  figure.SetFigure(ReadFigureByName(ar), nullptr);
  ReadGeometryRecord(ar, *this);
}

ZVI_PSSource_Group::ZVI_PSSource_Group() {
  rowStep.SetScaleOffset(0.017453292f, 0.0f);
  columnStep.SetScaleOffset(0.017453292f, 0.0f);
}

ParticleVector ZVI_PSSource_Group::Place(ParticlePtr parent) {
  const uint32_t r = rows.value;
  const uint32_t c = columns.value;
  const size_t n = Room(held, static_cast<uint64_t>(r) * c);
  ParticleVector out;
  out.reserve(n);
  ZVI_VFigure* shape = figure.Figure();
  for (size_t i = 0; i < n; ++i) {
    currentPhase = static_cast<float>(i / c) * rowStep.derived / static_cast<float>(r) +
                   static_cast<float>(i % c) * columnStep.derived / static_cast<float>(c);
    ParticlePtr child = NewHeldParticle(parent);
    if (shape) {
      if (placement.value == 0) {
        D3DXVECTOR3 cell(0, 0, 0);
        shape->GridPoint(&cell, static_cast<int32_t>(i), static_cast<int32_t>(r), static_cast<int32_t>(c));
        child->position += cell;
      } else {
        child->position = position.value;
        shape->SpawnOffset(&child->position);
      }
    }
    child->flags |= ParticleFlags::ParentRelative | ParticleFlags::DiesWithParent;
    out.push_back(child);
  }
  return out;
}

void ZVI_PSSource_Group::InitParticle(Particle* p) {
  const int32_t n = atlasColumns < 1 ? 1 : atlasColumns;
  const int32_t m = atlasRows < 1 ? 1 : atlasRows;
  const int32_t column = crt_rand() % n;
  const int32_t row = crt_rand() % m;
  p->texScaleOffset[0] = 1.0f / static_cast<float>(n);
  p->texScaleOffset[1] = 1.0f / static_cast<float>(m);
  p->texScaleOffset[2] = static_cast<float>(column) / static_cast<float>(n);
  p->texScaleOffset[3] = static_cast<float>(row) / static_cast<float>(m);
  p->AddTransform(new PtclTr_JitterCtrl(1, &sizeJitter));
  p->AddTransform(new PtclTr_JitterUpdater(2, &alphaJitter));
  const VariationParams* oscillations[4] = {&sizeOscillation, &alphaOscillation, &offsetXOscillation,
                                            &offsetYOscillation};
  for (int32_t k = 0; k < 4; ++k) {
    p->AddTransform(new PtclTr_Oscilator(k + 1, oscillations[k], k < 2 ? 1.0f : 0.0f, currentPhase));
  }
  const float spread = crt_rand01() * 2.0f - 1.0f;
  const float spin_random = crt_rand01();
  const float sign = (crt_rand() & 1) ? 1.0f : -1.0f;
  p->AddTransform(new PtclTr_StandardSpin(&spin, spread, spin_random, sign));
}

void ZVI_PSSource_Group::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawUnsigned(ar, rows);
  ReadRawUnsigned(ar, columns);
  ReadStoredInt(ar, placement);
  rowStep.Read(ar);
  columnStep.Read(ar);
  ReadSourceRecord(ar);
}

void RegisterPlacementGeometryReaders() {
  RegisterReader<ZVI_PSGeometry_Point, ZVI_IOF_Item>(u"ZVI_PSGeometry_Point");
  RegisterReader<ZVI_PSGeometry_Trace, ZVI_IOF_Item>(u"ZVI_PSGeometry_Trace");
  RegisterReader<ZVI_PSGeometry_Swarm, ZVI_IOF_Item>(u"ZVI_PSGeometry_Swarm");
  RegisterReader<ZVI_PSSource_Group, ZVI_IOF_Item>(u"ZVI_PSSource_Group");
}
