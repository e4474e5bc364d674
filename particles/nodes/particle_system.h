#pragma once
// The node-tree particle system as a scene object: the model owns the root
// of the node tree and a speed; its runtime object steps the tree once per
// frame, keeps one batch per drawing node, lets the tree fill them in frame
// move and draw them in frame render, in the same order.
#include <cstdint>
#include <vector>

#include "core/scaled_param.h"
#include "particles/nodes/node_batches.h"
#include "particles/nodes/nodes.h"
#include "player/scene_object.h"

class ZVI_PtclSys_Obj;

class ZVI_PtclSys_Constructor : public DS_ABObj_Constructor {
 public:
  // A root whose root point lies at the origin.
  ZVI_PtclSys_Constructor();
  // Shares the node tree.
  ZVI_PtclSys_Constructor(const ZVI_PtclSys_Constructor& other);
  ~ZVI_PtclSys_Constructor() override;

  void ResetTime() override;
  DS_ABObj* CreateRuntime() override;
  virtual ZVI_PtclSys_Constructor* Clone() const { return new ZVI_PtclSys_Constructor(*this); }
  // Attaches the tree to this model and starts it without sources.
  virtual void StartTree();

  // The record after its class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<ZVI_PtclSysNode_Root> root;
  MediaSpeedParam speed;
  float frameStep = 0.0f;
  float scaledClock = 0.0f;
  float lastLocalTime = 0.0f;
};

class ZVI_PtclSys_Builder : public ZVI_PtclSys_Constructor {
 public:
  ZVI_PtclSys_Builder() = default;
  ZVI_PtclSys_Builder(const ZVI_PtclSys_Builder&) = default;
  ZVI_PtclSys_Constructor* Clone() const override { return new ZVI_PtclSys_Builder(*this); }
  // The inner constructor header, then its record with the inner version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

class ZVI_PtclSys_Obj : public DS_ABObj {
 public:
  // Takes the private model copy.
  explicit ZVI_PtclSys_Obj(ZVI_PtclSys_Constructor* ownedModel);
  ~ZVI_PtclSys_Obj() override;

  void Render(DS_ABRender* context, int* pass) override;
  int32_t NeedsBackground() override;
  bool PassesOutput() override { return true; }
  void SetOffset(float x, float y, float z) override;
  void Update(float localTime) override;
  bool ReadsBackground() override { return true; }

  // The batch of an index, or null past the batches of this frame.
  MeshRecord* Batch(int32_t index);

  ZVI_PtclSys_Constructor* system;
  std::vector<MeshRecord> batches;
  // Set per batch by its fill this frame; only filled batches are drawn.
  std::vector<uint8_t> filled;
};

void RegisterNodeParticleReaders();
