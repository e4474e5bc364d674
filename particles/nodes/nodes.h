#pragma once
// The node tree of a node particle system: the node base with its walks,
// the root (one root point, the position of the system), the emitter (makes
// particles from its parent's) and the track (moves its particles only).
// Attach, reset, start and step walk the children in list order; fill,
// draw, pass count and parameter collection in reverse list order.
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/list_param.h"
#include "core/media_param.h"
#include "core/reader_registry.h"
#include "core/safe_ptr.h"
#include "core/zvi_string.h"
#include "geometry/figures.h"
#include "particles/nodes/effects.h"
#include "particles/nodes/particle.h"
#include "particles/nodes/physics.h"

class DS_IOF_Archive;
class DS_ABRender;
class ZVI_PtclSys_Constructor;
class ZVI_PtclSys_Obj;
class ZVI_PtclSysOption_Glow;
class ZVI_PtclSys_Node;

// Double dispatch over nodes, options and effects: each entry point hands
// itself to the visitor's operation of the given number.
class ZVI_PtclSysNodeVisitor {
 public:
  virtual ~ZVI_PtclSysNodeVisitor() = default;
  virtual bool Visit(int32_t operation, void* visited) = 0;
};

// An object a node makes by name from the extension registry. Nothing
// registers one in the player.
class NodeAttachment {
 public:
  virtual ~NodeAttachment() = default;
  virtual zvi_string Name() const = 0;
};
ReaderMap<NodeAttachment>& NodeExtensionRegistry();

using NodePtr = DS_SafePtr<ZVI_PtclSys_Node>;
using PhysicsPtr = DS_SafePtr<ZVI_PtclSys_Physics>;

// A default physics of the named class through the registry (the class is
// the sources'); empty when the class is not registered.
PhysicsPtr CreateDefaultPhysics(std::u16string_view className);

class ZVI_PtclSys_Node : public ZVI_IOF_Item {
 public:
  ZVI_PtclSys_Node();
  ZVI_PtclSys_Node(const ZVI_PtclSys_Node&) = delete;
  ZVI_PtclSys_Node& operator=(const ZVI_PtclSys_Node&) = delete;
  ~ZVI_PtclSys_Node() override;

  virtual void GetWorldMatrix(D3DXMATRIX* matrix);
  virtual void ToLocal(D3DXVECTOR3* point);
  virtual void Attach(ZVI_PtclSys_Constructor* controller);
  virtual void ResetNode();
  virtual void Start(const ParticleVector* sources);
  // The number of batches the subtree fills this frame.
  virtual int32_t Step(float dt, const ParticleVector* sources);
  virtual void FillBatch(ZVI_PtclSys_Obj* object, int32_t* index);
  virtual void DrawBatch(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass);
  virtual int32_t PassCount();
  virtual bool NeedsDepthSort();
  virtual void CollectParams(AnimatedParamList& list, ZVI_PtclSys_Node* owner);
  virtual ZVI_PtclSysOption_Glow* GetGlowOption() { return nullptr; }
  // Resets and restarts this node whenever the figure changes.
  virtual bool BindEditor(ZVI_VGeom2D* figure);
  virtual ZVI_VGeom2D* GetFigure() { return nullptr; }
  virtual ParticleVector* GetParticles() { return nullptr; }
  virtual bool AcceptFamily(ZVI_PtclSysNodeVisitor& visitor) { return false; }
  virtual bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) { return false; }

  // The node record after its class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Reads the base header (class name and version), then the node record.
  void ReadBaseRecord(DS_IOF_Archive& ar);
  // ResetNode, then Start with the parent's particles (null without one).
  void ResetAndRestart();

  zvi_string name;
  EffectList effects;
  DS_SafePtr<NodeAttachment> extension;
  ZVI_SmartVectorPtr<ZVI_PtclSys_Node> children;
  FigureCallbackList callbacks{this};
  ZVI_PtclSys_Node* parent = nullptr;

 protected:
  void StartChildren(const ParticleVector* sources);
  int32_t StepChildren(float dt, const ParticleVector* sources);
  void FillChildren(ZVI_PtclSys_Obj* object, int32_t* index);
  void DrawChildren(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass);
};

// A node record by class name; a registered record of another family is
// read and dropped (null). A name without a reader makes the file invalid.
std::unique_ptr<ZVI_PtclSys_Node> ReadNodeByName(DS_IOF_Archive& ar);

class ZVI_PtclSysNode_Root : public ZVI_PtclSys_Node {
 public:
  // The root point at the origin (when the sources are registered).
  ZVI_PtclSysNode_Root();

  void GetWorldMatrix(D3DXMATRIX* matrix) override;
  void ToLocal(D3DXVECTOR3* point) override;
  void Start(const ParticleVector* sources) override;
  int32_t Step(float dt, const ParticleVector* sources) override;
  void CollectParams(AnimatedParamList& list, ZVI_PtclSys_Node* owner) override;
  ParticleVector* GetParticles() override { return physics ? &physics->particles : nullptr; }
  bool AcceptFamily(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(4, this); }
  bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(13, this); }

  // The root point, or null when the root has none.
  ZVI_PtclSys_RootPoint* RootPoint() const;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  PhysicsPtr physics;
};

class ZVI_PtclSysNode_Emitter : public ZVI_PtclSys_Node {
 public:
  ZVI_PtclSysNode_Emitter() = default;

  void GetWorldMatrix(D3DXMATRIX* matrix) override;
  void ToLocal(D3DXVECTOR3* point) override;
  void ResetNode() override;
  void Start(const ParticleVector* sources) override;
  int32_t Step(float dt, const ParticleVector* sources) override;
  bool NeedsDepthSort() override;
  void CollectParams(AnimatedParamList& list, ZVI_PtclSys_Node* owner) override;
  ZVI_VGeom2D* GetFigure() override { return physics ? physics->figure.value.get() : nullptr; }
  ParticleVector* GetParticles() override { return physics ? &physics->particles : nullptr; }
  bool AcceptFamily(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(2, this); }
  bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(10, this); }
  // Effects-vector transform, every transform reset and applied at dt 0,
  // and (unless the motion moves it itself) the kinematic transform last.
  virtual void SetupParticle(Particle* particle);

  // The physics record (kept when it is a point physics), then the node's.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Reads the emitter header (class name and version), then its record.
  void ReadEmitterRecord(DS_IOF_Archive& ar);

  PhysicsPtr physics;
};

class ZVI_PtclSysNode_Track : public ZVI_PtclSysNode_Emitter {
 public:
  ZVI_PtclSysNode_Track();
  int32_t Step(float dt, const ParticleVector* sources) override;
  bool AcceptFamily(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(1, this); }
  bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(9, this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadEmitterRecord(ar); }
};

// Whether a physics read for an emitter is a point physics (neither a root
// point nor a trail or curve store).
bool IsPointPhysics(ZVI_PtclSys_Physics* physics);
