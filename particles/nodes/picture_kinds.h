#pragma once
// Two picture nodes that map their particles onto the image in their own
// way: the exploding picture gives each piece its window of the picture and
// spreads the pieces to the picture's size; the 2D text draws each glyph as a
// quad of its own extent and hands the model's timing to its text physics.
#include <cstdint>

#include "particles/nodes/picture_node.h"

class ZVI_PtclSysNodePic_Explode : public ZVI_PtclSysNode_Picture {
 public:
  // Its physics is a new exploding picture.
  ZVI_PtclSysNodePic_Explode();
  // The picture's set-up, then the piece's texture window from its
  // normalised position and size, and the position scaled to the picture.
  void SetupParticle(Particle* particle) override;
  // The picture's header and record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

class ZVI_PtclSysNodePic_2DText : public ZVI_PtclSysNode_Picture {
 public:
  void Attach(ZVI_PtclSys_Constructor* controller) override;
  // The text physics attaches the glyphs' own transforms.
  void SetupParticle(Particle*) override {}
  // One quad per glyph from its quad and texture windows, in the batch order
  // of the picture's draw (children, radial glow and `visible` included).
  void FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};
