#include "scene/shooting_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/archive.h"
#include "core/crt.h"
#include "core/warm_up.h"

namespace {

constexpr float kTwoPi = 6.2831855f;

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

}  // namespace

ZVI_ShootingLine::ZVI_ShootingLine() : cursor(new PathCursor(&samples)) {
  shotTimer.minimum.value = 0.5f;
  shotTimer.maximum.value = 1.5f;
  speed.SetScaleOffset(1.0f, 0.0f);
  width.SetScaleOffset(1.0f, 0.0f);
  frequency.SetScaleOffset(0.0002f, 0.0f);
}

ZVI_ShootingLine::ZVI_ShootingLine(const ZVI_ShootingLine& other)
    : ZVI_ParticleSystemCtrl(other),
      path(other.path),
      ribbon(other.ribbon),
      shotTimer(other.shotTimer),
      speed(other.speed),
      amplitude(other.amplitude),
      tailLength(other.tailLength),
      widthEnvelope(other.widthEnvelope),
      width(other.width),
      frequency(other.frequency),
      showParticles(other.showParticles),
      samples(other.samples),
      cursor(new PathCursor(&samples)),
      trails(other.trails) {
  path.total_length = other.path.total_length;
  kept[0] = other.kept[0];
  kept[1] = other.kept[1];
}

float ZVI_ShootingLine::GetWarmUpTime() { return PathLength() / speed.derived; }

void ZVI_ShootingLine::ResetTime() {
  if (timing.value != 0) {
    particles.clear();
    return;
  }
  // Speed 0 would pre-run forever: a time that is not finite runs none.
  WarmUpBudget budget;
  for (float t = 0.0f; WarmUpLength(GetWarmUpTime()) > t; t += 0.1f) {
    Simulate(0.1f);
    for (auto& trail : trails)
      if (trail.head) StepClassicParticle(*trail.head, 0.1f);
    if (!budget.Spend(particles.size() + trails.size())) return;
  }
}

void ZVI_ShootingLine::RebuildSamples() {
  cursor = DS_SafePtr<PathCursor>(new PathCursor(&samples));
  samples = path.BuildSamples(100, false);
}

void ZVI_ShootingLine::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(2);
  ribbon.ResolveImages();
  ribbon.PrepareSurface(ClassName());
  path.Resample();
  RebuildSamples();
}

void ZVI_ShootingLine::AttachShotRoutines(float phase, ClassicParticle& shot) {
  shot.Free(2) = crt_rand01() * 2.0f - 1.0f;
  params.InitParticle(shot, RoutinePtr(new IPR_ConstPath(0.0f, &speed, &path)));
  shot.AddRoutine(RoutinePtr(new IPR_Harmonic(6, phase, 0.0f, frequency.derived, 1.0f)), true);
  shot.AddRoutine(RoutinePtr(new IPR_PathPoint(&amplitude, cursor)), false);
  if (trails.size() < kMaxBatchParticles) trails.push_back(MakeTrailPair(shot, phase));
}

ClassicParticlePair ZVI_ShootingLine::MakeTrailPair(const ClassicParticle& shot, float phase) {
  ClassicParticlePair pair;
  pair.head = ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
  pair.tail = ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
  pair.head->SetLifeController(
      RoutinePtr(new IPR_ConstDistance(std::numeric_limits<float>::infinity(), &speed)));
  for (ClassicParticle* p : {pair.head.get(), pair.tail.get()}) {
    p->Free(2) = shot.run[ClassicParticle::kFree + 2];
    p->AddRoutine(RoutinePtr(new IPR_Harmonic(6, phase, 0.0f, frequency.derived, 1.0f)), true);
    p->AddRoutine(RoutinePtr(new IPR_PathPoint(&amplitude, cursor)), false);
  }
  pair.phase = phase;
  return pair;
}

ClassicParticleList& ZVI_ShootingLine::Emit(ClassicParticleList& out, float dt) {
  out.clear();
  if (path.points.size() <= 1) return out;
  const int n = std::min(shotTimer.Count(timing.Current()->GetVisibility() * dt), RoomLeft(particles));
  const D3DXVECTOR3 start = path.points.front()->value;
  for (int i = 0; i < n; ++i) {
    ClassicParticlePtr shot(new ClassicParticle(start));
    const float phase = crt_rand01() * kTwoPi;
    AttachShotRoutines(phase, *shot);
    StepClassicParticle(*shot, dt);
    particles.push_back(shot);
  }
  return out;
}

float ZVI_ShootingLine::TrailPlace(const ClassicParticle& p, const ClassicParticle& h) const {
  const float tail = static_cast<float>(tailLength.value);
  if (!(tail > 0.0f)) return 1.0f;
  return 1.0f - (h.Age() - p.Age()) / tail;
}

float ZVI_ShootingLine::TrailWidth(const ClassicParticle& p, const ClassicParticle& h) const {
  return static_cast<float>(width.value) * EnvelopeAt(widthEnvelope, TrailPlace(p, h));
}

void ZVI_ShootingLine::MakeRibbonNode(const ClassicParticle& p, const ClassicParticle& h, RibbonNode& out) const {
  out = RibbonNode();
  out.position = p.position;
  out.tangent = Normalised(p.velocity);
  ribbon.FirstColour(&out.r, &out.g, &out.b);
  out.a = ribbon.AlphaByte() * EnvelopeAt(ribbon.alphaEnvelope, TrailPlace(p, h)) / 255.0f;
  out.v = ribbon.TextureV(p.Age(), static_cast<float>(width.value));
}

void ZVI_ShootingLine::PlaceWalker(int32_t segment) {
  walker_.pathIndex = segment;
  const int32_t n = static_cast<int32_t>(samples.size());
  // The arc length at the walker's sample; the path's end beyond it.
  float age = 0.0f;
  if (segment > 0 && n >= 2) age = samples[static_cast<size_t>(std::min(segment, n - 1) - 1)].cumulative;
  walker_.Age() = age;
  StepClassicParticle(walker_, 0.0f);
}

uint32_t ZVI_ShootingLine::WriteTrail(ClassicParticlePair& trail, DX_V::PCT* q, uint32_t room) {
  ClassicParticle& H = *trail.head;
  ClassicParticle& T = *trail.tail;
  const float P = PathLength();
  walker_.Free(2) = T.Free(2);
  walkerWave_->phase = trail.phase;
  walkerWave_->frequency = frequency.derived;
  uint32_t written = 0;
  RibbonNode prev, cur;
  MakeRibbonNode(T, H, prev);
  const float tailWidth = TrailWidth(T, H);
  auto placeFirst = [&]() {
    if (prev.edges != 0.0f) return;
    prev.tangent = Normalised(cur.position - prev.position);
    const D3DXVECTOR3 k = RibbonNormal(prev.tangent);
    const float h = tailWidth / 2.0f;
    prev.left = D3DXVECTOR3(prev.position.x + h * k.x, prev.position.y + h * k.y, prev.position.z);
    prev.right = D3DXVECTOR3(prev.position.x - h * k.x, prev.position.y - h * k.y, prev.position.z);
    prev.edges = 1.0f;
  };
  for (int32_t seg = T.pathIndex + 1; seg <= H.pathIndex && written + 1 < room; ++seg) {
    PlaceWalker(seg);
    MakeRibbonNode(walker_, H, cur);
    placeFirst();
    WriteRibbonQuadAlongSegment(q + 4 * written, prev, TrailWidth(walker_, H), cur);
    ++written;
    prev = cur;
  }
  if (written >= room) return written;
  const ClassicParticle* last = &H;
  if (!(H.Age() < P)) {
    PlaceWalker(static_cast<int32_t>(samples.size()) - 1);
    walker_.Age() = P;
    last = &walker_;
  }
  MakeRibbonNode(*last, H, cur);
  placeFirst();
  cur.tangent = prev.tangent;
  WriteRibbonQuadAtNode(q + 4 * written, prev, TrailWidth(*last, H), cur);
  return written + 1;
}

void ZVI_ShootingLine::UpdateParticles(float t) {
  const float dt = systemSpeed.Advance(t);
  params.AdvanceTime(t);
  Simulate(dt);
  params.FillBatch(particles, runtime, params.particleSize.value, 0);

  const float P = PathLength();
  const float tail = static_cast<float>(tailLength.value);
  uint64_t total = 0;
  for (auto it = trails.begin(); it != trails.end();) {
    if (!it->head || !it->tail) {
      it = trails.erase(it);
      continue;
    }
    StepClassicParticle(*it->head, dt);
    it->tail->Age() = std::max(0.0f, it->head->Age() - tail);
    if (it->tail->Age() > P) {
      it = trails.erase(it);
      continue;
    }
    StepClassicParticle(*it->tail, 0.0f);
    total += static_cast<uint64_t>(std::max(1, it->head->pathIndex - it->tail->pathIndex + 1));
    ++it;
  }
  if (!runtime || runtime->batches.size() < 2) return;
  const uint32_t quads = static_cast<uint32_t>(std::min<uint64_t>(total, kMaxBatchParticles));
  runtime->PrepareBatch(1, quads, ribbon.FirstImage() ? *ribbon.FirstImage() : ImageFrameSet(), ribbon);
  ZVI_ParticleSystemMech::Batch* batch = runtime->BatchAt(1);
  if (quads == 0 || !batch || !batch->vertexBuffer) {
    runtime->SetCount(1, 0);
    return;
  }
  const uint32_t room = std::min(runtime->CountAt(1), static_cast<uint32_t>(batch->vertexCount / 4));
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  if (!walkerWave_) {
    walker_.routines.clear();
    walkerWave_ = new IPR_Harmonic(6, 0.0f, 0.0f, 0.0f, 1.0f);
    walker_.AddRoutine(RoutinePtr(walkerWave_), false);
    walker_.AddRoutine(RoutinePtr(new IPR_IndexedPathPoint(&amplitude, cursor)), false);
  }
  uint32_t written = 0;
  for (auto& trail : trails) {
    if (written >= room) break;
    written += WriteTrail(trail, v + 4 * written, room - written);
  }
  batch->Unlock();
  runtime->SetCount(1, written);
}

void ZVI_ShootingLine::DrawParticles(DS_ABRender* context, int* pass) {
  if (!context) return;
  ribbon.Draw(runtime, 1, context, pass);
  if (showParticles.value == 0) return;
  if (params.glowMode.value == 2) context->BackgroundStep(pass, true);
  params.DrawBatch(runtime, 0, context);
}

bool ZVI_ShootingLine::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadBSplinePoints(ar, path.points);
  int32_t blockVersion = 0;
  ar.ReadInt(&blockVersion);
  zvi_string shape;
  ar.ReadWideString(&shape);
  ribbon.shapeName.value = shape;
  ribbon.Read(ar, blockVersion);
  ar.ReadFloat(&shotTimer.minimum.value);
  ar.ReadFloat(&shotTimer.maximum.value);
  speed.Read(ar);
  ar.ReadUInt(&amplitude.value);
  ar.ReadUInt(&tailLength.value);
  width.Read(ar);
  ReadLifeEnvelopeParams(ar, widthEnvelope);
  frequency.Read(ar);
  ar.ReadInt(&showParticles.value);
  ar.ReadFloat(&kept[0]);
  ar.ReadFloat(&kept[1]);
  const bool ok = ReadNestedRecord(ar);
  if (version < 2) ExchangeBlocks(ribbon, params);
  return ok;
}

bool ZVI_Tears::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return ZVI_ShootingLine::ReadRecord(ar, version);
}
