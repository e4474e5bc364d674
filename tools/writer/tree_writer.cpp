#include "tools/writer/tree_writer.h"

namespace pw {

namespace {
ByteBuilder& GraphOrConst(ByteBuilder& b, const ByteBuilder& graph) {
  if (graph.size() == 0) return WriteVGraphConst(b);
  return b.Append(graph);
}
}  // namespace

ByteBuilder& WriteTreeNodeBase(ByteBuilder& b, const TreeNodeRecord& r) {
  b.Header(u"ZVI_PSTree_Node", 1).WideString(r.name).Append(r.geometry);
  b.U32(static_cast<uint32_t>(r.children.size()));
  for (const ByteBuilder& child : r.children) b.Append(child);
  return b;
}

ByteBuilder& WriteTreeStem(ByteBuilder& b, const TreeNodeRecord& node) {
  b.Header(u"ZVI_PSTree_Stem", 1);
  return WriteTreeNodeBase(b, node);
}

ByteBuilder& WriteTreeRoot(ByteBuilder& b, const TreeRootRecord& r) {
  b.Header(u"ZVI_PSTree_Root", r.version).FileLink(r.effectName, static_cast<uint64_t>(r.effectId));
  b.F32(r.x).F32(r.y).F32(r.z).U32(r.storedValue);
  if (r.version >= 2) b.U32(r.restartOnReset);
  if (r.version >= 3) b.U32(r.size).U32(r.translucency);
  if (r.version >= 4) b.U32(r.speed);
  b.U32(static_cast<uint32_t>(r.children.size()));
  for (const ByteBuilder& child : r.children) b.Append(child);
  return WriteConstructorBase(b, r.object);
}

ByteBuilder& WriteTreePreset(ByteBuilder& b, const TreePresetRecord& r) {
  b.Header(u"ZVI_PtclSysPreset", r.version).U32(r.presetValue);
  if (r.version >= 2) {
    b.U32(static_cast<uint32_t>(r.floats.size()));
    for (float f : r.floats) b.F32(f);
  }
  if (r.version >= 3) {
    b.U32(static_cast<uint32_t>(r.values.size()));
    for (uint32_t v : r.values) b.U32(v);
  }
  return WriteTreeRoot(b, r.root);
}

ByteBuilder& WriteTreeLeaf(ByteBuilder& b, const TreeLeafRecord& r) {
  b.Header(u"ZVI_PSTree_Leaf", r.version).FileLink(r.effectName, static_cast<uint64_t>(r.effectId));
  if (r.version <= 1) {
    WriteNamedFileLinkData(b, r.oldLink);
    b.U32(r.oldSpeed).U32(r.oldReverse);
  } else {
    b.Append(r.texture);
  }
  b.U32(r.flipVertical).U32(r.flipHorizontal).U32(r.quadSize);
  WriteColorSetParams(b, r.colours);
  b.U32(r.blendMode).U32(r.glowMode).U32(r.glowQuality).U32(r.glowColour).U32(r.glowBrightness).U32(r.glowBlur);
  if (r.version == 3) b.U32(r.stretch).U32(r.stretchJitter);
  if (r.version >= 4) {
    ByteBuilder graph;
    GraphOrConst(graph, r.stretchGraph);
    WriteJitterGraphParam(b, graph, r.stretch, r.stretchJitter);
  }
  if (r.version >= 3) b.U32(r.stretchDirection);
  if (r.version >= 5) b.U32(r.anchorX).U32(r.anchorY);
  return WriteTreeNodeBase(b, r.node);
}

ByteBuilder& WriteTreeTrace(ByteBuilder& b, const TreeTraceRecord& r) {
  b.Header(u"ZVI_PSTree_Trace", 1).F32(r.trailLife);
  WriteScaledParamGroup(b, r.sizeEnvelope);
  WriteScaledParamGroup(b, r.opacityEnvelope);
  return WriteTreeLeaf(b, r.leaf);
}

ByteBuilder& WritePartyBalloon(ByteBuilder& b, uint32_t lightMap1, uint32_t lightMap2, const TreeLeafRecord& leaf) {
  b.Header(u"ZVI_PartyBalloon", 1).U32(lightMap1).U32(lightMap2);
  return WriteTreeLeaf(b, leaf);
}

ByteBuilder& WriteTreeCurve(ByteBuilder& b, const TreeCurveRecord& r) {
  b.Header(u"ZVI_PSTree_Curve", r.version);
  if (r.version >= 2) b.U32(r.selected);
  b.Append(r.physics);
  b.U32(r.middleLength).U32(r.endLength).U32(r.startLength);
  for (const ByteBuilder& g : r.widthProfile) GraphOrConst(b, g);
  for (const ByteBuilder& g : r.alphaProfile) GraphOrConst(b, g);
  if (r.version >= 2) b.U32(r.curveWidth);
  if (r.version >= 3) b.U32(r.normalizeLength);
  if (r.version >= 4) b.U32(r.innerGlowSize).U32(r.innerGlowColour).U32(r.innerGlowTransparency);
  return WriteTreeLeaf(b, r.leaf);
}

}  // namespace pw
