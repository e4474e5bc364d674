#include "tools/writer/generators_writer.h"

#include "tools/writer/docres_writer.h"

namespace pw {

ByteBuilder& WriteParticleGenerator(ByteBuilder& b, const ParticleGeneratorRecord& r) {
  b.Header(u"DS_ParticleGenerator", r.version);
  if (r.version >= 2) {
    b.I32(static_cast<int32_t>(r.heads.size()));
    for (const auto& h : r.heads) b.F32(h[0]).F32(h[1]).F32(h[2]);
  }
  if (r.version >= 3) b.U32(r.life).U32(r.rate).U32(r.size).U32(r.speed).I32(r.trail);
  return WriteConstructorBase(b, r.base);
}

ByteBuilder& WriteTexGenerator(ByteBuilder& b, const TexGeneratorRecord& r) {
  b.Header(u"DS_TexParticleGenerator", r.version);
  WriteImageFileLinks(b, r.images);
  b.FileLink(r.effectName, static_cast<uint64_t>(r.effectId));
  b.U32(r.colour1).U32(r.transparency1);
  b.U32(r.colour2).U32(r.transparency2);
  b.I32(r.blendMode);
  if (r.version >= 2) b.I32(r.verticalMirror).I32(r.horizontalMirror);
  if (r.version >= 3) b.I32(r.imageLinkKind);
  return WriteParticleGenerator(b, r.generator);
}

ByteBuilder& WriteAirBrush(ByteBuilder& b, const AirBrushRecord& r) {
  b.Header(u"DS_AirBrush", r.version);
  b.U32(r.brushSize);
  if (r.version >= 2) {
    b.U32(static_cast<uint32_t>(r.dabs.size()));
    for (const DabRecord& d : r.dabs) {
      b.F32(d.x).F32(d.y).F32(d.z);
      b.U32(r.valueCount);
      for (uint32_t j = 0; j < r.valueCount; ++j) {
        b.F32(j < 5 ? d.channels[j] : 0.0f);
        if (r.version >= 3) b.F32(j < 5 ? d.factors[j] : 0.0f);
      }
    }
  } else {
    b.I32(static_cast<int32_t>(r.dabs.size()));
    for (const DabRecord& d : r.dabs) b.F32(d.x).F32(d.y).F32(d.z);
  }
  return WriteTexGenerator(b, r.tex);
}

ByteBuilder& WriteBling(ByteBuilder& b, const BlingRecord& r) {
  b.Header(u"DS_Bling", r.version);
  b.U32(r.pulseSpeed).U32(r.shrinkTime).U32(r.growTime);
  if (r.version >= 2) b.U32(r.turnSpeed).U32(r.minimumSize);
  return WriteAirBrush(b, r.brush);
}

ByteBuilder& WriteCustomAirBrush(ByteBuilder& b, const CustomAirBrushRecord& r) {
  b.Header(u"DS_CustomAirBrush", 1);
  b.FileLink(r.pictureName, static_cast<uint64_t>(r.pictureId));
  b.U32(r.animationSpeed);
  return WriteAirBrush(b, r.brush);
}

ByteBuilder& WriteTwinklingStars(ByteBuilder& b, const TwinklingStarsRecord& r) {
  b.Header(u"DS_TwinklingStars", 1);
  b.U32(r.twinkleSpeed);
  return WriteAirBrush(b, r.brush);
}

ByteBuilder& WriteAurora(ByteBuilder& b, const AuroraRecord& r) {
  b.Header(u"DS_Aurora", 1);
  b.U32(r.curtainHeight);
  for (const auto& w : r.waves) b.U32(w.speed).U32(w.amplitude).U32(w.length);
  b.U32(r.direction);
  return WriteAirBrush(b, r.brush);
}

namespace {
ByteBuilder& Point(ByteBuilder& b, const Point3& p) { return b.F32(p[0]).F32(p[1]).F32(p[2]); }
}  // namespace

ByteBuilder& WriteStaticGenerator(ByteBuilder& b, const StaticGeneratorRecord& r) {
  b.Header(u"DS_StaticGenerator", 1);
  Point(b, r.origin);
  return WriteTexGenerator(b, r.tex);
}

ByteBuilder& WriteAnimatedFont(ByteBuilder& b, const AnimatedFontRecord& r) {
  b.Header(u"DS_AnimatedFont", 1);
  b.WideString(r.text);
  b.U32(r.animationSpeed).U32(r.scale);
  for (uint32_t v : r.settings) b.U32(v);
  b.I32(r.setting);
  b.I32(static_cast<int32_t>(r.glyphMap.size()));
  for (const GlyphEntry& e : r.glyphMap) b.U16(static_cast<uint16_t>(e.character)).FileLink(e.name, static_cast<uint64_t>(e.id));
  WriteImageFileLinks(b, r.glyphLinks);
  return WriteStaticGenerator(b, r.base);
}

ByteBuilder& WriteSingleRect(ByteBuilder& b, const SingleRectRecord& r) {
  b.Header(u"DS_SingleRectGN", r.version);
  for (const Point3& c : r.corners) Point(b, c);
  if (r.version < 2) b.F32(r.extra[0]).F32(r.extra[1]);
  return WriteStaticGenerator(b, r.base);
}

ByteBuilder& WritePlant(ByteBuilder& b, const PlantRecord& r) {
  b.Header(u"DS_Plant", 1);
  b.U32(r.speed).U32(r.frequency).U32(r.wMagnitude).U32(r.bMagnitude);
  return WriteSingleRect(b, r.rect);
}

ByteBuilder& WriteRegionPart(ByteBuilder& b, const RegionRecord& r) {
  for (const Point3& c : r.corners) Point(b, c);
  return WriteTexGenerator(b, r.tex);
}

ByteBuilder& WriteRegionGenerator(ByteBuilder& b, const RegionRecord& r) {
  b.Header(u"DS_ParticleRctRgnGenerator", 1);
  return WriteRegionPart(b, r);
}

ByteBuilder& WriteFallingStars(ByteBuilder& b, const FallingStarsRecord& r) {
  b.Header(u"DS_FallingStars", 1);
  b.U32(r.fallSpeed).U32(r.starRate).U32(r.direction).U32(r.starSize).U32(r.glowFactor);
  b.U32(r.holdTime).U32(r.fadeInTime).U32(r.fadeOutTime);
  return WriteRegionPart(b, r.region);
}

ByteBuilder& WriteOriginGenerator(ByteBuilder& b, const OriginGeneratorRecord& r) {
  b.Header(u"DS_ParticleOriginGenerator", r.version);
  b.U32(r.lifetime).U32(r.launchRate).U32(r.originSize).U32(r.direction);
  if (r.version >= 2) b.U32(r.spread);
  b.U32(r.speed);
  return WriteStaticGenerator(b, r.base);
}

ByteBuilder& WriteFireworkSimple(ByteBuilder& b, const FireworkSimpleRecord& r) {
  b.Header(u"DS_FireworkSimple", 1);
  b.U32(r.sparkCount).U32(r.sparkSize).U32(r.launchSpeed).U32(r.glowFactor);
  return WriteOriginGenerator(b, r.origin);
}

}  // namespace pw
