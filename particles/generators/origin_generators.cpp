#include "particles/generators/origin_generators.h"

#include <algorithm>
#include <limits>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "particles/generators/region_generators.h"

namespace {

void ReadHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

// A particle that dies at its first step: a life of 0 seconds.
void DieAtFirstStep(GeneratorParticle& p) { p.AddProcess(new PAgeConst(0.0f)); }

}  // namespace

OriginRecord::OriginRecord(const OriginRecord& o)
    : remaining(o.remaining),
      position(o.position),
      velocity(o.velocity),
      acceleration(o.acceleration),
      axisU(o.axisU),
      axisV(o.axisV),
      sizeFactor(o.sizeFactor),
      opacity(o.opacity) {
  for (const auto& b : o.behaviours) behaviours.emplace_back(b->Clone());
}

// ---- DS_ParticleOriginGenerator

DS_ParticleOriginGenerator::DS_ParticleOriginGenerator() {
  originLifetime.SetScaleOffset(0.04f, 0.0f);
  generatorSpeed.SetScaleOffset(0.02f, 0.0f, 1u);
}

DS_ParticleOriginGenerator::DS_ParticleOriginGenerator(const DS_ParticleOriginGenerator& other)
    : DS_StaticGenerator(other),
      originLifetime(other.originLifetime),
      launchRate(other.launchRate),
      originSize(other.originSize),
      sector(other.sector),
      generatorSpeed(other.generatorSpeed),
      accumulator(other.accumulator) {
  for (const auto& o : other.origins) origins.push_back(std::make_unique<OriginRecord>(*o));
}

void DS_ParticleOriginGenerator::ReadOriginRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadHeader(ar, &version);
  originLifetime.Read(ar);
  ar.ReadUInt(&launchRate.value);
  ar.ReadUInt(&originSize.value);
  ar.ReadUInt(&sector.value);
  sector.Recompute();
  if (version >= 2) ar.ReadUInt(&sector.spread.value);
  generatorSpeed.Read(ar);
  ReadStaticRecord(ar);
}

float DS_ParticleOriginGenerator::Visibility() {
  ZVI_Timing* timeline = timing.Current();
  return timeline ? timeline->GetVisibility() : 1.0f;
}

std::unique_ptr<OriginRecord> DS_ParticleOriginGenerator::LaunchOrigin() {
  auto o = std::make_unique<OriginRecord>();
  o->remaining = originLifetime.derived;
  o->position = origin.value;
  o->velocity = sector.RandomDirection() * 100.0f;
  return o;
}

void DS_ParticleOriginGenerator::UpdateOrigins(float dt) {
  for (auto it = origins.begin(); it != origins.end();) {
    OriginRecord& o = **it;
    o.remaining = o.remaining - dt;
    for (auto& b : o.behaviours) b->Step(o, dt);
    if (o.remaining < 0.0f)
      it = origins.erase(it);
    else
      ++it;
  }
  accumulator = accumulator + dt;
  const float r = static_cast<float>(launchRate.value);
  float v = Visibility();
  for (int launched = 0; launched < kMaxLaunchesPerStep; ++launched) {
    const float rv = r * v;
    if (!(rv > 0.0f) || !(accumulator > 1.0f / rv)) break;
    accumulator = accumulator - 1.0f / rv;
    if (origins.size() >= MaxOrigins()) continue;
    origins.push_back(LaunchOrigin());
    v = Visibility();
  }
}

void DS_ParticleOriginGenerator::Update(float time, DS_ParticlesObj*) { UpdateOrigins(generatorSpeed.Advance(time)); }

// ---- DS_Firework

DS_Firework::DS_Firework() {
  life.SetScaleOffset(0.01f, 0.0f);
  rate.SetScaleOffset(2.0f, 1.0f);
  size.SetScaleOffset(0.1f, 0.0f);
  launchSpeed.SetScaleOffset(4.0f, 0.0f);
  glowFactor.SetScaleOffset(0.04f, 1.0f);
  gravity.SetScaleOffset(4.0f, 0.0f);
}

void DS_Firework::AttachRenderObject(DS_ParticlesObj* object) {
  CreateRenderTargets();
  DS_StaticGenerator::AttachRenderObject(object);
  heads.clear();
  object->SetLayerCount(2);
}

void DS_Firework::Update(float time, DS_ParticlesObj* object) {
  const float dt = generatorSpeed.Advance(time);
  StepGeneratorParticles(heads, dt);
  StepGeneratorParticles(emitted, dt);
  EmitAlongHeadPaths(generatorSpeed.elapsed);
  if (timing.value != 0) {
    ZVI_Timing* timeline = timing.Current();
    const uint32_t state = timeline ? timeline->GetState() : kTimelineShown;
    if (armed && state != kTimelineHidden) {
      const float L = timeline ? timeline->GetCycleLength() : 0.0f;
      const size_t room = kMaxGeneratorParticles - std::min(kMaxGeneratorParticles, heads.size());
      const size_t count = std::min<size_t>(sparkCount.value, room);
      for (size_t i = 0; i < count; ++i) {
        GeneratorParticle spark(origin.value.x, origin.value.y, origin.value.z);
        InitSpark(spark, L);
        heads.push_back(std::move(spark));
      }
      armed = 0;
    }
    if (state == kTimelineHidden) armed = 1;
  } else if (generatorSpeed.elapsed > nextLaunch) {
    if (heads.size() < kMaxGeneratorParticles) {
      GeneratorParticle spark(origin.value.x, origin.value.y, origin.value.z);
      InitSpark(spark, 0.5f);
      heads.push_back(std::move(spark));
    }
    // No sparks a half second: none after this one.
    nextLaunch = sparkCount.value == 0 ? std::numeric_limits<float>::infinity()
                                       : generatorSpeed.elapsed + 0.5f / static_cast<float>(sparkCount.value);
  }
  FillLayers(object);
}

void DS_Firework::FillLayers(DS_ParticlesObj* object) {
  if (!object) return;
  const uint32_t n = static_cast<uint32_t>(std::min<size_t>(heads.size() + emitted.size(), kMaxLayerQuads));
  object->ReserveQuads(0, n);
  object->ReserveQuads(1, n);
  if (!object->LockLayer(0)) return;
  if (!object->LockLayer(1)) {
    object->UnlockLayer(0);
    return;
  }
  const float v = Visibility();
  const float side = static_cast<float>(sparkSize.value);
  const float glow = glowFactor.derived;
  uint32_t i = 0;
  DX_V::PCT quad[4];
  auto write = [&](const GeneratorParticle& p, float opacity) {
    const float s = side * p.channels[kChannelSize];
    BuildQuadVertices(quad, s, s, p.position);
    const D3DCOLOR c1 = VertexColour(colour1, opacity);
    for (auto& vertex : quad) vertex.color = c1;
    object->SetQuad(0, i, quad);
    BuildQuadVertices(quad, s * glow, s * glow, p.position);
    const D3DCOLOR c2 = VertexColour(colour2, opacity);
    for (auto& vertex : quad) vertex.color = c2;
    object->SetQuad(1, i, quad);
    ++i;
  };
  for (const GeneratorParticle& p : heads) {
    if (i >= n) break;
    write(p, p.channels[kChannelOpacity] * v);
  }
  for (const GeneratorParticle& p : emitted) {
    if (i >= n) break;
    write(p, p.channels[kChannelOpacity]);
  }
  object->UnlockLayer(0);
  object->UnlockLayer(1);
}

void DS_Firework::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  IDirect3DTexture9* texture = CurrentTexture(0);
  GlowPass::Draw(*this, context, object, {{0, texture}}, {{1, texture}});
}

// ---- DS_FireworkSimple

void DS_FireworkSimple::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadUInt(&sparkCount.value);
  ar.ReadUInt(&sparkSize.value);
  launchSpeed.Read(ar);
  glowFactor.Read(ar);
  ReadOriginRecord(ar);
}

void DS_FireworkSimple::InitSpark(GeneratorParticle& spark, float L) {
  spark.channels[kChannelLife] = 0.0f;
  spark.channels[kChannelSize] = 1.0f;
  // A cycle of no length (manual and dependent timelines) ends the spark at once.
  if (L > 0.0f)
    spark.AddProcess(new PLifeConst(1.0f / L));
  else
    DieAtFirstStep(spark);
  spark.AddProcess(new PKinetic(RandomConeDirection(launchSpeed.derived, 0.0f, 360.0f),
                                D3DXVECTOR3(0.0f, gravity.derived, 0.0f)));
}

void DS_FireworkSimple::InitEmittedParticle(GeneratorParticle& p, const GeneratorParticle&) {
  p.channels[kChannelOpacity] = Visibility();
  const float l = life.derived;
  if (l > 0.0f) {
    const float g = 1.0f / l;
    p.AddProcess(new PLifeConst(g));
    p.AddProcess(new PSteady(kChannelOpacity, 0.0f, 1.0f, -g));
    p.AddProcess(new PSteady(kChannelSize, 0.0f, 1.0f, size.derived * g));
  } else {
    DieAtFirstStep(p);
  }
  const float length = DS_ParticleGenerator::speed.derived * crt_rand01();
  p.AddProcess(new PKinetic(RandomConeDirection(length, 0.0f, 360.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
}
