#include "particles/nodes/tree_nodes.h"

#include <algorithm>

#include "core/archive.h"
#include "core/math_routines.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"

namespace {
// Smallest stored object record: an empty class name (4 bytes) and a version.
constexpr uint32_t kMinRecordBytes = 8;
}  // namespace

// --- node ---

const ParticleVector& ZVI_PSTree_Node::Particles() const {
  static const ParticleVector none;
  return geometry ? geometry->held : none;
}

void ZVI_PSTree_Node::Restart() {
  for (const ParticlePtr& p : Particles()) {
    if (p) p->flags |= ParticleFlags::Dead;
  }
  if (parentLink) parentLink->GenerateChild(this);
}

void ZVI_PSTree_Node::GenerateForAll(const ParticleVector& parents) {
  for (const ParticlePtr& p : parents) Generate(p);
}

void ZVI_PSTree_Node::Generate(const ParticlePtr& parent) {
  // A node without a geometry places nothing.
  if (!geometry) return;
  const ParticleVector made = geometry->Place(parent);
  for (const TreeNodePtr& child : children.value) {
    if (child) child->GenerateForAll(made);
  }
}

void ZVI_PSTree_Node::Activate() {
  for (const TreeNodePtr& child : children.value) {
    if (child) child->Activate();
  }
}

void ZVI_PSTree_Node::Clear() {
  if (geometry) geometry->ClearHeld();
  for (const TreeNodePtr& child : children.value) {
    if (child) child->Clear();
  }
}

void ZVI_PSTree_Node::GenerateChild(ZVI_PSTree_Node* child) {
  if (child) child->GenerateForAll(Particles());
}

int32_t ZVI_PSTree_Node::StepChildren(float dt, const ParticleVector& parents) {
  int32_t sum = 0;
  for (const TreeNodePtr& child : children.value) {
    if (child) sum += child->Step(dt, parents);
  }
  return sum;
}

void ZVI_PSTree_Node::FillChildren(ZVI_PtclSys_Mesh* mesh, int32_t* index) {
  for (auto it = children.value.rbegin(); it != children.value.rend(); ++it) {
    if (*it) (*it)->Fill(mesh, index);
  }
}

void ZVI_PSTree_Node::DrawChildren(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect,
                                   DS_ABRender* context, int* pass) {
  for (auto it = children.value.rbegin(); it != children.value.rend(); ++it) {
    if (*it) (*it)->Draw(mesh, index, effect, context, pass);
  }
}

void ReadTreeChildren(DS_IOF_Archive& ar, ZVI_SmartVectorPtr<ZVI_PSTree_Node>& children) {
  const uint32_t count = ar.ReadCount(kMinRecordBytes);
  for (uint32_t i = 0; i < count; ++i) {
    std::unique_ptr<ZVI_PSTree_Node> child = ReadObjectAs<ZVI_PSTree_Node, ZVI_IOF_Item>(ar);
    // Another class of the family leaves an empty entry.
    children.Append(TreeNodePtr(child.release()));
  }
}

void ReadPSTreeNodeRecord(DS_IOF_Archive& ar, ZVI_PSTree_Node& node) {
  zvi_string className;
  int32_t version = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&version);
  ar.ReadWideString(&node.name);
  std::unique_ptr<ZVI_PtclSys_Geometry> geometry = ReadObjectAs<ZVI_PtclSys_Geometry, ZVI_IOF_Item>(ar);
  node.geometry = DS_SafePtr<ZVI_PtclSys_Geometry>(geometry.release());
  ReadTreeChildren(ar, node.children);
  if (node.geometry) node.geometry->SetOwner(&node);
  for (const TreeNodePtr& child : node.children.value) {
    if (child) child->SetParent(&node);
  }
}

// --- stem ---

int32_t ZVI_PSTree_Stem::NeedsBackground() {
  int32_t sum = 0;
  for (const TreeNodePtr& child : children.value) {
    if (child) sum += child->NeedsBackground();
  }
  return sum;
}

int32_t ZVI_PSTree_Stem::Step(float dt, const ParticleVector& parents) {
  if (!geometry) return StepChildren(dt, ParticleVector());
  born_.clear();
  for (const ParticlePtr& parent : parents) {
    ParticleVector made = geometry->Emit(dt, parent);
    born_.insert(born_.end(), made.begin(), made.end());
  }
  for (const TreeNodePtr& child : children.value) {
    if (child) child->GenerateForAll(born_);
  }
  // The newborns are held by the geometry; the list lets them go.
  born_.clear();
  StepParticleVector(geometry->held, dt);
  return StepChildren(dt, geometry->held);
}

// --- root ---

ZVI_PSTree_Root::ZVI_PSTree_Root() : rootParticle(new Particle) {
  size.SetScaleOffset(0.01f, 0.0f, 100u);
  translucency.SetScaleOffset(-0.01f, 1.0f, 0u);
  speed.SetScaleOffset(0.01f, 0.0f, 100u);
  newObject_ = true;
}

ZVI_PSTree_Root::ZVI_PSTree_Root(const ZVI_PSTree_Root& other)
    : DS_ABObj_Constructor(other),
      ZVI_PSTree_Node_Parent(other),
      effect(other.effect),
      position(other.position),
      children(other.children),
      restartOnReset(other.restartOnReset),
      size(other.size),
      translucency(other.translucency),
      storedValue(other.storedValue),
      speed(other.speed),
      lastStep(other.lastStep),
      accumulated(other.accumulated),
      lastTime(other.lastTime),
      mesh(other.mesh),
      rootParticle(other.rootParticle),
      compiledEffect(other.compiledEffect),
      newObject_(other.newObject_) {}

ZVI_PSTree_Root::~ZVI_PSTree_Root() = default;

void ZVI_PSTree_Root::GenerateChild(ZVI_PSTree_Node* child) {
  if (child) child->Generate(rootParticle);
}

void ZVI_PSTree_Root::ResetTime() {
  if (restartOnReset.value == 0) return;
  for (const TreeNodePtr& child : children.value) {
    if (child) child->Clear();
  }
  if (rootParticle) rootParticle->timeAlive = 0.0f;
  for (const TreeNodePtr& child : children.value) {
    if (child) child->Generate(rootParticle);
  }
}

DS_ABObj* ZVI_PSTree_Root::CreateRuntime() {
  ZVI_PSTree_Root* clone = Clone();
  auto* runtime = new ZVI_PtclSys_Mesh(clone);
  clone->mesh = runtime;
  clone->Prepare();
  return runtime;
}

void ZVI_PSTree_Root::Prepare() {
  compiledEffect = nullptr;
  if (DS_DocResManager* manager = CurrentDocResManager()) {
    ID3DXEffect* e = nullptr;
    manager->GetEffect(&e, u"ZVI_PSTree_Root", effect);
    compiledEffect.Attach(e);
  }
  if (newObject_) {
    if (RenderContext* rc = CurrentRenderContext()) {
      position.SetValue(D3DXVECTOR3(rc->sceneSize.x * 0.5f, rc->sceneSize.y * 0.5f, 0.0f));
    }
  }
  for (const TreeNodePtr& child : children.value) {
    if (!child) continue;
    child->Activate();
    child->Generate(rootParticle);
    child->SetParent(this);
  }
}

void ZVI_PSTree_Root::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  newObject_ = false;
  ReadFileLink3(ar, effect);
  D3DXVECTOR3 at;
  ar.ReadFloat(&at.x);
  ar.ReadFloat(&at.y);
  ar.ReadFloat(&at.z);
  position.value = at;
  ar.ReadUInt(&storedValue);
  if (version >= 2) ar.ReadInt(&restartOnReset.value);
  if (version >= 3) {
    size.Read(ar);
    translucency.Read(ar);
  }
  if (version >= 4) speed.Read(ar);
  ReadTreeChildren(ar, children);
  for (const TreeNodePtr& child : children.value) {
    if (child) child->SetParent(this);
  }
  ReadConstructorBase(ar);
}

void ZVI_PtclSysPreset::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  newObject_ = false;
  ar.ReadUInt(&presetValue);
  if (version >= 2) {
    presetFloats.clear();
    const uint32_t n = ar.ReadCount(4);
    for (uint32_t i = 0; i < n; ++i) {
      float f = 0.0f;
      ar.ReadFloat(&f);
      presetFloats.push_back(f);
    }
  }
  if (version >= 3) {
    presetValues.clear();
    const uint32_t n = ar.ReadCount(4);
    for (uint32_t i = 0; i < n; ++i) {
      uint32_t v = 0;
      ar.ReadUInt(&v);
      presetValues.emplace_back(v);
    }
  }
  zvi_string className;
  int32_t rootVersion = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&rootVersion);
  ZVI_PSTree_Root::ReadRecord(ar, rootVersion);
}

// --- runtime ---

ZVI_PtclSys_Mesh::ZVI_PtclSys_Mesh(ZVI_PSTree_Root* ownedModel) : DS_ABObj(ownedModel), model(ownedModel) {}

ZVI_PtclSys_Mesh::~ZVI_PtclSys_Mesh() { batches.clear(); }

MeshRecord* ZVI_PtclSys_Mesh::Batch(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= batches.size()) return nullptr;
  return &batches[static_cast<size_t>(index)];
}

void ZVI_PtclSys_Mesh::Update(float t) {
  ZVI_PSTree_Root& m = *model;
  const bool first = m.accumulated == 0.0f;
  // Time going back gives a zero step.
  if (m.lastTime > t) m.lastTime = t;
  float dt = t - m.lastTime;
  m.lastTime = t;
  dt = std::min(dt, 0.2f) * m.speed.derived;
  m.lastStep = dt;
  m.accumulated += dt;

  Particle* root = m.rootParticle.get();
  int32_t count = 0;
  if (root) {
    root->position = m.position.value;
    root->alpha = m.translucency.derived;
    const float s = m.size.derived;
    MatrixScalingAboutPoint(&root->scaleMatrix, root->position, s, s, s);
    rootList_.resize(1);
    rootList_[0] = m.rootParticle;
    for (const TreeNodePtr& child : m.children.value) {
      if (child) count += child->Step(dt, rootList_);
    }
    if (!first) root->timeAlive += dt;
  }
  batches.resize(static_cast<size_t>(std::max(count, 0)));
  int32_t index = 0;
  for (auto it = m.children.value.rbegin(); it != m.children.value.rend(); ++it) {
    if (*it) (*it)->Fill(this, &index);
  }
}

void ZVI_PtclSys_Mesh::Render(DS_ABRender* context, int* pass) {
  int32_t index = 0;
  ID3DXEffect* e = model->compiledEffect.Get();
  for (auto it = model->children.value.rbegin(); it != model->children.value.rend(); ++it) {
    if (*it) (*it)->Draw(this, &index, e, context, pass);
  }
}

int32_t ZVI_PtclSys_Mesh::NeedsBackground() {
  if (!running) return 0;
  int32_t sum = 0;
  for (const TreeNodePtr& child : model->children.value) {
    if (child) sum += child->NeedsBackground();
  }
  return sum;
}
