#include "particles/sources/point_groups.h"

#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/block_readers.h"
#include "particles/sources/source_physics.h"

namespace {

// The parents' children that fit under the cap, in parent order.
size_t ChildrenRoom(const ZVI_PtclSysPhys_Points& physics) { return physics.Room(); }

}  // namespace

ParticleVector ZVI_PtclSysPhys_ConstPntGroup::Generate(const ParticleVector* parents) {
  if (!parents) return {};
  size_t room = ChildrenRoom(*this);
  const uint64_t asked = static_cast<uint64_t>(count.value) * parents->size();
  ParticleVector out;
  out.reserve(static_cast<size_t>(std::min<uint64_t>(asked, room)));
  for (const ParticlePtr& parent : *parents) {
    for (uint32_t k = 0; k < count.value && out.size() < room; ++k) {
      ParticlePtr p(new Particle(parent));
      out.push_back(p);
      InitParticle(p.get());
    }
  }
  AppendParticles(out);
  return out;
}

void ZVI_PtclSysPhys_ConstPntGroup::InitParticle(Particle* particle) {
  particle->flags |= ParticleFlags::DiesWithParent;
}

void ZVI_PtclSysPhys_ConstPntGroup::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadStoredUnsigned(ar, count);
  ReadPointsRecord(ar);
}

void ZVI_PtclSysPhys_ConstPntGroup::ReadGroupBase(DS_IOF_Archive& ar) {
  ZVI_PtclSysPhys_ConstPntGroup::ReadRecord(ar, ReadRecordName(ar));
}

// ---------------------------------------------------------------------------

ZVI_PtclSysPhys_Track::ZVI_PtclSysPhys_Track() {
  std::unique_ptr<ZVI_VGeom2D> made = CreateDefaultByName<ZVI_VGeom2D>(u"ZVI_VGeom2D_BSpline");
  if (auto* c = dynamic_cast<ZVI_VGeom2D_Curve*>(made.get())) {
    made.release();
    curve.SetGeometry(c);
  }
}

void ZVI_PtclSysPhys_Track::InitParticle(Particle* particle) {
  if (!curve.value) return;
  particle->AddTransform(new PtclTr_FollowCurve(&curve, &path, &waits));
}

void ZVI_PtclSysPhys_Track::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  std::unique_ptr<ZVI_VGeom2D> read = ReadObjectOf<ZVI_VGeom2D>(ar);
  auto* c = dynamic_cast<ZVI_VGeom2D_Curve*>(read.get());
  if (c) {
    read.release();
    curve.SetGeometry(c);
  } else if (curve.value) {
    curve.value = DS_SafePtr<ZVI_VGeom2D_Curve>();
    curve.Notify(nullptr);
  }
  if (version <= 1) {
    ReadFollowCurveHead(ar, path.head);
  } else {
    int32_t v = 0;
    ar.ReadInt(&v);
    ReadNotifiedUnsigned(ar, path.perspectiveDepth);
    if (v > 1) ReadStoredInt(ar, path.reverse);
    ReadFollowCurveHead(ar, path.head);
    int32_t ignored = 0;
    ar.ReadInt(&ignored);
    ReadNotifiedUnsigned(ar, waits.startWait);
    ReadNotifiedUnsigned(ar, waits.endWait);
    ReadStoredInt(ar, waits.hideAtStart);
    ReadStoredInt(ar, waits.hideAtEnd);
  }
  ReadGroupBase(ar);
}

void ZVI_PtclSysPhys_TrackPerspective::InitParticle(Particle* particle) {
  if (!curve.value) return;
  auto* line = new ZVI_VGeom2D_LineSegment();
  line->SetEnds(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(100, 0, 0));
  particle->AddTransform(new PtclTr_PerspectivePath(line, &path, &waits, &curve));
}

void ZVI_PtclSysPhys_TrackPerspective::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ZVI_PtclSysPhys_Track::ReadRecord(ar, ReadRecordName(ar));
}

// ---------------------------------------------------------------------------

ZVI_PtclSysPhys_PntNest::ZVI_PtclSysPhys_PntNest() {
  SetOriginUI(OriginUIPtr(CreateOriginUIByName(u"DS_PtclSys_Origin_UI_Rect")));
}

void ZVI_PtclSysPhys_PntNest::InitParticle(Particle* particle) {
  if (ZVI_VGeom2D* f = figure.value.get()) f->RandomPoint(&particle->position, &particle->auxVector);
}

void ZVI_PtclSysPhys_PntNest::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version < 2) SetPhysicsGeometry(*this, ReadVGeom2D(ar));
  ReadGroupBase(ar);
}

void ZVI_PtclSysPhys_PntNest::ReadNestBase(DS_IOF_Archive& ar) {
  ZVI_PtclSysPhys_PntNest::ReadRecord(ar, ReadRecordName(ar));
}

void ZVI_PtclSysPhys_Swarm::InitParticle(Particle* particle) {
  ZVI_PtclSysPhys_PntNest::InitParticle(particle);
  if (figure.value) particle->AddTransform(new PtclTr_RandomFly(figure.value, &swarm));
}

void ZVI_PtclSysPhys_Swarm::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version < 2) {
    SetPhysicsGeometry(*this, ReadVGeom2D(ar));
    ReadSwarmParams(ar, swarm);
    ReadGroupBase(ar);
  } else {
    ReadSwarmParams(ar, swarm);
    ReadNestBase(ar);
  }
}

void ZVI_PtclSysPhys_Flow::InitParticle(Particle* particle) {
  ZVI_PtclSysPhys_PntNest::InitParticle(particle);
  if (!figure.value) return;
  const float r1 = crt_rand01();
  const float r2 = crt_rand01();
  particle->AddTransform(new PtclTr_Flow(figure.value, &flow, r1, r2));
}

void ZVI_PtclSysPhys_Flow::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version < 2) {
    SetPhysicsGeometry(*this, ReadVGeom2D(ar));
    ReadFlowParams(ar, flow);
    ReadGroupBase(ar);
  } else {
    ReadFlowParams(ar, flow);
    ReadNestBase(ar);
  }
}

// ---------------------------------------------------------------------------

ZVI_PtclSysPhys_LifeEndless::ZVI_PtclSysPhys_LifeEndless() { lifetime.value.SetScaleOffset(0.1f, 0.0f, 10u); }

void ZVI_PtclSysPhys_LifeEndless::InitParticle(Particle* particle) {
  particle->flags |= ParticleFlags::DiesWithParent;
  particle->AddTransform(new PtclTr_PhoenixLife(LifetimeSeconds(lifetime)));
}

void ZVI_PtclSysPhys_LifeEndless::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadJitterGraphParam(ar, lifetime);
  ReadPointsRecord(ar);
}

void ZVI_PtclSysPhys_LifeEndless::ReadEndlessBase(DS_IOF_Archive& ar) {
  ZVI_PtclSysPhys_LifeEndless::ReadRecord(ar, ReadRecordName(ar));
}

ParticleVector ZVI_PtclSysPhys_FixedSpots::Generate(const ParticleVector* parents) {
  ZVI_VGeom2D* f = figure.value.get();
  if (!parents || !f || !f->HasDirections()) return {};
  const uint32_t rowCount = rows.value, columnCount = columns.value;
  const size_t room = Room();
  ParticleVector out;
  out.reserve(static_cast<size_t>(
      std::min<uint64_t>(static_cast<uint64_t>(rowCount) * columnCount * parents->size(), room)));
  const float a = 0.5f / static_cast<float>(rowCount);
  const float b = 0.5f / static_cast<float>(columnCount);
  for (const ParticlePtr& parent : *parents) {
    for (uint32_t i = 0; i < columnCount && out.size() < room; ++i) {
      for (uint32_t j = 0; j < rowCount && out.size() < room; ++j) {
        const float u = static_cast<float>(2 * static_cast<uint64_t>(i) + 1) * b;
        const float v = static_cast<float>(2 * static_cast<uint64_t>(j) + 1) * a;
        ParticlePtr p(new Particle(parent));
        InitParticle(p.get());
        p->auxVector = D3DXVECTOR3(u, v, 0);
        f->PointAtUV(u, v, &p->position, nullptr);
        if (loop.value == 1) p->AddTransform(new PtclTr_Loop(figure.value, u, v, &loopBlock, crt_rand01()));
        out.push_back(p);
      }
    }
  }
  AppendParticles(out);
  return out;
}

void ZVI_PtclSysPhys_FixedSpots::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadStoredUnsigned(ar, rows);
  ReadStoredUnsigned(ar, columns);
  if (version >= 2) {
    ReadStoredInt(ar, loop);
    ReadLoopMotionParams(ar, loopBlock);
  }
  ReadEndlessBase(ar);
}

// ---------------------------------------------------------------------------

ZVI_PtclSysPhys_RootPnt::ZVI_PtclSysPhys_RootPnt(const D3DXVECTOR3& at) {
  position = at;
  scale.SetScaleOffset(0.01f, 0.0f, 100u);
  // In effect until the clock's first tick.
  scale.driven = scale.derived;
  transparency.driven = transparency.derived;
  sizeEntry = DS_SafePtr<AnimatedParamEntry>(new AnimatedParamEntry{u"Size", &scale.chrono});
  translucencyEntry = DS_SafePtr<AnimatedParamEntry>(new AnimatedParamEntry{u"Translucency", &transparency.chrono});
  ParticlePtr root(new Particle());
  root->AddTransform(new PtclTr_Orientation(&orientation));
  root->AddTransform(new PtclTr_RefMultiplicator(1, &scale.driven));
  root->AddTransform(new PtclTr_RefMultiplicator(2, &transparency.driven));
  particles.push_back(root);
}

ParticleVector ZVI_PtclSysPhys_RootPnt::Update(const ParticleVector*, float dt) {
  Particle* root = RootParticle();
  if (!root) return {};
  root->position = position.value + offset;
  StepParticle(root, dt);
  return {};
}

void ZVI_PtclSysPhys_RootPnt::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  D3DXVECTOR3 at(0, 0, 0);
  ar.ReadFloat(&at.x);
  ar.ReadFloat(&at.y);
  ar.ReadFloat(&at.z);
  position = at;
  int32_t encoding = 0;
  ar.ReadInt(&encoding);
  ReadStoredInt(ar, orientation.direction);
  ReadNotifiedUnsigned(ar, orientation.rotationSpeed);
  ReadNotifiedUnsigned(ar, orientation.angle);
  // Older files counted the angle the other way round.
  if (encoding < 2 && orientation.angle.value != 180u) orientation.angle.SetValue(360u - orientation.angle.value);
  if (version == 2) {
    ReadNotifiedUnsigned(ar, scale);
    ReadNotifiedUnsigned(ar, transparency);
  } else if (version >= 3) {
    ReadChronoWrap(ar, scale);
    uint32_t flag = 0;
    ar.ReadUInt(&flag);
    ReadNotifiedUnsigned(ar, transparency);
    DS_SafePtr<ZVI_ChronoCtrl> control = ReadChronoCtrl(ar);
    if (control) transparency.InstallChrono(control);
  }
  scale.driven = scale.derived;
  transparency.driven = transparency.derived;
  ReadPointsRecord(ar);
}

void RegisterPointGroupReaders() {
  RegisterReader<ZVI_PtclSysPhys_RootPnt, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_RootPnt");
  RegisterReader<ZVI_PtclSysPhys_ConstPntGroup, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_ConstPntGroup");
  RegisterReader<ZVI_PtclSysPhys_ConstPntGroup, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_PntCloud");
  RegisterReader<ZVI_PtclSysPhys_Track, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_Track");
  RegisterReader<ZVI_PtclSysPhys_TrackPerspective, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_TrackPerspective");
  RegisterReader<ZVI_PtclSysPhys_Swarm, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_Swarm");
  RegisterReader<ZVI_PtclSysPhys_Flow, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_Flow");
  RegisterReader<ZVI_PtclSysPhys_FixedSpots, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_FixedSpots");
}
