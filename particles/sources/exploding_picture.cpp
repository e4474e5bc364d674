#include "particles/sources/exploding_picture.h"

#include <algorithm>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "core/reader_registry.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/block_readers.h"

namespace {

float Jittered(const JitterValue& v) {
  const float j = v.jitter.derived;
  return v.value.derived * (j + crt_rand01() * (1.0f - j));
}

// Stored, then notified whether or not it changed.
void ReadAnnounced(DS_IOF_Archive& ar, UINTSclaleTo<float>& p) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  p.value = v;
  p.Notify(nullptr);
}

}  // namespace

ZVI_PtclSysPhys_ExplodingPic::ZVI_PtclSysPhys_ExplodingPic() {
  for (TimeParam* t : {&wholeMin, &wholeMax, &burstMin, &burstMax}) t->SetValue(100u);
  fragmentSize.value.SetScaleOffset(0.01f, 0.0f, 8u);
  fragmentSize.jitter.SetValue(50u);
  fragmentLifetime.value.SetScaleOffset(0.01f, 0.0f, 50u);
  fragmentLifetime.jitter.SetValue(50u);
  fragmentSpeed.value.SetScaleOffset(10.0f, 0.0f, 60u);
  fragmentSpeed.jitter.SetValue(50u);
  spinner.speed->value.SetScaleOffset(10.0f, 0.0f);
  spinner.speed->jitter.SetValue(100u);
  spinner.mode->SetValue(2);
  phaseLength = DrawLength(wholeMin, wholeMax);
}

float ZVI_PtclSysPhys_ExplodingPic::DrawLength(const TimeParam& min, const TimeParam& max) const {
  return min.derived + crt_rand01() * (max.derived - min.derived);
}

void ZVI_PtclSysPhys_ExplodingPic::Clear() {
  ZVI_PtclSysPhys_Points::Clear();
  elapsed = 0.0f;
  phase = kWhole;
  phaseLength = DrawLength(wholeMin, wholeMax);
}

ParticleVector ZVI_PtclSysPhys_ExplodingPic::Update(const ParticleVector* sources, float dt) {
  ZVI_PtclSysPhys_Points::Update(sources, dt);
  elapsed += dt;
  if (!(elapsed > phaseLength)) return {};
  elapsed -= phaseLength;
  if (phase == kWhole) {
    phase = kBurst;
    phaseLength = DrawLength(burstMin, burstMax);
    ZVI_PtclSysPhys_Points::Clear();
    return Burst(sources);
  }
  phase = kWhole;
  phaseLength = DrawLength(wholeMin, wholeMax);
  return Generate(sources);
}

ParticleVector ZVI_PtclSysPhys_ExplodingPic::Burst(const ParticleVector* sources) {
  if (!sources) return {};
  const size_t room = Room();
  ParticleVector out;
  out.reserve(static_cast<size_t>(
      std::min<uint64_t>(static_cast<uint64_t>(fragments.value) * sources->size(), room)));
  for (const ParticlePtr& source : *sources) {
    for (uint32_t k = 0; k < fragments.value && out.size() < room; ++k) {
      ParticlePtr p(new Particle(source));
      out.push_back(p);
      SetupFragment(p.get());
    }
  }
  AppendParticles(out);
  return out;
}

void ZVI_PtclSysPhys_ExplodingPic::SetupFragment(Particle* p) {
  const float s = Jittered(fragmentSize);
  const D3DXVECTOR3 d = RandomConeDirection(1.0f, 0.0f, 360.0f);
  p->heading = d;
  p->position = 0.5f * d;
  const float e = Jittered(fragmentSpeed);
  p->velocity = e * d;
  p->AddTransform(new PtclTr_PrmMultiplicator(1, s));
  p->AddTransform(new PtclTr_DieOnTimer(Jittered(fragmentLifetime)));
  p->AddTransform(new ZVI_PtclSysEffect<ZVI_PtclSysEffect_Spiner>(spinner));
}

void ZVI_PtclSysPhys_ExplodingPic::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  for (TimeParam* t : {&wholeMin, &wholeMax, &burstMin, &burstMax}) ReadAnnounced(ar, *t);
  ReadStoredUnsigned(ar, fragments);
  ReadJitterValueBlock(ar, fragmentSize);
  ReadJitterValueBlock(ar, fragmentLifetime);
  ReadJitterValueBlock(ar, fragmentSpeed);
  spinner.ZVI_PtclSysEffect_Spin::ReadRecord(ar, ReadRecordName(ar));
  ReadGroupBase(ar);
}

void RegisterExplodingPictureReaders() {
  RegisterReader<ZVI_PtclSysPhys_ExplodingPic, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_ExplodingPic");
}
