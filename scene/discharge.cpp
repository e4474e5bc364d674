#include "scene/discharge.h"

#include "core/archive.h"
#include "core/crt.h"

#include <utility>

namespace {

// Arcs up to this many segments are built at every spawn.
constexpr uint32_t kBuildAtOnce = 64;

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

D3DXVECTOR3 Lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float f) { return a + (b - a) * f; }

}  // namespace

DS_DischargeFXConstructor::DS_DischargeFXConstructor() {
  jitter.SetScaleOffset(0.01f, 0.0f, 50u);
  flickerInterval.SetScaleOffset(-0.001f, 0.1f, 100u);
  morphRate.SetScaleOffset(0.1f, 0.0f, 50u);
  effectLink.name = u"common_res.dll";
  effectLink.id = 97;
  size.SetValue(50u);
  blendMode.value = 1;
  colour.value = 0xFFFFCCu;
  glowColour.value = 0xFF9900u;
  glowIntensity.SetValue(100u);
}

void DS_DischargeFXConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  D3DXVECTOR3& s = startPoint.value;
  D3DXVECTOR3& e = endPoint.value;
  ar.ReadFloat(&s.x);
  ar.ReadFloat(&s.y);
  ar.ReadFloat(&s.z);
  ar.ReadFloat(&e.x);
  ar.ReadFloat(&e.y);
  ar.ReadFloat(&e.z);
  jitter.Read(ar);
  ar.ReadInt(&style.value);
  flickerInterval.Read(ar);
  morphRate.Read(ar);
  ReadGlowRecord(ar);
}

void DS_DischargeFXConstructor::ResetTime() {
  rebuildTime = 0.0f;
  viewStep = 0.0f;
  viewTime = 0.0f;
  viewLast = 0.0f;
}

void DS_DischargeFXConstructor::SpawnSprite(SpriteRecord&) {
  const uint32_t n = SegmentCount();
  previousArc.resize(n);
  currentArc.resize(n);
  if (n <= kBuildAtOnce) {
    arcsPending = false;
    BuildArc(previousArc);
    BuildArc(currentArc);
    return;
  }
  // Both arcs draw two numbers for every segment but the last.
  arcsPending = true;
  pendingRandState = crt_rand_state();
  crt_rand_discard(4ull * (n - 1));
}

void DS_DischargeFXConstructor::EnsureArcs() {
  if (!arcsPending) return;
  arcsPending = false;
  const uint32_t now = crt_rand_state();
  crt_srand(pendingRandState);
  BuildArc(previousArc);
  BuildArc(currentArc);
  crt_srand(now);
}

void DS_DischargeFXConstructor::BuildArc(std::vector<ArcSegment>& arc) {
  const D3DXVECTOR3 S = startPoint.value, E = endPoint.value;
  const size_t n = arc.size();
  const float j = jitter.derived;
  const D3DXVECTOR3 normal = Normalized(D3DXVECTOR3(E.y - S.y, -(E.x - S.x), 0.0f));
  D3DXVECTOR3 q = S;
  for (size_t i = 0; i < n; ++i) {
    const D3DXVECTOR3 d = E - q;
    const float L = D3DXVec3Length(&d) / static_cast<float>(n - i);
    D3DXVECTOR3 v = d;
    if (i + 1 < n) {
      const float r1 = Uniform(-j, j);
      const float r2 = Uniform(-j, j);
      v = D3DXVECTOR3(d.x + r1 * d.y, d.y + r2 * d.x, 2.0f * d.z);
    }
    ArcSegment& seg = arc[i];
    seg.direction = Normalized(v);
    seg.normal = normal;
    const D3DXVECTOR3 next = q + seg.direction * L;
    seg.position = (q + next) * 0.5f;
    seg.length = L;
    q = next;
  }
}

void DS_DischargeFXConstructor::PrepareFrame() {
  EnsureArcs();
  startCopy = startPoint.value;
  segmentCounter = 0;
  if (viewTime - rebuildTime > 0.1f) {
    rebuildTime = viewTime;
    rebuilt = 1;
    previousArc = currentArc;
    BuildArc(currentArc);
  } else {
    rebuilt = 0;
  }
}

void DS_DischargeFXConstructor::UpdateSprite(SpriteRecord& s) {
  EnsureArcs();
  const size_t i = static_cast<size_t>(segmentCounter);
  if (i >= previousArc.size() || i >= currentArc.size()) return;
  const ArcSegment& A = previousArc[i];
  const ArcSegment& B = currentArc[i];
  const float f = (viewTime - rebuildTime) * morphRate.derived;
  s.xAxis = Lerp(A.direction, B.direction, f);
  s.yAxis = Lerp(A.normal, B.normal, f);
  s.halfWidth = (A.length + (B.length - A.length) * f) * 0.5f;
  s.halfHeight = static_cast<float>(size.value) * 0.5f;
  s.xMultiplier = 0.0f;
  s.yMultiplier = 0.0f;
  s.word = 0;
  s.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  s.position = Lerp(A.position, B.position, f);
  const float t = viewLast;
  if (t - s.switchTime > flickerInterval.derived) {
    s.switchTime = t;
    if ((crt_rand() & 1) == 0) {
      s.vRange[0] = 0.5f;
      s.vRange[1] = 1.0f;
    } else {
      s.vRange[0] = 0.0f;
      s.vRange[1] = 0.5f;
    }
    if (crt_rand() & 1) std::swap(s.vRange[0], s.vRange[1]);
  }
  const size_t n = SegmentCount();
  s.uRange[0] = i == 0 ? 0.0f : 0.195f;
  s.uRange[1] = i + 1 == n ? 1.0f : 0.805f;
  segmentCounter += 1;
  s.colour = BaseArgb(s.alphaFactor);
}

void DS_DischargeFXConstructor::LoadEffect() {
  DS_FXParticleSystemCtrl::LoadEffect();
  // The bolt picture always comes from the pack, by style.
  imageLink.name = u"common_res.dll";
  imageLink.id = style.value != 0 ? 95 : 98;
  LoadTextures();
}
