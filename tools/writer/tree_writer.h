#pragma once
// Records of the tree-structured particle systems: the root and its preset
// form, the node base, stems, leaves, traces, party balloons and curves.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/slides_writer.h"
#include "tools/writer/values_writer.h"

namespace pw {

// "ZVI_PSTree_Node" version 1: name, the geometry record (whole, or empty
// bytes for none written), the children (whole records).
struct TreeNodeRecord {
  std::u16string name;
  ByteBuilder geometry;
  std::vector<ByteBuilder> children;
};
ByteBuilder& WriteTreeNodeBase(ByteBuilder& b, const TreeNodeRecord& r);

// "ZVI_PSTree_Stem" version 1, then the node record.
ByteBuilder& WriteTreeStem(ByteBuilder& b, const TreeNodeRecord& node);

// "ZVI_PSTree_Root", versions 1 to 4.
struct TreeRootRecord {
  int32_t version = 4;
  std::u16string effectName = u"common_res.dll";
  int64_t effectId = 185;
  float x = 0, y = 0, z = 0;
  uint32_t storedValue = 0;
  uint32_t restartOnReset = 1;       // version 2 on
  uint32_t size = 100;               // version 3 on
  uint32_t translucency = 0;         // version 3 on
  uint32_t speed = 100;              // version 4
  std::vector<ByteBuilder> children;
  ConstructorRecord object;
};
ByteBuilder& WriteTreeRoot(ByteBuilder& b, const TreeRootRecord& r);

// "ZVI_PtclSysPreset", versions 1 to 3, then a whole root record.
struct TreePresetRecord {
  int32_t version = 3;
  uint32_t presetValue = 0;
  std::vector<float> floats;     // version 2 on
  std::vector<uint32_t> values;  // version 3
  TreeRootRecord root;
};
ByteBuilder& WriteTreePreset(ByteBuilder& b, const TreePresetRecord& r);

// "ZVI_PSTree_Leaf", versions 1 to 5.
struct TreeLeafRecord {
  int32_t version = 5;
  std::u16string effectName = u"common_res.dll";
  int64_t effectId = 202;
  ByteBuilder texture;       // version 2 on: a whole alerter texture record
  NamedFileLinkSpec oldLink;  // version 1
  uint32_t oldSpeed = 100, oldReverse = 0;
  uint32_t flipVertical = 0, flipHorizontal = 0, quadSize = 0;
  ColorSetRecord colours;
  uint32_t blendMode = 0, glowMode = 0, glowQuality = 0, glowColour = 0, glowBrightness = 0, glowBlur = 0;
  ByteBuilder stretchGraph;  // version 4 on; empty: a constant graph
  uint32_t stretch = 100, stretchJitter = 0;  // version 3 on
  uint32_t stretchDirection = 0;              // version 3 on
  uint32_t anchorX = 50, anchorY = 50;        // version 5
  TreeNodeRecord node;
};
ByteBuilder& WriteTreeLeaf(ByteBuilder& b, const TreeLeafRecord& r);

// "ZVI_PSTree_Trace" version 1: trail life, the two envelopes, the leaf.
struct TreeTraceRecord {
  float trailLife = 1.0f;
  std::array<uint32_t, 7> sizeEnvelope{0, 0, 100, 100, 100, 100, 1};
  std::array<uint32_t, 7> opacityEnvelope{0, 0, 100, 100, 100, 100, 1};
  TreeLeafRecord leaf;
};
ByteBuilder& WriteTreeTrace(ByteBuilder& b, const TreeTraceRecord& r);

// "ZVI_PartyBalloon" version 1: the two light-map opacities, the leaf.
ByteBuilder& WritePartyBalloon(ByteBuilder& b, uint32_t lightMap1, uint32_t lightMap2, const TreeLeafRecord& leaf);

// "ZVI_PSTree_Curve", versions 1 to 4.
struct TreeCurveRecord {
  int32_t version = 4;
  uint32_t selected = 1;  // version 2 on
  ByteBuilder physics;    // a whole physics record
  uint32_t middleLength = 0, endLength = 0, startLength = 0;
  // Middle, end, start; empty: constant graphs.
  std::array<ByteBuilder, 3> widthProfile;
  std::array<ByteBuilder, 3> alphaProfile;
  uint32_t curveWidth = 40;       // version 2 on
  uint32_t normalizeLength = 1;   // version 3 on
  uint32_t innerGlowSize = 0, innerGlowColour = 0, innerGlowTransparency = 0;  // version 4
  TreeLeafRecord leaf;
};
ByteBuilder& WriteTreeCurve(ByteBuilder& b, const TreeCurveRecord& r);

}  // namespace pw
