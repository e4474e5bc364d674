#pragma once
// Tree-structured particle systems: a root particle and a tree of nodes,
// each node holding an emitter geometry that places and emits particles for
// every particle of its parent node. Stems only emit; leaves (tree_leaves.h)
// draw. The model (ZVI_PSTree_Root) is cloned into a runtime object
// (ZVI_PtclSys_Mesh) that shares its nodes and root particle, steps the tree
// every frame, keeps one batch per drawing node and lets the nodes draw with
// the root's effect.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/list_param.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/zvi_string.h"
#include "particles/nodes/node_batches.h"
#include "particles/nodes/particle.h"
#include "particles/nodes/physics.h"
#include "platform/com/com_ptr.h"
#include "player/file_links.h"
#include "player/scene_object.h"

class DS_ABRender;
class DS_IOF_Archive;
class ZVI_PSTree_Node;
class ZVI_PtclSys_Mesh;
struct ID3DXEffect;

// What roots and nodes offer their children.
class ZVI_PSTree_Node_Parent {
 public:
  virtual ~ZVI_PSTree_Node_Parent() = default;
  // Makes the child generate from this parent's particles.
  virtual void GenerateChild(ZVI_PSTree_Node* child) = 0;
  virtual void SetParent(ZVI_PSTree_Node_Parent* p) { parentLink = p; }

  ZVI_PSTree_Node_Parent* parentLink = nullptr;
};

using TreeNodePtr = DS_SafePtr<ZVI_PSTree_Node>;

class ZVI_PSTree_Node : public ZVI_IOF_Item, public ZVI_PSTree_Node_Parent {
 public:
  ZVI_PSTree_Node() = default;
  ZVI_PSTree_Node(const ZVI_PSTree_Node&) = delete;
  ZVI_PSTree_Node& operator=(const ZVI_PSTree_Node&) = delete;
  ~ZVI_PSTree_Node() override = default;

  // Every held particle dead, then the parent regenerates this node.
  virtual void Restart();
  virtual int32_t NeedsBackground() { return 0; }
  virtual void GenerateForAll(const ParticleVector& parents);
  // Places particles for a newly born parent and lets the children
  // generate from them.
  virtual void Generate(const ParticlePtr& parent);
  // The number of batches the subtree fills this frame.
  virtual int32_t Step(float dt, const ParticleVector& parents) = 0;
  virtual void Fill(ZVI_PtclSys_Mesh* mesh, int32_t* index) = 0;
  virtual void Draw(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect, DS_ABRender* context,
                    int* pass) = 0;
  virtual void Activate();
  virtual void Clear();
  virtual bool Query1() { return false; }
  virtual bool Query2() { return false; }

  void GenerateChild(ZVI_PSTree_Node* child) override;

  // The held particles of the geometry (empty without one).
  const ParticleVector& Particles() const;

  zvi_string name;
  DS_SafePtr<ZVI_PtclSys_Geometry> geometry;
  ZVI_SmartVectorPtr<ZVI_PSTree_Node> children;

 protected:
  int32_t StepChildren(float dt, const ParticleVector& parents);
  void FillChildren(ZVI_PtclSys_Mesh* mesh, int32_t* index);
  void DrawChildren(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect, DS_ABRender* context, int* pass);
};

// The ZVI_PSTree_Node header (class name, version), then the node record:
// name, geometry (kept when it is one), children; the geometry is told its
// owner and every child its parent.
void ReadPSTreeNodeRecord(DS_IOF_Archive& ar, ZVI_PSTree_Node& node);
// A u32 count, then per child an object record (kept when it is a node).
void ReadTreeChildren(DS_IOF_Archive& ar, ZVI_SmartVectorPtr<ZVI_PSTree_Node>& children);

class ZVI_PSTree_Stem : public ZVI_PSTree_Node {
 public:
  int32_t NeedsBackground() override;
  // Births for every parent first, then the held list, then the children.
  int32_t Step(float dt, const ParticleVector& parents) override;
  void Fill(ZVI_PtclSys_Mesh* mesh, int32_t* index) override { FillChildren(mesh, index); }
  void Draw(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect, DS_ABRender* context, int* pass) override {
    DrawChildren(mesh, index, effect, context, pass);
  }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadPSTreeNodeRecord(ar, *this); }

 private:
  // This frame's newborns (kept to spare an allocation a frame).
  ParticleVector born_;
};

class ZVI_PSTree_Root : public DS_ABObj_Constructor, public ZVI_PSTree_Node_Parent {
 public:
  ZVI_PSTree_Root();
  // Shares the nodes, the root particle and the compiled effect.
  ZVI_PSTree_Root(const ZVI_PSTree_Root& other);
  ~ZVI_PSTree_Root() override;

  void ResetTime() override;
  DS_ABObj* CreateRuntime() override;
  // Resolves the effect, centres a new object, activates and generates the
  // top-level nodes.
  virtual void Prepare();
  virtual ZVI_PSTree_Root* Clone() const { return new ZVI_PSTree_Root(*this); }

  void GenerateChild(ZVI_PSTree_Node* child) override;

  // Versions 1 to 4 after the class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_HLSLEffectFile effect{zvi_string(u"common_res.dll"), 185};
  MediaParamT<D3DXVECTOR3> position{D3DXVECTOR3(0, 0, 0)};
  ZVI_SmartVectorPtr<ZVI_PSTree_Node> children;
  MediaParamT<int> restartOnReset{1};
  UINTSclaleTo<float> size;
  UINTSclaleTo<float> translucency;
  uint32_t storedValue = 0;
  MediaSpeedParam speed;
  float lastStep = 0.0f;
  float accumulated = 0.0f;
  float lastTime = 0.0f;
  ZVI_PtclSys_Mesh* mesh = nullptr;
  ParticlePtr rootParticle;
  ComPtr<ID3DXEffect> compiledEffect;

 protected:
  // Set for a model made in the program rather than read (no identity yet).
  bool newObject_ = false;
};

// A root saved from a preset: plays as the root and keeps the preset's values.
class ZVI_PtclSysPreset : public ZVI_PSTree_Root {
 public:
  ZVI_PSTree_Root* Clone() const override { return new ZVI_PtclSysPreset(*this); }
  // Versions 1 to 3, then the root's header and record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  uint32_t presetValue = 0;
  std::vector<float> presetFloats;
  std::vector<MediaParamT<unsigned int>> presetValues;
};

class ZVI_PtclSys_Mesh : public DS_ABObj {
 public:
  // Takes the cloned model.
  explicit ZVI_PtclSys_Mesh(ZVI_PSTree_Root* ownedModel);
  ~ZVI_PtclSys_Mesh() override;

  void Render(DS_ABRender* context, int* pass) override;
  int32_t NeedsBackground() override;
  void Update(float t) override;

  // The batch of an index, or null past this frame's batches.
  MeshRecord* Batch(int32_t index);

  ZVI_PSTree_Root* model;
  std::vector<MeshRecord> batches;

 private:
  // The root particle as the top-level nodes' parent list.
  ParticleVector rootList_;
};
