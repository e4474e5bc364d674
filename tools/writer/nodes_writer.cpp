#include "tools/writer/nodes_writer.h"

#include "tools/writer/render_writer.h"

namespace pw {

ByteBuilder& WriteStandardForcesParams(ByteBuilder& b, int32_t version, int32_t gravityMode, uint32_t gravity,
                                       int32_t dragMode, uint32_t drag) {
  b.I32(version);
  if (version >= 2) b.I32(dragMode);
  return b.I32(gravityMode).U32(gravity).U32(drag);
}

ByteBuilder& WriteNodeBase(ByteBuilder& b, const NodeBaseRecord& r) {
  b.Header(u"ZVI_PtclSys_Node", r.version).WideString(r.name);
  b.I32(static_cast<int32_t>(r.children.size()));
  for (const ByteBuilder& child : r.children) b.Append(child);
  if (r.version >= 2) {
    b.WideString(r.extension).I32(static_cast<int32_t>(r.effects.size()));
    for (const ByteBuilder& effect : r.effects) b.Append(effect);
  }
  return b;
}

ByteBuilder& WriteRootNode(ByteBuilder& b, const ByteBuilder& physics, const NodeBaseRecord& base) {
  b.Header(u"ZVI_PtclSysNode_Root", 1).Append(physics);
  return WriteNodeBase(b, base);
}

ByteBuilder& WriteEmitterNode(ByteBuilder& b, const ByteBuilder& physics, const NodeBaseRecord& base) {
  b.Header(u"ZVI_PtclSysNode_Emitter", 1).Append(physics);
  return WriteNodeBase(b, base);
}

ByteBuilder& WriteTrackNode(ByteBuilder& b, const ByteBuilder& emitter) {
  return b.Header(u"ZVI_PtclSysNode_Track", 1).Append(emitter);
}

ByteBuilder& WriteBlankNode(ByteBuilder& b, const ByteBuilder& emitter) {
  return b.Header(u"ZVI_PtclSysNode_Blank", 1).Append(emitter);
}

ByteBuilder& WriteRotationEffect(ByteBuilder& b, uint32_t angle, uint32_t spread, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_Rotation", 1).U32(angle).U32(spread);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteGlowOption(ByteBuilder& b, const GlowRecord& r) {
  return b.U32(1).U32(r.enabled).WideString(r.name).U32(1).U32(r.mode).U32(r.blurPasses).U32(r.colour).U32(
      r.brightness).U32(r.quality);
}

ByteBuilder& WriteRadialGlowOption(ByteBuilder& b, const RadialGlowRecord& r) {
  b.U32(1).U32(r.enabled).WideString(r.name).U32(1).U32(r.size).U32(r.blendMode).U32(r.colour).U32(r.transparency);
  if (r.source.size() == 0) {
    TextureSourceRecord circle;
    circle.className = u"ZVI_SoftCircleTex";
    return WriteTextureSource(b, circle);
  }
  return b.Append(r.source);
}

ByteBuilder& WriteShadowOption(ByteBuilder& b, const ShadowRecord& r) {
  b.U32(1).U32(1).U32(1).U32(r.enabled).WideString(r.name).U32(r.quality).U32(r.colour).U32(r.blurPasses).U32(
      r.brightness);
  ByteBuilder graph;
  if (r.distanceGraph.size() == 0) WriteVGraphConst(graph);
  WriteJitterGraphParam(b, r.distanceGraph.size() == 0 ? graph : r.distanceGraph, r.distance, r.distanceJitter);
  return b.U32(r.angle);
}

ByteBuilder& WritePictureNode(ByteBuilder& b, const PictureRecord& r) {
  const int32_t v = r.version;
  b.Header(u"ZVI_PtclSysNode_Picture", v).FileLink(r.effectName, static_cast<uint64_t>(r.effectId));
  b.Append(r.texture).U32(r.particleSize).U32(r.flipVertical).U32(r.flipHorizontal);
  if (v >= 6) {
    b.U32(r.tintColour).U32(r.tintTransparency);
  } else {
    WriteColorSetParams(b, r.colourSet);
  }
  if (v >= 4 && v <= 9) WriteGlowOption(b, r.glow);
  if (v >= 5) b.U32(r.blendSum);
  if (v >= 7 && v <= 9) WriteRadialGlowOption(b, r.radialGlow);
  if (v == 9) WriteShadowOption(b, r.shadow);
  if (v >= 10) {
    b.U32(1).U32(1);
    WriteGlowOption(b, r.glow);
    WriteRadialGlowOption(b, r.radialGlow);
    WriteShadowOption(b, r.shadow);
  }
  if (v >= 11) {
    b.Header(u"ZVI_PtclSysEffect_Rotation", 1).U32(r.rotationAngle).U32(r.rotationSpread);
    WriteEffectBase(b, r.rotationBase);
    b.U32(r.atlasLoop);
  }
  if (v >= 12) b.U32(r.childrenAfter);
  if (v >= 13) b.U32(r.visible);
  if (v == 1) {
    b.Append(r.physics);
    return WriteNodeBase(b, r.base);
  }
  return WriteEmitterNode(b, r.physics, r.base);
}

ByteBuilder& WriteTexDynamicNode(ByteBuilder& b, const PictureRecord& picture) {
  b.Header(u"ZVI_PtclSysNodePic_TexDynamic", 1);
  return WritePictureNode(b, picture);
}

ByteBuilder& WriteTraceNode(ByteBuilder& b, const TraceRecord& r) {
  b.Header(u"ZVI_PtclSysNode_Trace", 2).Append(r.trails).U32(r.colour).U32(r.unused).I32(r.enabled);
  b.WideString(r.name);
  return WritePictureNode(b, r.picture);
}

ByteBuilder& WriteLineNode(ByteBuilder& b, const LineNodeRecord& r) {
  b.Header(u"ZVI_PtclSysNode_Line", r.version).U32(r.anchor).I32(static_cast<int32_t>(r.segments.size()));
  for (const SegmentRecord& s : r.segments) {
    b.I32(s.flags[0]).I32(s.flags[1]).U32(s.length);
    ByteBuilder constant;
    WriteVGraphConst(constant);
    WriteJitterGraphParam(b, s.opacityGraph.size() ? s.opacityGraph : constant, s.opacity, s.opacityJitter);
    WriteJitterGraphParam(b, s.widthGraph.size() ? s.widthGraph : constant, s.width, s.widthJitter);
  }
  if (r.version >= 2) b.I32(r.clipMode).U32(r.textureRepeat);
  return WriteTexDynamicNode(b, r.picture);
}

ByteBuilder& WriteExplodeNode(ByteBuilder& b, const PictureRecord& picture) {
  b.Header(u"ZVI_PtclSysNodePic_Explode", 1);
  return WritePictureNode(b, picture);
}

ByteBuilder& WriteTextNode(ByteBuilder& b, const PictureRecord& picture) {
  b.Header(u"ZVI_PtclSysNodePic_2DText", 1);
  return WritePictureNode(b, picture);
}

ByteBuilder& WriteStripeLineNode(ByteBuilder& b, const StripeLineRecord& r) {
  b.Header(r.className, 1).Append(r.curvePhysics);
  b.WideString(u"ZVI_PtclSysNode_StripeLine").U32(r.partVersion);
  if (r.partVersion > 1) b.I32(r.clipMode);
  if (r.partVersion > 2) b.I32(r.figureMapping);
  return WriteTexDynamicNode(b, r.picture);
}

ByteBuilder& WriteGroupNode(ByteBuilder& b, const GroupNodeRecord& r) {
  b.Header(u"ZVI_GroupNode", r.version).F32(r.offset[0]).F32(r.offset[1]).F32(r.offset[2]);
  if (r.version >= 2) {
    b.Append(r.curve).I32(r.mode).U32(1).U32(r.pathPosition);
    WriteChronoDefault(b, ChronoRecord());
  }
  return WriteRootNode(b, r.rootPhysics, r.base);
}

ByteBuilder& WriteGroup(ByteBuilder& b, const GroupRecord& r) {
  b.Header(u"ZVI_Group_Constructor", r.version).U8(r.expanded);
  if (r.version >= 2) b.Append(r.node);
  b.U32(static_cast<uint32_t>(r.members.size()));
  for (const ByteBuilder& m : r.members) b.Append(m);
  return WriteConstructorBase(b, r.object);
}

namespace {
ByteBuilder& WriteSystemBody(ByteBuilder& b, const NodeSystemRecord& r) {
  b.Header(u"ZVI_PtclSys_Constructor", r.version).Append(r.root);
  if (r.version > 1) b.U32(r.speed);
  return WriteConstructorBase(b, r.object);
}
}  // namespace

ByteBuilder& WriteNodeSystem(ByteBuilder& b, const NodeSystemRecord& r) { return WriteSystemBody(b, r); }

ByteBuilder& WriteNodeSystemBuilder(ByteBuilder& b, const NodeSystemRecord& r) {
  b.Header(u"ZVI_PtclSys_Builder", 1);
  return WriteSystemBody(b, r);
}

}  // namespace pw
