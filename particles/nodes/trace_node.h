#pragma once
// The trace node: a band along the recent path of every particle of its
// parent. Its trail physics keeps a chain of points per tracked particle;
// every frame each chain becomes a band through the straight-skeleton
// offsetter, all bands of the node into one batch drawn with the picture
// node's effect. It is also the option "Trace", whose switch turns it on.
#include <cstdint>

#include "core/colour_params.h"
#include "particles/nodes/picture_node.h"

class ZVI_PtclSysNode_Trace : public ZVI_PtclSysNode_Picture, public ZVI_PtclSys_Option {
 public:
  ZVI_PtclSysNode_Trace();

  void Attach(ZVI_PtclSys_Constructor* controller) override;
  void ResetNode() override;
  void SetupParticle(Particle* particle) override;
  int32_t Step(float dt, const ParticleVector* sources) override;
  void FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) override;
  void DrawBatch(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass) override;
  int32_t PassCount() override;
  bool AcceptOption(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(0, this); }

  // The trail store's operations, or null without a usable trail physics.
  ZVI_PtclSys_TrailOps* TrailOps() const;
  // Texture changes: resolved unfiltered (filter 1) and premultiplied.
  void UpdateTraceTexture();
  // Switch changes: trails for the parent's particles when on, else a reset.
  void OnEnabledChanged();

  // After the class name and version: trail physics, colour, an unused
  // word, the switch, the option name, then the picture's header and record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  PhysicsPtr trails;
  MediaParamT<uint32_t> traceColor{0x00FFFFFFu};
  MediaParamT<int> traceMode{1};
  SmartCalbackCtrl<ZVI_PtclSysNode_Trace> textureControl{&ZVI_PtclSysNode_Trace::UpdateTraceTexture, this};
  SmartCalbackCtrl<ZVI_PtclSysNode_Trace> enabledControl{&ZVI_PtclSysNode_Trace::OnEnabledChanged, this};
};
