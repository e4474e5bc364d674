#include "particles/nodes/nodes.h"

#include "core/archive.h"
#include "particles/nodes/motion_transforms.h"

namespace {
// Smallest stored object record: an empty class name (4 bytes) and a version.
constexpr uint32_t kMinRecordBytes = 8;

D3DXMATRIX TranslationOf(const D3DXVECTOR3& v) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, v.x, v.y, v.z);
  return m;
}
}  // namespace

ReaderMap<NodeAttachment>& NodeExtensionRegistry() { return ReaderRegistry<NodeAttachment>(); }

PhysicsPtr CreateDefaultPhysics(std::u16string_view className) {
  std::unique_ptr<ZVI_IOF_Item> item = CreateDefaultByName<ZVI_IOF_Item>(className);
  auto* physics = dynamic_cast<ZVI_PtclSys_Physics*>(item.get());
  if (!physics) return PhysicsPtr();
  item.release();
  return PhysicsPtr(physics);
}

bool IsPointPhysics(ZVI_PtclSys_Physics* physics) {
  return physics && !dynamic_cast<ZVI_PtclSys_TrailOps*>(physics) && !dynamic_cast<ZVI_PtclSys_CurveOps*>(physics);
}

std::unique_ptr<ZVI_PtclSys_Node> ReadNodeByName(DS_IOF_Archive& ar) {
  std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
  auto* node = dynamic_cast<ZVI_PtclSys_Node*>(item.get());
  if (!node) return nullptr;
  item.release();
  return std::unique_ptr<ZVI_PtclSys_Node>(node);
}

// --- node base ---

ZVI_PtclSys_Node::ZVI_PtclSys_Node() = default;

ZVI_PtclSys_Node::~ZVI_PtclSys_Node() {
  callbacks.Clear();
  for (const NodePtr& child : children.value) {
    if (child && child->parent == this) child->parent = nullptr;
  }
}

void ZVI_PtclSys_Node::GetWorldMatrix(D3DXMATRIX* matrix) {
  if (parent) parent->GetWorldMatrix(matrix);
}

void ZVI_PtclSys_Node::ToLocal(D3DXVECTOR3* point) {
  if (parent) parent->ToLocal(point);
}

void ZVI_PtclSys_Node::Attach(ZVI_PtclSys_Constructor* controller) {
  for (const NodePtr& child : children.value) child->Attach(controller);
}

void ZVI_PtclSys_Node::ResetNode() {
  for (const NodePtr& child : children.value) child->ResetNode();
}

void ZVI_PtclSys_Node::Start(const ParticleVector* sources) { StartChildren(sources); }

int32_t ZVI_PtclSys_Node::Step(float dt, const ParticleVector* sources) { return 0; }

void ZVI_PtclSys_Node::FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) { FillChildren(object, index); }

void ZVI_PtclSys_Node::DrawBatch(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass) {
  DrawChildren(object, index, context, pass);
}

int32_t ZVI_PtclSys_Node::PassCount() {
  int32_t sum = 0;
  for (auto it = children.value.rbegin(); it != children.value.rend(); ++it) sum += (*it)->PassCount();
  return sum;
}

bool ZVI_PtclSys_Node::NeedsDepthSort() { return parent ? parent->NeedsDepthSort() : false; }

void ZVI_PtclSys_Node::CollectParams(AnimatedParamList& list, ZVI_PtclSys_Node* owner) {
  for (auto it = children.value.rbegin(); it != children.value.rend(); ++it) (*it)->CollectParams(list, owner);
}

bool ZVI_PtclSys_Node::BindEditor(ZVI_VGeom2D* figure) {
  if (figure) figure->BindChangeCallbacks(callbacks, &ZVI_PtclSys_Node::ResetAndRestart);
  return true;
}

void ZVI_PtclSys_Node::ResetAndRestart() {
  ResetNode();
  Start(parent ? parent->GetParticles() : nullptr);
}

void ZVI_PtclSys_Node::StartChildren(const ParticleVector* sources) {
  for (const NodePtr& child : children.value) child->Start(sources);
}

int32_t ZVI_PtclSys_Node::StepChildren(float dt, const ParticleVector* sources) {
  int32_t sum = 0;
  for (const NodePtr& child : children.value) sum += child->Step(dt, sources);
  return sum;
}

void ZVI_PtclSys_Node::FillChildren(ZVI_PtclSys_Obj* object, int32_t* index) {
  for (auto it = children.value.rbegin(); it != children.value.rend(); ++it) (*it)->FillBatch(object, index);
}

void ZVI_PtclSys_Node::DrawChildren(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass) {
  for (auto it = children.value.rbegin(); it != children.value.rend(); ++it) {
    (*it)->DrawBatch(object, index, context, pass);
  }
}

void ZVI_PtclSys_Node::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadWideString(&name);
  const uint32_t count = ar.ReadSignedCount(kMinRecordBytes);
  for (uint32_t i = 0; i < count; ++i) {
    std::unique_ptr<ZVI_PtclSys_Node> child = ReadNodeByName(ar);
    // A record of another family was read and dropped: nothing to keep or call.
    if (!child) continue;
    child->parent = this;
    children.Append(NodePtr(child.release()));
  }
  if (version < 2) return;
  zvi_string extensionName;
  ar.ReadWideString(&extensionName);
  extension = DS_SafePtr<NodeAttachment>();
  if (!extensionName.empty()) {
    if (const IOF_Virtual_ReaderII<NodeAttachment>* reader = FindReader<NodeAttachment>(extensionName)) {
      extension = DS_SafePtr<NodeAttachment>(reader->CreateDefault().release());
    }
  }
  const uint32_t effectCount = ar.ReadSignedCount(kMinRecordBytes);
  for (uint32_t i = 0; i < effectCount; ++i) {
    std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
    auto* effect = dynamic_cast<ZVI_ParticlSystem_Effect*>(item.get());
    if (!effect) continue;
    item.release();
    effects.Append(EffectPtr(effect));
  }
}

void ZVI_PtclSys_Node::ReadBaseRecord(DS_IOF_Archive& ar) {
  zvi_string className;
  int32_t version = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&version);
  ReadRecord(ar, version);
}

// --- root ---

ZVI_PtclSysNode_Root::ZVI_PtclSysNode_Root() : physics(CreateDefaultPhysics(u"ZVI_PtclSysPhys_RootPnt")) {
  if (!RootPoint()) physics = PhysicsPtr();
}

ZVI_PtclSys_RootPoint* ZVI_PtclSysNode_Root::RootPoint() const {
  return dynamic_cast<ZVI_PtclSys_RootPoint*>(physics.get());
}

void ZVI_PtclSysNode_Root::GetWorldMatrix(D3DXMATRIX* matrix) {
  ZVI_PtclSys_Node::GetWorldMatrix(matrix);
  if (ZVI_PtclSys_RootPoint* root = RootPoint()) *matrix = *matrix * TranslationOf(root->position.value + root->offset);
}

void ZVI_PtclSysNode_Root::ToLocal(D3DXVECTOR3* point) {
  if (ZVI_PtclSys_RootPoint* root = RootPoint()) *point -= root->position.value + root->offset;
  ZVI_PtclSys_Node::ToLocal(point);
}

void ZVI_PtclSysNode_Root::Start(const ParticleVector* sources) {
  static const ParticleVector none;
  StartChildren(physics ? &physics->particles : &none);
}

int32_t ZVI_PtclSysNode_Root::Step(float dt, const ParticleVector* sources) {
  static const ParticleVector none;
  // Without its root point the root moves nothing; its children still walk.
  if (!physics) return StepChildren(dt, &none);
  physics->Update(nullptr, dt);
  return StepChildren(dt, &physics->particles);
}

void ZVI_PtclSysNode_Root::CollectParams(AnimatedParamList& list, ZVI_PtclSys_Node* owner) {
  if (ZVI_PtclSys_RootPoint* root = RootPoint()) {
    if (root->sizeEntry) {
      root->sizeEntry->name = u"Size";
      list.push_back(root->sizeEntry);
    }
    if (root->translucencyEntry) {
      root->translucencyEntry->name = u"Translucency";
      list.push_back(root->translucencyEntry);
    }
  }
  ZVI_PtclSys_Node::CollectParams(list, owner);
}

void ZVI_PtclSysNode_Root::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  std::unique_ptr<ZVI_PtclSys_Physics> read = ReadPhysics(ar);
  physics = dynamic_cast<ZVI_PtclSys_RootPoint*>(read.get()) ? PhysicsPtr(read.release()) : PhysicsPtr();
  ReadBaseRecord(ar);
}

// --- emitter ---

void ZVI_PtclSysNode_Emitter::GetWorldMatrix(D3DXMATRIX* matrix) {
  ZVI_PtclSys_Node::GetWorldMatrix(matrix);
  D3DXVECTOR3 centre;
  if (ZVI_VGeom2D* figure = GetFigure(); figure && figure->CenterPoint(&centre)) {
    *matrix = *matrix * TranslationOf(centre);
  }
}

void ZVI_PtclSysNode_Emitter::ToLocal(D3DXVECTOR3* point) {
  D3DXVECTOR3 centre;
  if (ZVI_VGeom2D* figure = GetFigure(); figure && figure->CenterPoint(&centre)) *point -= centre;
  ZVI_PtclSys_Node::ToLocal(point);
}

void ZVI_PtclSysNode_Emitter::ResetNode() {
  if (physics) physics->Clear();
  ZVI_PtclSys_Node::ResetNode();
}

void ZVI_PtclSysNode_Emitter::Start(const ParticleVector* sources) {
  ParticleVector newborn;
  if (physics) newborn = physics->Generate(sources);
  for (const ParticlePtr& p : newborn) {
    if (p) SetupParticle(p.get());
  }
  StartChildren(&newborn);
}

int32_t ZVI_PtclSysNode_Emitter::Step(float dt, const ParticleVector* sources) {
  ParticleVector newborn;
  if (physics) newborn = physics->Update(sources, dt);
  for (const ParticlePtr& p : newborn) {
    if (p) SetupParticle(p.get());
  }
  StartChildren(&newborn);
  // The children step with the sources this emitter received.
  return StepChildren(dt, sources);
}

bool ZVI_PtclSysNode_Emitter::NeedsDepthSort() {
  if (parent && parent->NeedsDepthSort()) return true;
  return physics ? physics->IsAlive() : false;
}

void ZVI_PtclSysNode_Emitter::CollectParams(AnimatedParamList& list, ZVI_PtclSys_Node* owner) {
  if (physics) physics->CollectParams(list, owner);
  ZVI_PtclSys_Node::CollectParams(list, owner);
}

void ZVI_PtclSysNode_Emitter::SetupParticle(Particle* particle) {
  ZVI_VGeom2D* figure = parent ? parent->GetFigure() : nullptr;
  particle->AddTransform(new PtclTr_EffectsVector(&effects, figure));
  // A copy of the list: a reset may attach further transforms.
  const std::vector<TransformPtr> present = particle->transforms;
  for (const TransformPtr& t : present) {
    if (!t) continue;
    t->Reset(particle);
    t->Apply(0.0f, particle);
  }
  if (!(particle->flags & ParticleFlags::OwnMotion)) particle->AddTransform(new PtclTr_Kinematic);
}

void ZVI_PtclSysNode_Emitter::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  std::unique_ptr<ZVI_PtclSys_Physics> read = ReadPhysics(ar);
  physics = IsPointPhysics(read.get()) ? PhysicsPtr(read.release()) : PhysicsPtr();
  if (physics && physics->figure.value) BindEditor(physics->figure.value.get());
  ReadBaseRecord(ar);
}

void ZVI_PtclSysNode_Emitter::ReadEmitterRecord(DS_IOF_Archive& ar) {
  zvi_string className;
  int32_t version = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&version);
  ZVI_PtclSysNode_Emitter::ReadRecord(ar, version);
}

// --- track ---

ZVI_PtclSysNode_Track::ZVI_PtclSysNode_Track() { physics = CreateDefaultPhysics(u"ZVI_PtclSysPhys_Track"); }

int32_t ZVI_PtclSysNode_Track::Step(float dt, const ParticleVector* sources) {
  if (physics) physics->Update(sources, dt);
  return StepChildren(dt, sources);
}
