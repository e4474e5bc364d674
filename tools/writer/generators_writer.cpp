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

}  // namespace pw
