#pragma once
// The line node: every particle draws a copy of one straight line made of
// segments, each with its own length and width and opacity profiles, as a
// textured ribbon placed by the particle's world matrix; the particle's
// x-scale stretches the line, grows it or slides it in.
#include <cstdint>
#include <vector>

#include "core/list_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "particles/nodes/line_meshes.h"
#include "particles/nodes/picture_node.h"

using SegmentPtr = DS_SafePtr<ZVI_StraightWidehtLine>;

// The segments of a line, edited by list commands.
class LineSegments : public ListMediaParam_Impl<SegmentPtr> {
 public:
  // A default segment after the current one (appended when none is
  // current); index 0 becomes current when nothing was.
  void Add() override;
  void Remove(int32_t index) override;
  // "Segment 01" for index 0.
  zvi_string ItemName(int32_t index) const override;
  // Appends a segment (a record's).
  void Append(const SegmentPtr& segment) { value.push_back(segment); }
};

class ZVI_PtclSysNode_Line : public ZVI_PtclSysNodePic_TexDynamic {
 public:
  ZVI_PtclSysNode_Line();

  int32_t Step(float dt, const ParticleVector* sources) override;
  void FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) override;
  void DrawBatch(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass) override;
  bool AcceptFamily(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(0, this); }
  bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(8, this); }

  // lineSamples and totalLength from the segments.
  void RebuildSamples();
  // v per unit of length: the repeat factor over the first image's width
  // (0 without an image of some width).
  float TextureRate() const;

  // Anchor, segments, from version 2 the clip mode and texture repeat, then
  // the dynamic picture's header and record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  UINTSclaleTo<float> anchor;
  MediaParamT<int> clipMode{0};
  UINTSclaleTo<float> textureRepeat;
  std::vector<StripSample> lineSamples;
  float totalLength = 0.0f;
  LineSegments segments;
};
