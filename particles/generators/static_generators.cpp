#include "particles/generators/static_generators.h"

#include <algorithm>

#include "core/archive.h"
#include "core/math_routines.h"
#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"

namespace {

void ReadHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

void ReadPoint(DS_IOF_Archive& ar, D3DXVECTOR3* p) {
  ar.ReadFloat(&p->x);
  ar.ReadFloat(&p->y);
  ar.ReadFloat(&p->z);
}

}  // namespace

// ---- DS_StaticGenerator

void DS_StaticGenerator::ReadStaticRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadHeader(ar, &version);
  ReadPoint(ar, &origin.value);
  int32_t baseVersion = 0;
  ReadHeader(ar, &baseVersion);
  ReadTexGeneratorRecord(ar, baseVersion);
}

void AdvanceGlyphAnimation(DocImage& picture, float t) {
  if (t - picture.lastSwitch < 0.0f) picture.lastSwitch = t;
  if (picture.delays.empty()) return;
  // Delays and frames may differ in number: an index past the delays restarts.
  if (picture.frameIndex >= picture.delays.size()) picture.frameIndex = 0;
  if (t - picture.lastSwitch > picture.delays[picture.frameIndex]) {
    picture.lastSwitch = t;
    picture.frameIndex = static_cast<uint32_t>((picture.frameIndex + 1) % picture.delays.size());
  }
}

// ---- DS_AnimatedFont

DS_AnimatedFont::DS_AnimatedFont() {
  animationSpeed.SetScaleOffset(0.01f, 0.0f, 1u);
  scale.SetScaleOffset(0.01f, 0.0f);
}

void DS_AnimatedFont::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadWideString(&text.value);
  animationSpeed.Read(ar);
  scale.Read(ar);
  for (auto& s : settings) ar.ReadUInt(&s.value);
  ar.ReadInt(&setting.value);
  // Character, a name of at least a length byte's header, an id.
  const uint32_t count = ar.ReadSignedCount(2 + 4 + 8);
  for (uint32_t i = 0; i < count; ++i) {
    int16_t c = 0;
    ar.ReadShort(&c);
    LinkKey key;
    ar.ReadWideString(&key.name);
    ar.ReadInt64(&key.id);
    glyphMap.emplace(static_cast<char16_t>(c), std::move(key));  // the first entry stays
  }
  ReadImageFileLinks(ar, glyphLinks);
  ReadStaticRecord(ar);
}

void DS_AnimatedFont::AttachRenderObject(DS_ParticlesObj* object) {
  DS_StaticGenerator::AttachRenderObject(object);
  object->SetLayerCount(1);
  glyphPictures.clear();
  if (DS_DocResManager* manager = CurrentDocResManager())
    for (const DS_ImageFileLink& link : glyphLinks) glyphPictures.push_back(manager->LoadModuleImage(link));
  const uint32_t n = static_cast<uint32_t>(std::min<size_t>(GlyphCount(), kMaxLayerQuads));
  object->ReserveQuads(0, n);
  if (n > 0 && object->LockLayer(0)) {
    uint32_t k = 0;
    for (const GeneratorParticle& head : heads) {
      if (k >= n) break;
      const DocImage& picture = glyphPictures[k];
      const float x = head.position.x, y = head.position.y, z = head.position.z;
      const float w = static_cast<float>(picture.width), h = static_cast<float>(picture.height);
      const DX_V::PCT quad[4] = {{x, y + h, z, 0xFFFFFFFFu, 0.0f, 1.0f},
                                 {x, y, z, 0xFFFFFFFFu, 0.0f, 0.0f},
                                 {x + w, y + h, z, 0xFFFFFFFFu, 1.0f, 1.0f},
                                 {x + w, y, z, 0xFFFFFFFFu, 1.0f, 0.0f}};
      object->SetQuad(0, k++, quad);
    }
    object->UnlockLayer(0);
  }
  const float s = scale.derived;
  D3DXMATRIX m;
  MatrixScalingAboutPoint(&m, origin.value, s, s, s);
  if (DS_IndexedMesh<DX_V::PCT>* mesh = object->LayerMesh(0)) {
    mesh->local = m;
    mesh->world = m;
  }
  for (int i = 0; i < 4; ++i)
    D3DXVec3TransformCoord(&shownBounds.corners[i].value, &layoutBounds.corners[i].value, &m);
}

void DS_AnimatedFont::Update(float time, DS_ParticlesObj*) {
  animationSpeed.Advance(time);
  for (DocImage& picture : glyphPictures) AdvanceGlyphAnimation(picture, animationSpeed.elapsed);
}

void DS_AnimatedFont::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  IDirect3DDevice9* device = CurrentDevice();
  DS_IndexedMesh<DX_V::PCT>* mesh = object ? object->LayerMesh(0) : nullptr;
  if (!context || !device || !mesh || !mesh->vertexBuffer) return;
  const size_t n = std::min<size_t>(GlyphCount(), object->QuadCount(0));
  for (size_t i = 0; i < n; ++i) {
    const DocImage& picture = glyphPictures[i];
    if (picture.frameIndex >= picture.textures.size()) continue;
    IDirect3DTexture9* texture = picture.textures[picture.frameIndex].Get();
    if (!texture) continue;
    device->SetTexture(0, texture);
    if (effect) {
      // Our effects read their picture from a parameter, not from stage 0.
      effect->SetTechnique(effect->GetTechniqueByName("BlendMask"));
      effect->SetTexture("Texture1", texture);
    }
    context->DrawQuadRange(mesh, effect ? &effect : nullptr, static_cast<int>(i), 1);
  }
}

// ---- DS_SingleRectGN

void DS_SingleRectGN::ReadSingleRectRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadHeader(ar, &version);
  for (auto& corner : rect.corners) ReadPoint(ar, &corner.value);
  if (version < 2) {
    float skipped = 0.0f;
    ar.ReadFloat(&skipped);
    ar.ReadFloat(&skipped);
  }
  ReadStaticRecord(ar);
}

void DS_SingleRectGN::AttachRenderObject(DS_ParticlesObj* object) {
  DS_StaticGenerator::AttachRenderObject(object);
  object->SetLayerCount(1);
  object->ReserveQuads(0, 1);
  BuildRectQuad();
}

void DS_SingleRectGN::BuildRectQuad() {
  if (!runtime || !runtime->LockLayer(0)) return;
  const int order[4] = {1, 0, 3, 2};
  const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  const D3DCOLOR colour = VertexColour(colour1, 1.0f);
  DX_V::PCT quad[4];
  for (int i = 0; i < 4; ++i) {
    const D3DXVECTOR3& c = rect.corners[order[i]].value;
    float u = uv[i][0], v = uv[i][1];
    if (horizontalMirror.value != 0) u = 1.0f - u;
    if (verticalMirror.value != 0) v = 1.0f - v;
    quad[i] = DX_V::PCT{c.x, c.y, c.z, colour, u, v};
  }
  runtime->SetQuad(0, 0, quad);
  runtime->UnlockLayer(0);
}

// ---- DS_Plant

DS_Plant::DS_Plant() {
  speed.SetScaleOffset(0.02f, 0.0f, 1u);
  frequency.SetScaleOffset(0.1f, 0.0f);
  wMagnitude.SetScaleOffset(0.002f, 0.0f);
  bMagnitude.SetScaleOffset(0.002f, 0.0f);
}

void DS_Plant::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  speed.Read(ar);
  frequency.Read(ar);
  wMagnitude.Read(ar);
  bMagnitude.Read(ar);
  ReadSingleRectRecord(ar);
}

void DS_Plant::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  IDirect3DTexture9* texture = CurrentTexture(0);
  DS_IndexedMesh<DX_V::PCT>* mesh = object ? object->LayerMesh(0) : nullptr;
  if (!context || !effect || !texture || !mesh || !mesh->vertexBuffer) return;
  float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  if (timing.timeMode.value == 1) {
    ZVI_Timing* timeline = timing.Current();
    colour[3] = timeline ? timeline->GetVisibility() : 1.0f;
  }
  effect->SetTechnique(effect->GetTechniqueByName("Main"));
  effect->SetTexture("Texture", texture);
  effect->SetFloat("Time", speed.elapsed);
  effect->SetFloat("Frequency", frequency.derived);
  effect->SetFloat("WMagnitude", wMagnitude.derived);
  effect->SetFloat("BMagnitude", bMagnitude.derived);
  effect->SetFloatArray("color", colour, 4);
  context->DrawQuadRange(mesh, &effect, 0, static_cast<int>(object->QuadCount(0)));
}
