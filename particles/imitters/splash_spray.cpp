#include "particles/imitters/splash_spray.h"

#include <algorithm>

#include "core/archive.h"
#include "core/crt.h"

namespace {

void ReadNestedHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

}  // namespace

void ZVI_SplashPtclSys::ResetTime() {
  particles.clear();
  emittedCount = 0;
}

void ZVI_SplashPtclSys::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  params.flags |= kClassicOffsetOscillations;
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
}

ClassicParticleList& ZVI_SplashPtclSys::Emit(ClassicParticleList& out, float dt) {
  ZVI_Timing* timeline = timing.Current();
  if (timeline->GetState() == 1) emittedCount = 0;
  const float due = static_cast<float>(burstCount.value) * timeline->GetVisibility() - static_cast<float>(emittedCount);
  int64_t c = 0;
  if (due >= 1.0f && due < 1.0e18f) c = static_cast<int64_t>(due);
  if (c > 0) emittedCount += c;
  // What the batch cannot hold of the burst is dropped, not kept for later.
  return MakeParticles(out, static_cast<int>(std::min<int64_t>(c, kMaxBatchParticles)));
}

ClassicParticleList& ZVI_SplashPtclSys::MakeParticles(ClassicParticleList& out, int count) {
  count = std::clamp(count, 0, RoomLeft(particles));
  if (useSector.value != 0) sectorSource.Make(out, count);
  else area.Make(out, count);
  for (const ClassicParticlePtr& p : out) SetupParticle(p);
  particles.insert(particles.end(), out.begin(), out.end());
  return out;
}

void ZVI_SplashPtclSys::SetupParticle(const ClassicParticlePtr& p) {
  if (!p) return;
  params.InitParticle(*p, RoutinePtr(new IPR_ConstantAge(life.derived)));
  p->AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
  p->velocity = velocitySector.RandomDirection() * speed.derived;
}

void ZVI_SplashPtclSys::ReadOldTiming(DS_IOF_Archive& ar) {
  params.sizeVariation.Read(ar);
  int32_t ignored = 0;
  ar.ReadInt(&ignored);
  uint32_t t1 = 0, t2 = 0, t3 = 0;
  int32_t flag = 0;
  ar.ReadUInt(&t1);
  ar.ReadUInt(&t2);
  ar.ReadUInt(&t3);
  ar.ReadInt(&flag);
  const uint64_t total = static_cast<uint64_t>(t1) + t2 + t3;
  life.SetValue(static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX)));
  // No durations at all: no fades rather than a division by zero.
  uint32_t e1 = 0, e2 = 100;
  if (total != 0) {
    e1 = static_cast<uint32_t>(static_cast<uint64_t>(t1) * 100u / total);
    e2 = static_cast<uint32_t>((static_cast<uint64_t>(t1) + t2) * 100u / total);
  }
  LifeEnvelopeParams& fading = flag != 0 ? params.sizeEnvelope : params.alphaEnvelope;
  LifeEnvelopeParams& plain = flag != 0 ? params.alphaEnvelope : params.sizeEnvelope;
  fading.fadeInEnd.SetValue(e1);
  fading.fadeOutStart.SetValue(e2);
  plain.fadeInEnd.SetValue(0u);
  plain.fadeOutStart.SetValue(100u);
  // Old splashes do not move by themselves.
  velocitySector.spread.value = 360;
  speed.SetValue(0u);
}

bool ZVI_SplashPtclSys::ReadFields(DS_IOF_Archive& ar, int32_t v) {
  ReadMediaQuad(ar, area.rect);
  D3DXVECTOR3& at = sectorSource.point.value;
  ar.ReadFloat(&at.x);
  ar.ReadFloat(&at.y);
  ar.ReadFloat(&at.z);
  uint32_t u = 0;
  ar.ReadUInt(&u);
  sectorSource.radius.SetValue(u);
  ar.ReadUInt(&u);
  sectorSource.sector.value = u;
  sectorSource.sector.Recompute();
  ar.ReadUInt(&u);
  sectorSource.sector.spread.SetValue(u);
  int32_t i = 0;
  ar.ReadInt(&i);
  useSector.SetValue(i);
  ar.ReadUInt(&u);
  burstCount.SetValue(u);
  if (v >= 2) {
    life.Read(ar);
    life.Notify(nullptr);
    ar.ReadUInt(&u);
    velocitySector.value = u;
    velocitySector.Recompute();
    ar.ReadUInt(&u);
    velocitySector.spread.SetValue(u);
    speed.Read(ar);
  } else {
    ReadOldTiming(ar);
  }
  return ReadNestedRecord(ar);
}

// ---------------------------------------------------------------------------

ClassicParticleList& ZVI_SprayPtclSys::Emit(ClassicParticleList& out, float dt) {
  return MakeParticles(out, counter.Count(timing.Current()->GetVisibility() * dt));
}

bool ZVI_SprayPtclSys::ReadFields(DS_IOF_Archive& ar, int32_t v) {
  counter.rate.Read(ar);
  if (v == 1) {
    // The first layout: the area and the old timing, no header before the base.
    ReadMediaQuad(ar, area.rect);
    ReadOldTiming(ar);
    return ReadNestedRecord(ar);
  }
  int32_t splashVersion = 0;
  ReadNestedHeader(ar, &splashVersion);
  return ZVI_SplashPtclSys::ReadFields(ar, splashVersion);
}

bool ZVI_SprayPtclSys::ReadNestedSpray(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadNestedHeader(ar, &version);
  return ReadFields(ar, version);
}

// ---------------------------------------------------------------------------

bool DS_PtclFog::ReadRecord(DS_IOF_Archive& ar, int32_t v) {
  params.spinSpeed.SetScaleOffset(0.0005f, 0.0f);
  speed.SetScaleOffset(0.01f, 0.0f);
  counter.rate.SetScaleOffset(0.01f, 0.0f);
  uint32_t u = 0;
  ar.ReadUInt(&u);
  kept.SetValue(u);
  return ReadNestedSpray(ar);
}

bool DS_BokehLights::ReadRecord(DS_IOF_Archive& ar, int32_t v) {
  int32_t i = 0;
  ar.ReadInt(&i);
  kept.SetValue(i);
  return ReadNestedSpray(ar);
}

bool DS_PtclSmoke3::ReadRecord(DS_IOF_Archive& ar, int32_t v) {
  uint32_t u = 0;
  ar.ReadUInt(&u);
  kept.SetValue(u);
  return ReadNestedSpray(ar);
}
