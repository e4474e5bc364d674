#include "particles/generators/lightning.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/math_routines.h"
#include "core/noise.h"
#include "particles/generators/region_generators.h"
#include "player/timelines.h"

namespace {

void ReadHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

void ReadVector(DS_IOF_Archive& ar, D3DXVECTOR3* p) {
  ar.ReadFloat(&p->x);
  ar.ReadFloat(&p->y);
  ar.ReadFloat(&p->z);
}

size_t CountSegments(const BoltBranch& b, size_t* ends) {
  size_t n = b.size() > 1 ? b.size() - 1 : 0;
  *ends += 2;
  for (const BoltPoint& p : b)
    if (!p.branch.empty()) n += CountSegments(p.branch, ends);
  return n;
}

}  // namespace

void DS_StringGenerator::ReadStringRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadHeader(ar, &version);
  ReadVector(ar, &start.value);
  ReadVector(ar, &end.value);
  int32_t baseVersion = 0;
  ReadHeader(ar, &baseVersion);
  ReadTexGeneratorRecord(ar, baseVersion);
}

DS_LightningGN::DS_LightningGN() {
  jitter.SetScaleOffset(0.004f, 0.0f);
  branchLength.SetScaleOffset(0.01f, 0.0f);
  branchAngle.SetScaleOffset(0.015707964f, 0.0f);
  taper.SetScaleOffset(-0.01f, 1.0f);
  flicker.SetScaleOffset(0.01f, 0.0f);
}

void DS_LightningGN::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&coreWidth.value);
  ar.ReadUInt(&detail.value);
  jitter.Read(ar);
  ar.ReadUInt(&seed.value);
  branchLength.Read(ar);
  branchAngle.Read(ar);
  taper.Read(ar);
  for (auto& b : branches) ar.ReadUInt(&b.value);
  uint32_t legacy[7] = {};
  if (version < 2)
    for (uint32_t& v : legacy) ar.ReadUInt(&v);
  flicker.Read(ar);
  ar.ReadUInt(&glowWidth.value);
  ar.ReadInt(&newShapeEachTime.value);
  ReadStringRecord(ar);
  if (version >= 2) return;
  DS_SafePtr<ZVI_Timing> made = CreateTimingByName(u"ZVI_RandomTimeLine");
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(made.get());
  if (!random) return;
  random->minHidden.SetValue(legacy[3] / 10u);
  random->maxHidden.SetValue(legacy[4] / 10u);
  random->minShown.SetValue(legacy[2] / 10u);
  random->maxShown.SetValue(legacy[2] / 10u);
  random->fadeIn.SetValue(legacy[0] / 10u);
  random->fadeOut.SetValue(legacy[1] / 10u);
  timing.value = 1;
  timing.SetCurrentTimeline(made);
}

int DS_LightningGN::Rand() { return useOwn_ ? own_.Next() : crt_rand(); }

void DS_LightningGN::GenerateBolt() {
  useOwn_ = newShapeEachTime.value == 0;
  if (useOwn_) own_.Seed(seed.value);
  points_ = 0;
  // More entries than a bolt has points could never attach.
  const uint32_t F = std::min<uint32_t>(branches[0].value, kMaxBoltPoints);
  const uint32_t S = std::min<uint32_t>(branches[1].value, kMaxBoltPoints);
  const uint32_t T = std::min<uint32_t>(branches[2].value, kMaxBoltPoints);
  std::vector<BranchPlan> plan;
  if (F > 0) {
    std::vector<BranchPlan> second;
    if (S > 0) {
      second.resize(S);
      for (uint32_t t = 0; t < T; ++t) second[static_cast<uint32_t>(Rand()) % S].children.emplace_back();
    }
    plan.resize(F);
    for (uint32_t i = 0; i < S; ++i) plan[static_cast<uint32_t>(Rand()) % F].children.push_back(std::move(second[i]));
  }
  BuildBranch(start.value, end.value, bolt, detail.value, 1.0f, plan, 1.0f);
}

void DS_LightningGN::BuildBranch(const D3DXVECTOR3& S, const D3DXVECTOR3& E, BoltBranch& list, uint32_t passes,
                                 float w, std::vector<BranchPlan>& plan, float g) {
  passes = std::min(passes, kMaxBoltPasses);
  // 2^passes + 1 points displaced become 2^(passes + 1) once smoothed.
  const size_t made = size_t{2} << passes;
  if (points_ + made > kMaxBoltPoints) {
    list.clear();
    return;
  }
  points_ += made;
  std::vector<D3DXVECTOR3> pts{S, E};
  const float J = jitter.derived;
  for (uint32_t pass = 0; pass < passes; ++pass) {
    std::vector<D3DXVECTOR3> next;
    next.reserve(pts.size() * 2);
    for (size_t k = 0; k + 1 < pts.size(); ++k) {
      const D3DXVECTOR3 P = pts[k], Q = pts[k + 1];
      const float dx = Q.x - P.x, dy = Q.y - P.y;
      const float a = static_cast<float>(Rand()) / 32767.0f * J;
      const float sign = (Rand() & 1) ? -1.0f : 1.0f;
      next.push_back(P);
      next.push_back((P + Q) / 2.0f + D3DXVECTOR3(dy, -dx, 0.0f) * sign * a);
    }
    next.push_back(pts.back());
    pts.swap(next);
  }
  // Corner cutting against the neighbours as they were before smoothing.
  std::vector<D3DXVECTOR3> smooth{pts[0]};
  for (size_t j = 1; j < pts.size(); ++j) {
    const D3DXVECTOR3 O = pts[j], P = pts[j - 1];
    smooth.push_back(P + (O - P) * 0.67f);
    if (j + 1 < pts.size()) {
      const D3DXVECTOR3 Q = pts[j + 1];
      smooth.push_back(Q + (O - Q) * 0.67f);
    }
  }
  const size_t n = smooth.size();
  // The last bolt's points are reused with their branch lists emptied, so
  // a new bolt does not give its memory back and fetch it again.
  list.resize(n);
  for (size_t i = 0; i < n; ++i) {
    list[i].position = smooth[i];
    list[i].width = w;
    list[i].ramp = 0.0f;
    list[i].branch.clear();
  }
  for (BranchPlan& entry : plan) entry.attachment = static_cast<int32_t>(static_cast<uint32_t>(Rand()) % n);
  const float t = taper.derived;
  float running = w * t;
  D3DXVECTOR3 D = E - S;
  const float dl = D3DXVec3Length(&D);
  // Coinciding ends give no direction: side branches then leave along V only.
  const D3DXVECTOR3 p = dl > 0.0f ? D3DXVECTOR3(-D.y, D.x, 0.0f) / dl : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  for (size_t k = n; k-- > 0;) {
    BoltPoint& X = list[k];
    X.width = running;
    X.ramp = g * static_cast<float>(n - 1 - k) / static_cast<float>(n - 1);
    for (BranchPlan& entry : plan) {
      if (entry.attachment != static_cast<int32_t>(k)) continue;
      const D3DXVECTOR3 V = E - X.position;
      const float d = D3DXVec3Length(&V);
      const float side = (Rand() & 1) ? -1.0f : 1.0f;
      const float r = static_cast<float>(Rand()) / 32767.0f * 0.5f + 0.5f;
      const float th = branchAngle.derived;
      const D3DXVECTOR3 E2 =
          X.position + (V * std::cos(th) + p * (side * std::sin(th) * d)) * (branchLength.derived * r);
      BuildBranch(X.position, E2, X.branch, passes > 0 ? passes - 1 : 0, X.width, entry.children, X.ramp);
      break;
    }
    running = std::min(1.0f, running + (1.0f - t) * w / static_cast<float>(n));
  }
}

float DS_LightningGN::BoltBrightness(float ramp) {
  ZVI_Timing* timeline = timing.Current();
  const uint32_t state = timeline ? timeline->GetState() : kTimelineShown;
  const float v = timeline ? timeline->visibility : 1.0f;
  switch (state) {
    case kTimelineDisappearing:
      return v * v;
    case kTimelineShown: {
      const double noise = OctaveNoise1D(4, static_cast<double>(lastUpdate) * 1000.0, 75.0, 0.5);
      return 1.0f - static_cast<float>(noise + 1.0) * flicker.derived * 0.5f;
    }
    case kTimelineAppearing:
      return v > 1.0f - ramp ? 1.0f : (v + ramp - 0.666f) * 3.0f;
    default:
      return v;
  }
}

void DS_LightningGN::AttachRenderObject(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::AttachRenderObject(object);
  GenerateBolt();
  CreateRenderTargets();
  if (object) object->SetLayerCount(3);
}

void DS_LightningGN::Update(float time, DS_ParticlesObj* object) {
  lastUpdate = time;
  ZVI_Timing* timeline = timing.Current();
  const uint32_t state = timeline ? timeline->GetState() : kTimelineShown;
  if (state == kTimelineHidden) {
    shown = 0;
  } else if (!shown) {
    GenerateBolt();
    shown = 1;
  }
  WriteBolt(object);
}

void DS_LightningGN::WriteBolt(DS_ParticlesObj* object) {
  if (!object || object->LayerCount() < 3) return;
  size_t ends = 0;
  const size_t segments = bolt.empty() ? 0 : CountSegments(bolt, &ends);
  if (bolt.empty()) ends = 0;
  object->ReserveQuads(0, static_cast<uint32_t>(segments + ends));
  object->ReserveQuads(1, static_cast<uint32_t>(segments));
  object->ReserveQuads(2, static_cast<uint32_t>(ends));
  bool locked[3];
  for (size_t l = 0; l < 3; ++l) locked[l] = object->LockLayer(l);
  if (locked[0] && locked[1] && locked[2] && !bolt.empty()) {
    Counters c;
    WriteBranch(bolt, object, c, 0.0f);
  }
  for (size_t l = 0; l < 3; ++l)
    if (locked[l]) object->UnlockLayer(l);
}

void DS_LightningGN::WriteBranch(const BoltBranch& branch, DS_ParticlesObj* object, Counters& c, float u0) {
  const size_t n = branch.size();
  if (n == 0) return;
  const float core = static_cast<float>(coreWidth.value);
  const float glow = static_cast<float>(glowWidth.value);
  const DocImage* image = images.empty() ? nullptr : &images[0];
  const float ratio = image && image->width > 0 ? static_cast<float>(image->height) / image->width : 0.0f;
  // Both ribbons first, so the corners two quads share can be averaged.
  std::vector<DX_V::PCT> coreQuads((n - 1) * 4), glowQuads((n - 1) * 4);
  float u = u0;
  for (size_t k = 0; k + 1 < n; ++k) {
    const BoltPoint& A = branch[k];
    const BoltPoint& B = branch[k + 1];
    const D3DXVECTOR3 d = B.position - A.position;
    const float len = D3DXVec3Length(&d);
    DX_V::PCT* cq = &coreQuads[k * 4];
    DX_V::PCT* gq = &glowQuads[k * 4];
    BuildSegmentQuadVertices(cq, A.position, d, len, A.width * core, B.width * core);
    BuildSegmentQuadVertices(gq, A.position, d, len, A.width * glow, B.width * glow);
    const float b = BoltBrightness(A.ramp);
    const D3DCOLOR c1 = VertexColour(colour1, b), c2 = VertexColour(colour2, b);
    const float advance = core > 0.0f ? ratio * (len / core) * B.width : 0.0f;
    static constexpr float kV[4] = {1.0f, 0.0f, 1.0f, 0.0f};
    for (int j = 0; j < 4; ++j) {
      cq[j].color = c1;
      gq[j].color = c2;
      cq[j].u = gq[j].u = j < 2 ? u : u + advance;
      cq[j].v = gq[j].v = kV[j];
    }
    u += advance;
  }
  for (auto* quads : {&coreQuads, &glowQuads}) {
    for (size_t k = 0; k + 2 < n; ++k) {
      for (int side = 0; side < 2; ++side) {
        DX_V::PCT& a = (*quads)[k * 4 + 2 + side];
        DX_V::PCT& b = (*quads)[(k + 1) * 4 + side];
        const float x = (a.x + b.x) / 2.0f, y = (a.y + b.y) / 2.0f, z = (a.z + b.z) / 2.0f;
        a.x = b.x = x;
        a.y = b.y = y;
        a.z = b.z = z;
      }
    }
  }
  // Side branches are written as the walk reaches their roots.
  for (size_t k = 0; k < n; ++k) {
    if (k + 1 < n) {
      object->SetQuad(0, c.core++, &coreQuads[k * 4]);
      object->SetQuad(1, c.glow++, &glowQuads[k * 4]);
    }
    if (!branch[k].branch.empty()) WriteBranch(branch[k].branch, object, c, 0.0f);
  }
  // Caps of the core ribbon along the branch direction, and the end squares.
  const BoltPoint& first = branch.front();
  const BoltPoint& last = branch.back();
  D3DXVECTOR3 dir = last.position - first.position;
  const float dl = D3DXVec3Length(&dir);
  dir = dl > 0.0f ? dir / dl : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  DX_V::PCT q[4];
  const float back = 0.5f * core * first.width;
  BuildSegmentQuadVertices(q, first.position - dir * back, dir * back, back, 0.0f, core * first.width);
  const D3DCOLOR cFirst = VertexColour(colour1, BoltBrightness(first.ramp));
  for (int j = 0; j < 4; ++j) {
    q[j].color = cFirst;
    q[j].u = j < 2 ? u0 - 0.5f * ratio : u0;
    q[j].v = (j % 2 == 0) ? 1.0f : 0.0f;
  }
  object->SetQuad(0, c.core++, q);
  const float on = 0.7f * core * last.width;
  BuildSegmentQuadVertices(q, last.position, dir * on, on, core * last.width, 0.0f);
  const D3DCOLOR cLast = VertexColour(colour1, BoltBrightness(last.ramp));
  for (int j = 0; j < 4; ++j) {
    q[j].color = cLast;
    q[j].u = j < 2 ? u : u + 0.7f * ratio;
    q[j].v = (j % 2 == 0) ? 1.0f : 0.0f;
  }
  object->SetQuad(0, c.core++, q);
  for (const BoltPoint* p : {&first, &last}) {
    const float s = p->width * glow;
    BuildQuadVertices(q, s, s, p->position);
    const D3DCOLOR c2 = VertexColour(colour2, BoltBrightness(p->ramp));
    for (auto& vertex : q) vertex.color = c2;
    object->SetQuad(2, c.ends++, q);
  }
}

void DS_LightningGN::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  IDirect3DTexture9* texture = CurrentTexture(0);
  GlowPass::Draw(*this, context, object, {{0, texture}}, {{1, texture}});
}
