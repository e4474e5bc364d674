#include "particles/nodes/particle_system.h"

#include <algorithm>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "particles/nodes/picture_node.h"
#include "particles/nodes/groups.h"
#include "particles/nodes/tree_curve.h"
#include "particles/nodes/line_node.h"
#include "particles/nodes/picture_kinds.h"
#include "particles/nodes/stripe_line.h"
#include "particles/nodes/trace_node.h"

// --- model ---

ZVI_PtclSys_Constructor::ZVI_PtclSys_Constructor() : root(new ZVI_PtclSysNode_Root) {
  speed.SetScaleOffset(0.01f, 0.0f, 100u);
}

ZVI_PtclSys_Constructor::ZVI_PtclSys_Constructor(const ZVI_PtclSys_Constructor& other)
    : DS_ABObj_Constructor(other),
      root(other.root),
      speed(other.speed),
      frameStep(other.frameStep),
      scaledClock(other.scaledClock),
      lastLocalTime(other.lastLocalTime) {}

ZVI_PtclSys_Constructor::~ZVI_PtclSys_Constructor() = default;

void ZVI_PtclSys_Constructor::ResetTime() {
  if (!root) return;
  root->ResetNode();
  root->Start(root->parent ? root->parent->GetParticles() : nullptr);
}

DS_ABObj* ZVI_PtclSys_Constructor::CreateRuntime() {
  ZVI_PtclSys_Constructor* copy = Clone();
  auto* object = new ZVI_PtclSys_Obj(copy);
  copy->StartTree();
  return object;
}

void ZVI_PtclSys_Constructor::StartTree() {
  if (!root) return;
  root->Attach(this);
  root->Start(nullptr);
}

void ZVI_PtclSys_Constructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  std::unique_ptr<ZVI_PtclSys_Node> node = ReadNodeByName(ar);
  auto* newRoot = dynamic_cast<ZVI_PtclSysNode_Root*>(node.get());
  if (newRoot) node.release();
  // Anything but a root node counts as none: the system draws nothing.
  root = DS_SafePtr<ZVI_PtclSysNode_Root>(newRoot);
  if (version > 1) speed.Read(ar);
  ReadConstructorBase(ar);
}

void ZVI_PtclSys_Builder::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  zvi_string className;
  int32_t inner = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&inner);
  ZVI_PtclSys_Constructor::ReadRecord(ar, inner);
}

// --- runtime object ---

ZVI_PtclSys_Obj::ZVI_PtclSys_Obj(ZVI_PtclSys_Constructor* ownedModel) : DS_ABObj(ownedModel), system(ownedModel) {}

ZVI_PtclSys_Obj::~ZVI_PtclSys_Obj() {
  batches.clear();
  filled.clear();
}

MeshRecord* ZVI_PtclSys_Obj::Batch(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= batches.size()) return nullptr;
  return &batches[static_cast<size_t>(index)];
}

void ZVI_PtclSys_Obj::Render(DS_ABRender* context, int* pass) {
  if (!system->root) return;
  int32_t index = 0;
  system->root->DrawBatch(this, &index, context, pass);
}

int32_t ZVI_PtclSys_Obj::NeedsBackground() {
  if (!running || !system->root) return 0;
  return system->root->PassCount();
}

void ZVI_PtclSys_Obj::SetOffset(float x, float y, float z) {
  if (!system->root) return;
  if (ZVI_PtclSys_RootPoint* point = system->root->RootPoint()) point->SetOffset(x, y, z);
}

void ZVI_PtclSys_Obj::Update(float t) {
  ZVI_PtclSys_Constructor& m = *system;
  const float dt = t - std::min(m.lastLocalTime, t);
  m.lastLocalTime = t;
  const float step = m.speed.derived * std::min(dt, 0.2f);
  m.frameStep = step;
  m.scaledClock += step;
  const float visibility = m.timing.Current()->GetVisibility();
  ZVI_PtclSysNode_Root* root = m.root.get();
  int32_t n = 0;
  if (root) {
    const ParticleVector none;
    n = root->Step(step, &none);
  }
  if (root && m.timing.timeMode.value == 1 && root->physics && !root->physics->particles.empty()) {
    if (Particle* point = root->physics->particles.front().get()) point->alpha = visibility;
  }
  if (n < 0) n = 0;
  // Surplus records go from the end; the rest keep their buffers.
  batches.resize(static_cast<size_t>(n));
  filled.assign(static_cast<size_t>(n), 0);
  if (!root) return;
  int32_t index = 0;
  root->FillBatch(this, &index);
}

void RegisterNodeParticleReaders() {
  RegisterReader<ZVI_PtclSys_Constructor, DS_ABObj_Constructor>(u"ZVI_PtclSys_Constructor");
  RegisterReader<ZVI_PtclSys_Builder, DS_ABObj_Constructor>(u"ZVI_PtclSys_Builder");
  RegisterReader<ZVI_PtclSysNode_Root, ZVI_IOF_Item>(u"ZVI_PtclSysNode_Root");
  RegisterReader<ZVI_PtclSysNode_Emitter, ZVI_IOF_Item>(u"ZVI_PtclSysNode_Emitter");
  RegisterReader<ZVI_PtclSysNode_Track, ZVI_IOF_Item>(u"ZVI_PtclSysNode_Track");
  RegisterReader<ZVI_PtclSysNode_Picture, ZVI_IOF_Item>(u"ZVI_PtclSysNode_Picture");
  RegisterReader<ZVI_PtclSysNode_Blank, ZVI_IOF_Item>(u"ZVI_PtclSysNode_Blank");
  // Tree-structured systems.
  RegisterReader<ZVI_PSTree_Root, DS_ABObj_Constructor>(u"ZVI_PSTree_Root");
  RegisterReader<ZVI_PtclSysPreset, DS_ABObj_Constructor>(u"ZVI_PtclSysPreset");
  RegisterReader<ZVI_PSTree_Stem, ZVI_IOF_Item>(u"ZVI_PSTree_Stem");
  RegisterReader<ZVI_PSTree_Leaf, ZVI_IOF_Item>(u"ZVI_PSTree_Leaf");
  RegisterReader<ZVI_PSTree_Trace, ZVI_IOF_Item>(u"ZVI_PSTree_Trace");
  RegisterReader<ZVI_PartyBalloon, ZVI_IOF_Item>(u"ZVI_PartyBalloon");
  RegisterReader<ZVI_PSTree_Curve, ZVI_IOF_Item>(u"ZVI_PSTree_Curve");
  RegisterReader<ZVI_PtclSysNode_Trace, ZVI_IOF_Item>(u"ZVI_PtclSysNode_Trace");
  RegisterReader<ZVI_PtclSysNode_Line, ZVI_IOF_Item>(u"ZVI_PtclSysNode_Line");
  RegisterReader<ZVI_PtclSysNodePic_Explode, ZVI_IOF_Item>(u"ZVI_PtclSysNodePic_Explode");
  RegisterReader<ZVI_PtclSysNodePic_2DText, ZVI_IOF_Item>(u"ZVI_PtclSysNodePic_2DText");
  RegisterReader<ZVI_PtclSysNode_FractalLine, ZVI_IOF_Item>(u"ZVI_PtclSysNode_FractalLine");
  RegisterReader<ZVI_PtclSysNode_RandomLine, ZVI_IOF_Item>(u"ZVI_PtclSysNode_RandomLine");
  RegisterReader<ZVI_PtclSysNode_PerlinLine, ZVI_IOF_Item>(u"ZVI_PtclSysNode_PerlinLine");
  RegisterGroupReaders();
}
