#include "particles/nodes/trace_node.h"

#include <memory>

#include "core/archive.h"
#include "geometry/skeleton_offset.h"
#include "particles/nodes/line_meshes.h"
#include "particles/nodes/particle_system.h"
#include "particles/nodes/transforms.h"
#include "player/texture_sources.h"

ZVI_PtclSysNode_Trace::ZVI_PtclSysNode_Trace() : ZVI_PtclSys_Option(u"Trace") {
  trails = CreateDefaultPhysics(u"ZVI_PtclSysPhys_TraceLine");
  auto* band = new ZVI_ResIDTex;
  DS_FileLink3 link;
  link.name = u"common_res.dll";
  link.id = 228;
  band->links = {DS_ImageFileLink(link)};
  texture.value = DS_SafePtr<ZVI_TextureSRC>(band);
  textureControl.Attach(&texture);
  enabledControl.Attach(&enabled);
}

ZVI_PtclSys_TrailOps* ZVI_PtclSysNode_Trace::TrailOps() const {
  return dynamic_cast<ZVI_PtclSys_TrailOps*>(trails.get());
}

void ZVI_PtclSysNode_Trace::UpdateTraceTexture() {
  if (!texture.value) return;
  texture.Resolve(1);
  texture.PremultiplyTextures();
}

void ZVI_PtclSysNode_Trace::OnEnabledChanged() {
  ZVI_PtclSys_TrailOps* ops = TrailOps();
  auto* emitter = dynamic_cast<ZVI_PtclSysNode_Emitter*>(parent);
  if (enabled.value != 0 && emitter) {
    if (ops && emitter->physics) {
      for (const ParticlePtr& p : emitter->physics->particles)
        if (p) ops->StartTrail(p);
    }
    return;
  }
  ZVI_PtclSysNode_Picture::ResetNode();
  if (trails) trails->Clear();
}

void ZVI_PtclSysNode_Trace::Attach(ZVI_PtclSys_Constructor* controller) {
  // The picture's attach but for its texture, which the trace resolves
  // unfiltered.
  ZVI_PtclSys_Node::Attach(controller);
  effect.Attach(PackEffect(EffectClass(), effectLink));
  UpdateTraceTexture();
  glow.AttachOption();
  radialGlow.AttachOption();
  shadow.AttachOption();
}

void ZVI_PtclSysNode_Trace::ResetNode() {
  ZVI_PtclSysNode_Picture::ResetNode();
  if (trails) trails->Clear();
}

void ZVI_PtclSysNode_Trace::SetupParticle(Particle* particle) {
  particle->AddTransform(new PtclTr_InheritAge);
  ZVI_PtclSys_TrailOps* ops = TrailOps();
  if (enabled.value == 0 || !ops || !physics) return;
  // The trail keeps the particle counted: find the node's own pointer to it.
  ParticleVector& own = physics->particles;
  for (auto it = own.rbegin(); it != own.rend(); ++it) {
    if (it->get() == particle) {
      ops->StartTrail(*it);
      return;
    }
  }
}

int32_t ZVI_PtclSysNode_Trace::Step(float dt, const ParticleVector* sources) {
  // The picture's step: a hidden node neither advances its texture nor sorts.
  if (visible.value != 0) {
    texture.Advance(dt);
    if (NeedsDepthSort()) DepthSort();
  }
  const int32_t children = ZVI_PtclSysNode_Emitter::Step(dt, sources);
  // Switched off, the trace and its children still move but ask for no batch.
  if (enabled.value == 0) return 0;
  if (trails) trails->Update(sources, dt);
  // The children's batches are filled with the band's, so they count too.
  return children + 1;
}

int32_t ZVI_PtclSysNode_Trace::PassCount() {
  // Nothing below a switched-off trace is drawn, so none of it can take a
  // background pass: counting one would leave the slide's chain unended.
  if (enabled.value == 0) return 0;
  int32_t sum = ZVI_PtclSys_Node::PassCount();
  if (glow.enabled.value != 0 && glow.mode.value > 0) ++sum;
  return sum;
}

void ZVI_PtclSysNode_Trace::FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) {
  filledBatches_ = 0;
  drawFlags &= ~1u;
  if (enabled.value == 0) return;
  if (childrenAfter.value == 0) FillChildren(object, index);
  const int32_t i = (*index)++;
  filledBatches_ = 1;
  MeshRecord* b = object->Batch(i);
  if (b) {
    if (!b->indexBuffer) b->EnsureBatchCapacity(1, 1);
    uint16_t triangles = 0, vertices = 0;
    if (ZVI_PtclSys_TrailOps* ops = TrailOps()) {
      MeshBandIndexHolder indexHolder(*b);
      MeshBandVertexHolder vertexHolder(*b);
      const uint32_t colour = traceColor.value;
      for (const ParticleStripe& trail : ops->Trails()) {
        if (!trail.points || trail.points->particles.empty()) continue;
        const ParticleVector& points = trail.points->particles;
        // The newest point is not part of the band.
        ZVI_StraightSkeletonOffset offset;
        TracePointAccessor accessor(points);
        offset.Build(static_cast<uint32_t>(points.size() - 1), accessor.Function());
        offset.Compute(accessor.maxHalfWidth);
        std::unique_ptr<ZVI_StripeMeshBuilder> builder = offset.CreateMeshBuilder(&indexHolder, &vertexHolder);
        if (builder) builder->Build(triangles, vertices, TraceCallback(points, colour));
      }
    }
    b->EnsureBatchCapacity(vertices, triangles);
    object->filled[static_cast<size_t>(i)] = 1;
  }
  if (childrenAfter.value == 1) FillChildren(object, index);
}

void ZVI_PtclSysNode_Trace::DrawBatch(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass) {
  // Switched off when filled: nothing was taken, nothing is drawn.
  if (filledBatches_ == 0) return;
  if (visible.value != 0 && !texture.images.empty()) {
    // The picture's draw takes the children and the band as the fill took
    // them; a trace fills no radial glow.
    ZVI_PtclSysNode_Picture::DrawBatch(object, index, context, pass);
    return;
  }
  // Hidden, or without an image: the band's batch is passed over in step
  // with the fill, the children are still drawn and a counted glow pass is
  // still taken.
  if (childrenAfter.value == 0) DrawChildren(object, index, context, pass);
  ++*index;
  if (glow.enabled.value != 0) StepBackground(context, pass);
  if (childrenAfter.value == 1) DrawChildren(object, index, context, pass);
}

void ZVI_PtclSysNode_Trace::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  std::unique_ptr<ZVI_PtclSys_Physics> read = ReadPhysics(ar);
  if (dynamic_cast<ZVI_PtclSys_TrailOps*>(read.get())) {
    trails = PhysicsPtr(read.release());
  } else {
    trails = PhysicsPtr();
  }
  ar.ReadUInt(&traceColor.value);
  uint32_t unused = 0;
  ar.ReadUInt(&unused);
  ar.ReadInt(&enabled.value);
  ar.ReadWideString(&(static_cast<ZVI_PtclSys_Option*>(this)->name));
  zvi_string className;
  int32_t pictureVersion = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&pictureVersion);
  ZVI_PtclSysNode_Picture::ReadRecord(ar, pictureVersion);
}
