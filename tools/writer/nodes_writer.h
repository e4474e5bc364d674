#pragma once
// Records of the node particle blocks and of node-tree particle systems: the model and its builder form, the
// node base, root, emitter, track, blank and picture nodes, the picture's
// option blocks and its rotation effect.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/node_effects_writer.h"
#include "tools/writer/slides_writer.h"
#include "tools/writer/values_writer.h"

namespace pw {

// The forces block of the point, sector and rectangle emitters: version;
// from version 2 the drag mode; gravity mode, gravity, drag (stored values).
ByteBuilder& WriteStandardForcesParams(ByteBuilder& b, int32_t version, int32_t gravityMode, uint32_t gravity,
                                       int32_t dragMode, uint32_t drag);

// "ZVI_PtclSys_Node" (version 1 or 2): children and effects are whole
// object records.
struct NodeBaseRecord {
  int32_t version = 2;
  std::u16string name;
  std::vector<ByteBuilder> children;
  std::u16string extension;         // version 2 on
  std::vector<ByteBuilder> effects;  // version 2 on
};
ByteBuilder& WriteNodeBase(ByteBuilder& b, const NodeBaseRecord& r);

// Root and emitter: own header, the physics record, the node base record.
ByteBuilder& WriteRootNode(ByteBuilder& b, const ByteBuilder& physics, const NodeBaseRecord& base);
ByteBuilder& WriteEmitterNode(ByteBuilder& b, const ByteBuilder& physics, const NodeBaseRecord& base);
// Track and blank: own header, then a whole emitter record.
ByteBuilder& WriteTrackNode(ByteBuilder& b, const ByteBuilder& emitter);
ByteBuilder& WriteBlankNode(ByteBuilder& b, const ByteBuilder& emitter);

// The effect base record ("ZVI_ParticlSystem_Effect") is written by node_effects_writer.h.
// "ZVI_PtclSysEffect_Rotation" version 1: angle, spread, the effect base.
ByteBuilder& WriteRotationEffect(ByteBuilder& b, uint32_t angle, uint32_t spread, const EffectBaseRecord& base);

// The option blocks (no class name, no version).
struct GlowRecord {
  uint32_t enabled = 0;
  std::u16string name = u"Outer Glow";
  uint32_t mode = 3, blurPasses = 1, colour = 0x0000FFFFu, brightness = 100, quality = 50;
};
ByteBuilder& WriteGlowOption(ByteBuilder& b, const GlowRecord& r);
struct RadialGlowRecord {
  uint32_t enabled = 0;
  std::u16string name = u"Radial Glow";
  uint32_t size = 50, blendMode = 0, colour = 0x00FFFFFFu, transparency = 0;
  ByteBuilder source;  // a whole texture-source record
};
ByteBuilder& WriteRadialGlowOption(ByteBuilder& b, const RadialGlowRecord& r);
struct ShadowRecord {
  uint32_t enabled = 0;
  std::u16string name = u"Shadow";
  uint32_t quality = 50, colour = 0, blurPasses = 0, brightness = 50;
  ByteBuilder distanceGraph;  // a graph record; empty: a constant graph
  uint32_t distance = 10, distanceJitter = 0;
  uint32_t angle = 315;
};
ByteBuilder& WriteShadowOption(ByteBuilder& b, const ShadowRecord& r);

// "ZVI_PtclSysNode_Picture", versions 1 to 13.
struct PictureRecord {
  int32_t version = 13;
  std::u16string effectName = u"common_res.dll";
  int64_t effectId = 306;
  ByteBuilder texture;  // a whole alerter texture record (source, speed, reverse)
  uint32_t particleSize = 0;
  uint32_t flipVertical = 0, flipHorizontal = 0;
  uint32_t tintColour = 0x00FFFFFFu, tintTransparency = 0;  // version 6 on
  ColorSetRecord colourSet;                                 // versions 1 to 5
  GlowRecord glow;
  uint32_t blendSum = 0;  // version 5 on
  RadialGlowRecord radialGlow;
  ShadowRecord shadow;
  uint32_t rotationAngle = 0, rotationSpread = 0;  // version 11 on
  EffectBaseRecord rotationBase;
  uint32_t atlasLoop = 1;
  uint32_t childrenAfter = 0;  // version 12 on
  uint32_t visible = 1;        // version 13 on
  ByteBuilder physics;         // a whole physics record
  NodeBaseRecord base;
};
ByteBuilder& WritePictureNode(ByteBuilder& b, const PictureRecord& r);
// "ZVI_PtclSysNodePic_TexDynamic" version 1, then a whole picture record.
ByteBuilder& WriteTexDynamicNode(ByteBuilder& b, const PictureRecord& picture);

// "ZVI_PtclSysNode_Trace" version 2: the trail physics record, the colour,
// an unused word, the switch, the option name, then a whole picture record.
struct TraceRecord {
  ByteBuilder trails;  // a whole physics record
  uint32_t colour = 0x00FFFFFFu;
  uint32_t unused = 0;
  int32_t enabled = 1;
  std::u16string name = u"Trace";
  PictureRecord picture;
};
ByteBuilder& WriteTraceNode(ByteBuilder& b, const TraceRecord& r);

// A line segment: two flags, length, opacity and width blocks (each a whole
// graph record, value and jitter).
struct SegmentRecord {
  int32_t flags[2] = {1, 1};
  uint32_t length = 100;
  ByteBuilder opacityGraph;  // empty: a constant graph
  uint32_t opacity = 0, opacityJitter = 0;
  ByteBuilder widthGraph;  // empty: a constant graph
  uint32_t width = 25, widthJitter = 0;
};
// "ZVI_PtclSysNode_Line" version 1 or 2: anchor, segments, from version 2
// the clip mode and texture repeat, then a whole dynamic-picture record.
struct LineNodeRecord {
  int32_t version = 2;
  uint32_t anchor = 0;
  std::vector<SegmentRecord> segments{SegmentRecord{}};
  int32_t clipMode = 0;
  uint32_t textureRepeat = 100;
  PictureRecord picture;
};
ByteBuilder& WriteLineNode(ByteBuilder& b, const LineNodeRecord& r);

// "ZVI_PtclSysNodePic_Explode" or "ZVI_PtclSysNodePic_2DText" version 1,
// then a whole picture record.
ByteBuilder& WriteExplodeNode(ByteBuilder& b, const PictureRecord& picture);
ByteBuilder& WriteTextNode(ByteBuilder& b, const PictureRecord& picture);

// A stripe line ("ZVI_PtclSysNode_FractalLine", "..._RandomLine" or
// "..._PerlinLine", version 1): the curve physics record, then the
// stripe-line part ("ZVI_PtclSysNode_StripeLine", versions 1 to 3) and a
// whole dynamic-picture record.
struct StripeLineRecord {
  std::u16string className = u"ZVI_PtclSysNode_FractalLine";
  ByteBuilder curvePhysics;  // a whole physics record
  uint32_t partVersion = 3;
  int32_t clipMode = 0, figureMapping = 0;
  PictureRecord picture;
};
ByteBuilder& WriteStripeLineNode(ByteBuilder& b, const StripeLineRecord& r);

// "ZVI_GroupNode" (version 1 or 2): offset; from version 2 the curve, the
// mode and the path position (a chrono wrapper); then a whole root record.
struct GroupNodeRecord {
  int32_t version = 2;
  float offset[3] = {0, 0, 0};
  ByteBuilder curve;  // a whole figure record
  int32_t mode = 0;
  uint32_t pathPosition = 100;
  ByteBuilder rootPhysics;  // a whole physics record
  NodeBaseRecord base;
};
ByteBuilder& WriteGroupNode(ByteBuilder& b, const GroupNodeRecord& r);
// "ZVI_Group_Constructor" (version 1 or 2): the expanded byte; from version 2
// the group node; the member models (count, whole records); the base part.
struct GroupRecord {
  int32_t version = 2;
  uint8_t expanded = 1;
  ByteBuilder node;  // a whole group-node record
  std::vector<ByteBuilder> members;
  ConstructorRecord object;
};
ByteBuilder& WriteGroup(ByteBuilder& b, const GroupRecord& r);

// "ZVI_PtclSys_Constructor" (version 1 or 2): the root node record, the
// speed (version 2), the scene-object base.
struct NodeSystemRecord {
  int32_t version = 2;
  ByteBuilder root;
  uint32_t speed = 100;
  ConstructorRecord object;
};
ByteBuilder& WriteNodeSystem(ByteBuilder& b, const NodeSystemRecord& r);
// "ZVI_PtclSys_Builder" version 1, then a whole constructor record.
ByteBuilder& WriteNodeSystemBuilder(ByteBuilder& b, const NodeSystemRecord& r);

}  // namespace pw
