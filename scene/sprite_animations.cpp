#include "scene/sprite_animations.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/archive.h"
#include "core/crt.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/ds_ab_render.h"
#include "player/timelines.h"
#include "scene/sprite_base.h"

namespace {

void ReadPoint(DS_IOF_Archive& ar, D3DXVECTOR3* p) {
  ar.ReadFloat(&p->x);
  ar.ReadFloat(&p->y);
  ar.ReadFloat(&p->z);
}

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  const D3DXVECTOR3 d = b - a;
  return D3DXVec3Length(&d);
}

}  // namespace

void StepImageFrame(DocImage& image, float c, bool backwards) {
  if (c - image.lastSwitch < 0.0f) image.lastSwitch = c;
  const size_t n = image.delays.size();
  if (n == 0) return;
  // Delays and frames may differ in number: an index past the delays restarts.
  if (image.frameIndex >= n) image.frameIndex = 0;
  if (!(image.delays[image.frameIndex] < c - image.lastSwitch)) return;
  image.lastSwitch = c;
  if (backwards) image.frameIndex = (image.frameIndex == 0 ? static_cast<uint32_t>(n) : image.frameIndex) - 1;
  else image.frameIndex = static_cast<uint32_t>((image.frameIndex + 1) % n);
}

// ---- DS_PathGenerator

void DS_PathGenerator::ReadPathRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  ReadSmartPoints(ar, path.points);
  int32_t baseVersion = 0;
  ReadRecordHeader(ar, &baseVersion);
  ReadTexGeneratorRecord(ar, baseVersion);
}

// ---- DS_PathAnimtion

DS_PathAnimtion::DS_PathAnimtion() {
  travelSpeed.SetScaleOffset(3.0f, 0.0f, 1u);
  frameSpeed.SetScaleOffset(0.01f, 0.0f, 100u);
  spriteSize.SetScaleOffset(0.01f, 0.0f, 0u);
}

void DS_PathAnimtion::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  travelSpeed.Read(ar);
  spriteSize.Read(ar);
  ar.ReadInt(&orientation.value);
  ar.ReadInt(&flipVertical.value);
  ar.ReadInt(&flipHorizontal.value);
  if (version >= 2) frameSpeed.Read(ar);
  ReadPathRecord(ar);
}

void DS_PathAnimtion::AttachRenderObject(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::AttachRenderObject(object);
  heads.clear();
  if (object) object->SetLayerCount(1);
  cursor = 0;
  segmentOffset = 0.0f;
  backwards = 0;
}

void DS_PathAnimtion::Update(float time, DS_ParticlesObj* object) {
  travelSpeed.Advance(time);
  frameSpeed.Advance(time);
  if (!images.empty()) StepImageFrame(images[0], frameSpeed.elapsed, false);
  WriteSpriteQuad(object);
}

void DS_PathAnimtion::MoveAlongPath() {
  previousPosition = position;
  const auto& points = path.points;
  const size_t n = points.size();
  if (n == 0) return;
  auto at = [&](size_t i) { return points[i] ? points[i]->value : D3DXVECTOR3(0.0f, 0.0f, 0.0f); };
  if (cursor >= n) cursor = n - 1;
  if (n == 1) {
    position = at(0);
    segmentOffset = 0.0f;
    return;
  }
  segmentOffset += travelSpeed.step;
  // One back-and-forth travel brings the sprite back where it was, so the
  // walk below never takes more than one.
  double total = 0.0;
  for (size_t i = 0; i + 1 < n; ++i) total += Distance(at(i), at(i + 1));
  if (!std::isfinite(segmentOffset) || segmentOffset < 0.0f || !(total > 0.0) || !std::isfinite(total)) {
    segmentOffset = 0.0f;
  } else if (segmentOffset > 2.0 * total) {
    segmentOffset = static_cast<float>(std::fmod(static_cast<double>(segmentOffset), 2.0 * total));
  }
  // Each pass crosses one segment; zero-length ones are passed over.
  const size_t maxPasses = 4 * n + 4;
  for (size_t pass = 0;; ++pass) {
    if (backwards && cursor == 0) backwards = 0;
    if (!backwards && cursor == n - 1) backwards = 1;
    const size_t q = backwards ? cursor - 1 : cursor + 1;
    const D3DXVECTOR3 p = at(cursor), qp = at(q);
    const float L = Distance(p, qp);
    if (segmentOffset > L && pass < maxPasses) {
      segmentOffset -= L;
      cursor = q;
      continue;
    }
    if (segmentOffset > L) segmentOffset = L;
    position = L > 0.0f ? p + (qp - p) * (segmentOffset / L) : p;
    return;
  }
}

void DS_PathAnimtion::WriteSpriteQuad(DS_ParticlesObj* object) {
  if (!object) return;
  if (path.points.empty()) {
    // Nothing to travel: nothing drawn.
    object->ReserveQuads(0, 0);
    return;
  }
  object->ReserveQuads(0, 1);
  if (!object->LockLayer(0)) return;
  const DocImage* image = images.empty() ? nullptr : &images[0];
  const float W = (image ? static_cast<float>(image->width) : 0.0f) * spriteSize.derived;
  const float H = (image ? static_cast<float>(image->height) : 0.0f) * spriteSize.derived;
  MoveAlongPath();
  DX_V::PCT quad[4];
  if (orientation.value == 1) {
    D3DXVECTOR3 d = position - previousPosition;
    D3DXVec3Normalize(&d, &d);
    BuildOrientedQuadVertices(quad, position, d * W, D3DXVECTOR3(d.y, -d.x, 0.0f) * H, 1.0f);
  } else {
    BuildQuadVertices(quad, W, H, position);
  }
  bool h = flipHorizontal.value != 0, v = flipVertical.value != 0;
  if (orientation.value == 2 && !(previousPosition.x - position.x < 0.0f)) h = !h;
  if (orientation.value == 3 && position.y > previousPosition.y) v = !v;
  if (h) {
    std::swap(quad[0].u, quad[2].u);
    std::swap(quad[1].u, quad[3].u);
  }
  if (v) {
    std::swap(quad[0].v, quad[1].v);
    std::swap(quad[2].v, quad[3].v);
  }
  const D3DCOLOR colour = VertexColour(colour1, 1.0f);
  for (DX_V::PCT& vertex : quad) vertex.color = colour;
  object->SetQuad(0, 0, quad);
  object->UnlockLayer(0);
}

// ---- DS_StaticAnimation

DS_StaticAnimation::DS_StaticAnimation() {
  frameSpeed.SetScaleOffset(0.01f, 0.0f, 1u);
  effectLink.name = u"common_res.dll";
  effectLink.id = 116;
}

void DS_StaticAnimation::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  frameSpeed.Read(ar);
  ar.ReadInt(&reverse.value);
  ReadSingleRectRecord(ar);
}

void DS_StaticAnimation::Update(float time, DS_ParticlesObj*) {
  frameSpeed.Advance(time);
  if (!images.empty()) StepImageFrame(images[0], frameSpeed.elapsed, reverse.value != 0);
}

void DS_StaticAnimation::SpriteColour(float out[4]) {
  const uint32_t c = colour1.value;
  ZVI_Timing* timeline = timing.Current();
  const float v = timeline ? timeline->GetVisibility() : 1.0f;
  out[0] = static_cast<float>(c & 0xFFu) / 255.0f;
  out[1] = static_cast<float>(c >> 8 & 0xFFu) / 255.0f;
  out[2] = static_cast<float>(c >> 16 & 0xFFu) / 255.0f;
  out[3] = static_cast<float>(colour1.transparency.derived) * v / 255.0f;
}

void DS_StaticAnimation::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  DS_IndexedMesh<DX_V::PCT>* mesh = object ? object->LayerMesh(0) : nullptr;
  if (!context || !effect || !mesh || !mesh->vertexBuffer) return;
  float colour[4];
  SpriteColour(colour);
  effect->SetTechnique(effect->GetTechniqueByName("Blend_Normal"));
  effect->SetTexture("Texture", CurrentTexture(0));
  effect->SetFloatArray("Color", colour, 4);
  context->DrawQuadRange(mesh, &effect, 0, static_cast<int>(object->QuadCount(0)));
}

// ---- DS_BrownAnimation

DS_BrownAnimation::DS_BrownAnimation() {
  spriteSize.SetScaleOffset(0.01f, 0.0f, 0u);
  wanderSpeed.SetScaleOffset(0.04f, 0.0f, 0u);
  retargetInterval.SetScaleOffset(0.08f, 0.25f, 0u);
  steeringTime.SetScaleOffset(0.02f, 0.02f, 0u);
  frameSpeed.SetScaleOffset(0.01f, 0.0f, 100u);
  PointSettingsHere();
}

DS_BrownAnimation::DS_BrownAnimation(const DS_BrownAnimation& other)
    : DS_ParticleRctRgnGenerator(other),
      count(other.count),
      spriteSize(other.spriteSize),
      wanderSpeed(other.wanderSpeed),
      retargetInterval(other.retargetInterval),
      steeringTime(other.steeringTime),
      frameSpeed(other.frameSpeed) {
  PointSettingsHere();
}

void DS_BrownAnimation::PointSettingsHere() {
  settings.area = &region;
  settings.speed = &wanderSpeed;
  settings.interval = &retargetInterval;
  settings.steerTime = &steeringTime;
  for (GeneratorParticleList* list : {&heads, &emitted})
    for (GeneratorParticle& p : *list)
      for (PProcess* process : p.processes)
        if (auto* walk = dynamic_cast<PBrownian*>(process)) walk->settings = &settings;
}

void DS_BrownAnimation::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&count.value);
  spriteSize.Read(ar);
  wanderSpeed.Read(ar);
  retargetInterval.Read(ar);
  steeringTime.Read(ar);
  if (version >= 2) frameSpeed.Read(ar);
  ReadRegionRecord(ar);
}

void DS_BrownAnimation::AttachRenderObject(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::AttachRenderObject(object);
  heads.clear();
  if (object) object->SetLayerCount(1);
}

void DS_BrownAnimation::Update(float time, DS_ParticlesObj* object) {
  frameSpeed.Advance(time);
  if (!images.empty()) StepImageFrame(images[0], frameSpeed.elapsed, false);
  DS_ParticleGenerator::Update(time, object);
  KeepSpriteCount();
  WriteSpriteQuads(object);
}

void DS_BrownAnimation::KeepSpriteCount() {
  const size_t n = SpriteCount();
  const D3DXVECTOR3 c0 = region.corners[0].value, c3 = region.corners[3].value;
  while (heads.size() < n) {
    const float y = crt_rand01() * (c3.y - c0.y) + c0.y;
    const float x = crt_rand01() * (c3.x - c0.x) + c0.x;
    GeneratorParticle p(x, y, 0.0f);
    auto* walk = new PBrownian(&settings);
    walk->velocity.y = crt_rand01() * 200.0f - 100.0f;
    walk->velocity.x = crt_rand01() * 200.0f - 100.0f;
    walk->velocity.z = 0.0f;
    walk->retargetTimer = crt_rand01() * 4.0f + 1.0f;
    walk->inside = 1;
    p.AddProcess(walk);
    heads.push_back(p);
  }
  while (heads.size() > n) heads.pop_back();
}

void DS_BrownAnimation::WriteSpriteQuads(DS_ParticlesObj* object) {
  if (!object) return;
  object->ReserveQuads(0, static_cast<uint32_t>(heads.size()));
  if (heads.empty() || !object->LockLayer(0)) return;
  const DocImage* image = images.empty() ? nullptr : &images[0];
  const float W = (image ? static_cast<float>(image->width) : 0.0f) * spriteSize.derived;
  const float H = (image ? static_cast<float>(image->height) : 0.0f) * spriteSize.derived;
  const D3DCOLOR colour = VertexColour(colour1, 1.0f);
  uint32_t index = 0;
  for (const GeneratorParticle& p : heads) {
    DX_V::PCT quad[4];
    BuildQuadVertices(quad, W, H, p.position);
    for (DX_V::PCT& vertex : quad) vertex.color = colour;
    object->SetQuad(0, index++, quad);
  }
  object->UnlockLayer(0);
}
