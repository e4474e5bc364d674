#include "particles/imitters/brownian.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "particles/imitters/single_particle.h"
#include "player/ds_ab_render.h"

namespace {

D3DXVECTOR3 RandomVelocity() {
  const float length = 75.0f + 25.0f * crt_rand01();
  return RandomPlanarDirection(length, 0.0f, 360.0f);
}

}  // namespace

// ---- the wandering routine

float IPR_Brownian::NextChange() const {
  const float rate = changeRate->derived;
  const float r = crt_rand01();
  return 0.5f / rate + r * (1.0f / rate);
}

bool IPR_Brownian::Apply(float dt, ClassicParticle& p) {
  const D3DXVECTOR3 c0 = area->corners[0].value, c3 = area->corners[3].value;
  const D3DXVECTOR3& q = p.position;
  const float T = responseTime->derived;
  const bool in = c0.x <= q.x && q.x <= c3.x && c0.y <= q.y && q.y <= c3.y;
  if (!in) {
    if (inside || acceleration == D3DXVECTOR3(0.0f, 0.0f, 0.0f)) {
      D3DXVECTOR3 home((c0.x + c3.x) / 2.0f - q.x, (c0.y + c3.y) / 2.0f - q.y, 0.0f - q.z);
      D3DXVec3Normalize(&home, &home);
      acceleration = (home * 100.0f - velocity) / T;
      accelerationTime = T;
    }
    inside = false;
  } else {
    inside = true;
  }
  timeToChange -= dt;
  if (timeToChange < 0.0f) {
    timeToChange = NextChange();
    if (inside) {
      const D3DXVECTOR3 w = RandomVelocity();
      acceleration = (w - velocity) / T;
      accelerationTime = T;
    }
  }
  accelerationTime -= dt;
  if (accelerationTime < 0.0f) {
    acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    accelerationTime = 0.0f;
  }
  p.position += (velocity * dt + acceleration * (dt * dt / 2.0f)) * speed->derived;
  velocity += acceleration * dt;
  return true;
}

// ---- the Brownian system

ZVI_BrownAnimation::ZVI_BrownAnimation() {
  speed.SetScaleOffset(0.04f, 0.0f);
  changeRate.SetScaleOffset(0.02f, 0.1f);
  responseTime.SetScaleOffset(0.02f, 0.02f);
  timeSpeed.SetScaleOffset(0.01f, 0.0f, 100u);
}

ZVI_BrownAnimation::ZVI_BrownAnimation(const ZVI_BrownAnimation& other)
    : ZVI_ParticleSystemCtrl(other),
      count(other.count),
      speed(other.speed),
      changeRate(other.changeRate),
      responseTime(other.responseTime),
      area(other.area),
      timeSpeed(other.timeSpeed) {
  particles.clear();
}

ClassicParticleList& ZVI_BrownAnimation::Emit(ClassicParticleList& out, float dt) {
  return EmptyParticleList(out, dt);
}

void ZVI_BrownAnimation::AttachBrownian(ClassicParticle& p) {
  auto* b = new IPR_Brownian(&area.rect, &speed, &changeRate, &responseTime);
  b->velocity = RandomVelocity();
  b->timeToChange = b->NextChange();
  b->inside = true;
  p.AddRoutine(RoutinePtr(b), false);
}

void ZVI_BrownAnimation::SyncCount() {
  const size_t want = std::min<uint32_t>(count.value, kMaxCount);
  if (particles.size() < want) {
    area.Make(newborn_, static_cast<int>(want - particles.size()));
    for (auto& p : newborn_) {
      if (!p) continue;
      AttachBrownian(*p);
      particles.push_back(p);
    }
    newborn_.clear();
  } else if (particles.size() > want) {
    particles.resize(want);
  }
}

void ZVI_BrownAnimation::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
  SyncCount();
}

float ZVI_BrownAnimation::StepLeaders(float t) {
  params.AdvanceTime(t);
  // A fixed time speed of 1: the system speed plays no part.
  const float step = timeSpeed.Advance(t);
  StepClassicParticles(particles, step);
  return step;
}

void ZVI_BrownAnimation::UpdateParticles(float t) {
  StepLeaders(t);
  params.FillUprightBatch(this, static_cast<float>(params.particleSize.value) * 0.01f, particles);
}

bool ZVI_BrownAnimation::ReadFields(DS_IOF_Archive& ar) {
  uint32_t n = 0;
  ar.ReadUInt(&n);
  count.value = n;
  speed.Read(ar);
  changeRate.Read(ar);
  responseTime.Read(ar);
  ReadMediaQuad(ar, area.rect);
  return ReadNestedRecord(ar);
}

// ---- the tracer

ZVI_ParticleTracer::ZVI_ParticleTracer() {
  trailLife.SetScaleOffset(0.01f, 0.0f);
  circleSize.SetScaleOffset(0.01f, 0.0f);
  drift.SetScaleOffset(0.02f, -1.0f);
}

void ZVI_ParticleTracer::ReadFields(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ar.ReadInt(&version);
  if (version > 1) {
    int32_t blockVersion = 0;
    ar.ReadInt(&blockVersion);
    zvi_string shape;
    ar.ReadWideString(&shape);
    block.shapeName.SetValue(shape);
    block.Read(ar, blockVersion);
  }
  counter.rate.Read(ar);
  trailLife.Read(ar);
  if (version < 2) {
    uint32_t size = 0;
    ar.ReadUInt(&size);
    block.particleSize.value = size;
  }
  circleSize.Read(ar);
  drift.Read(ar);
  if (version < 4) {
    int32_t discarded = 0;
    ar.ReadInt(&discarded);
    block.flags |= kClassicPhysics;
  }
  if (version < 3) {
    block.sizeEnvelope.fadeInEnd.SetValue(0u);
    block.sizeEnvelope.fadeOutStart.SetValue(0u);
    block.alphaEnvelope.fadeInEnd.SetValue(10u);
    block.alphaEnvelope.fadeOutStart.SetValue(0u);
  }
}

void ZVI_ParticleTracer::SetupTrailParticle(ClassicParticle& p, const D3DXVECTOR3& c, float s) {
  p.AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
  const float L = trailLife.derived;
  block.InitParticle(p, RoutinePtr(new IPR_ConstantAge(L)));
  const float f = drift.derived;
  if (f > 0.0f) {
    const float length = crt_rand01() * s;
    const float turn = -(crt_rand01() * 360.0f) * 3.14159265358979f / 180.0f;
    D3DXVECTOR3 out(length * std::cos(turn), length * std::sin(turn), 0.0f);
    p.velocity = out * f / L;
  } else {
    // f = -1 brings the particle to the leader's point at the end of its life.
    p.velocity = (p.TestPoint() - c) * f / L;
  }
  p.Factor2() = 0.0f;
}

void ZVI_ParticleTracer::Update(float s, float dt, const ClassicParticleList& leaders, ClassicParticleList& trails) {
  if (trailLife.derived > 0.0f) {
    for (const auto& leader : leaders) {
      if (!leader) continue;
      circle.point.value = leader->TestPoint();
      circle.size = s * circleSize.derived * leader->Factor1();
      // One counter for every leader, each with the full step.
      const int n = std::min(counter.Count(dt), RoomLeft(trails));
      circle.Make(made_, std::max(n, 0));
      for (auto& p : made_) {
        if (!p) continue;
        SetupTrailParticle(*p, circle.point.value, s);
        trails.push_back(p);
      }
      made_.clear();
    }
  }
  StepClassicParticles(trails, dt);
}

// ---- fireflies

int32_t ZVI_Firefly::NeedsBackground() {
  return (tracer.block.glowMode.value == 2 ? 1 : 0) + (params.glowMode.value == 2 ? 1 : 0);
}

void ZVI_Firefly::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  tracer.block.ResolveImages();
  tracer.block.LoadEffects(ClassName());
  if (runtimeObject) runtimeObject->SizeBatches(2);
  SyncCount();
}

void ZVI_Firefly::UpdateParticles(float t) {
  const float step = StepLeaders(t);
  params.FillBatch(particles, runtime, params.particleSize.value, 1);
  tracer.Update(static_cast<float>(params.particleSize.value), step, particles, trails);
  tracer.block.FillBatch(trails, runtime, tracer.block.particleSize.value, 0);
}

void ZVI_Firefly::DrawParticles(DS_ABRender* context, int* pass) {
  if (!context) return;
  if (tracer.block.glowMode.value == 2) context->BackgroundStep(pass, true);
  tracer.block.DrawBatch(runtime, 0, context);
  if (params.glowMode.value == 2) context->BackgroundStep(pass, true);
  params.DrawBatch(runtime, 1, context);
}

bool ZVI_Firefly::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  tracer.ReadFields(ar);
  zvi_string name;
  int32_t inner = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&inner);
  const bool ok = ReadFields(ar);
  if (version < 2) {
    // The block held the trail picture first, the firefly's second; a single
    // link serves both.
    DS_NamedFileLinkData& own = params.particleImage.value;
    DS_NamedFileLinkData& trail = tracer.block.particleImage.value;
    const std::vector<DS_ImageFileLink> links = own.links;
    auto only = [](DS_NamedFileLinkData& d, const std::vector<DS_ImageFileLink>& from, size_t i) {
      d.links.clear();
      if (i < from.size()) d.links.push_back(from[i]);
      d.currentLinkName = d.links.empty() ? zvi_string() : d.links.front().name;
      d.currentLinkId = d.links.empty() ? 0 : d.links.front().id;
    };
    only(trail, links, 0);
    only(own, links, links.size() > 1 ? 1 : 0);
    tracer.block.colors = params.colors;
    tracer.block.effectLink.name = params.effectLink.name;
    tracer.block.effectLink.id = params.effectLink.id;
  }
  return ok;
}
