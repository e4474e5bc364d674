#include "particles/nodes/line_node.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/archive.h"
#include "particles/nodes/particle_system.h"

void LineSegments::Add() {
  const SegmentPtr made(new ZVI_StraightWidehtLine);
  if (current_index < 0) {
    value.push_back(made);
  } else {
    const size_t at = std::min(value.size(), static_cast<size_t>(current_index) + 1);
    value.insert(value.begin() + static_cast<std::ptrdiff_t>(at), made);
  }
  if (current_index < 0 && !value.empty()) {
    current_index = 0;
    Notify(nullptr);
  }
}

void LineSegments::Remove(int32_t index) {
  if (index < 0 || index >= Count()) return;
  value.erase(value.begin() + index);
}

zvi_string LineSegments::ItemName(int32_t index) const {
  char text[24];
  std::snprintf(text, sizeof text, "Segment %02d", index + 1);
  zvi_string name;
  for (const char* c = text; *c; ++c) name.push_back(static_cast<char16_t>(*c));
  return name;
}

ZVI_PtclSysNode_Line::ZVI_PtclSysNode_Line() {
  anchor.SetScaleOffset(-0.01f, 0.0f, 0u);
  textureRepeat.SetScaleOffset(0.01f, 1.0f, 100u);
  segments.value.push_back(SegmentPtr(new ZVI_StraightWidehtLine));
  segments.current_index = 0;
}

int32_t ZVI_PtclSysNode_Line::Step(float dt, const ParticleVector* sources) {
  return segments.value.empty() ? 0 : ZVI_PtclSysNode_Picture::Step(dt, sources);
}

void ZVI_PtclSysNode_Line::DrawBatch(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass) {
  if (!segments.value.empty()) ZVI_PtclSysNode_Picture::DrawBatch(object, index, context, pass);
}

void ZVI_PtclSysNode_Line::RebuildSamples() {
  lineSamples.clear();
  totalLength = 0.0f;
  for (const SegmentPtr& segment : segments.value)
    if (segment) AppendSegmentSamples(*segment, lineSamples, totalLength);
}

float ZVI_PtclSysNode_Line::TextureRate() const {
  if (texture.images.empty() || texture.images.front().imageWidth == 0) return 0.0f;
  return textureRepeat.derived / static_cast<float>(texture.images.front().imageWidth);
}

void ZVI_PtclSysNode_Line::FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) {
  filledBatches_ = 0;
  if (segments.value.empty()) return;
  RebuildSamples();
  // The batches in the order the picture's draw takes them.
  if (visible.value == 0) {
    FillChildren(object, index);
    return;
  }
  if (childrenAfter.value == 0) FillChildren(object, index);
  drawFlags &= ~1u;
  const int32_t i = (*index)++;
  filledBatches_ = 1;
  static const ParticleVector none;
  const ParticleVector& particles = physics ? physics->particles : none;
  if (MeshRecord* b = object->Batch(i)) {
    const size_t n = lineSamples.size();
    const uint32_t v = RibbonVertices(n), t = RibbonTriangles(n);
    // A batch stops before the particle whose ribbon would pass 65 535
    // vertices: no index wraps.
    size_t count = particles.size();
    if (v > 0) count = std::min<size_t>(count, 65535u / v);
    if (v == 0) count = 0;
    b->EnsureBatchCapacity(static_cast<int32_t>(count * v), static_cast<int32_t>(count * t));
    auto* vertices = static_cast<BandVertex*>(b->LockVertices());
    void* indexData = nullptr;
    if (vertices && b->indexBuffer && SUCCEEDED(b->indexBuffer->Lock(0, 0, &indexData, 0)) && indexData) {
      RibbonOutput out{vertices, static_cast<uint16_t*>(indexData), 0, 0};
      const float factors[4] = {static_cast<float>(tint.value & 0xFF) / 255.0f,
                             static_cast<float>((tint.value >> 8) & 0xFF) / 255.0f,
                             static_cast<float>((tint.value >> 16) & 0xFF) / 255.0f,
                             static_cast<float>(tint.Alpha()) / 255.0f};
      const float rate = TextureRate();
      for (size_t k = 0; k < count; ++k) {
        const Particle* p = particles[k].get();
        if (!p) continue;
        const D3DXMATRIX world = p->GetWorldMatrix();
        D3DXMATRIX shift, scale;
        D3DXMatrixTranslation(&shift, totalLength * anchor.derived, 0, 0);
        D3DXMatrixScaling(&scale, clipMode.value == 0 ? p->scale.x : 1.0f, p->scale.y, 1.0f);
        const D3DXMATRIX m = shift * scale * world;
        RibbonPaint paint;
        paint.colour[0] = factors[0] * p->color.x;
        paint.colour[1] = factors[1] * p->color.y;
        paint.colour[2] = factors[2] * p->color.z;
        paint.colour[3] = factors[3] * std::fmin(1.0f, p->GetWorldAlpha());
        paint.uRate = rate;
        const std::vector<StripSample> shown = ClipLineSamples(lineSamples, clipMode.value, totalLength, *p);
        // A clipped ribbon has no more samples than the line; kept as a guard.
        if (out.vertexCount + RibbonVertices(shown.size()) > static_cast<uint32_t>(b->vertexCount) ||
            out.indexCount + 3 * RibbonTriangles(shown.size()) > 3 * static_cast<uint32_t>(b->triangleCapacity))
          break;
        WriteRibbon(shown, m, paint, out);
      }
      b->indexBuffer->Unlock();
      b->UnlockVertices();
      b->EnsureBatchCapacity(static_cast<int32_t>(out.vertexCount), static_cast<int32_t>(out.indexCount / 3));
      object->filled[static_cast<size_t>(i)] = 1;
    } else {
      if (vertices) b->UnlockVertices();
      b->triangleCount = 0;
    }
  }
  // No radial glow: the draw, seeing one batch filled, takes none for it.
  if (childrenAfter.value == 1) FillChildren(object, index);
}

void ZVI_PtclSysNode_Line::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  uint32_t anchorValue = 0;
  ar.ReadUInt(&anchorValue);
  anchor.SetValue(anchorValue);
  const uint32_t n = ar.ReadSignedCount(12);
  segments.value.clear();
  for (uint32_t k = 0; k < n; ++k) {
    SegmentPtr segment(new ZVI_StraightWidehtLine);
    segment->ReadRecord(ar);
    segments.Append(segment);
  }
  segments.Command(0, nullptr);
  if (version >= 2) {
    ar.ReadInt(&clipMode.value);
    uint32_t repeat = 0;
    ar.ReadUInt(&repeat);
    textureRepeat.SetValue(repeat);
  }
  zvi_string className;
  int32_t dynamicVersion = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&dynamicVersion);
  ZVI_PtclSysNodePic_TexDynamic::ReadRecord(ar, dynamicVersion);
}
