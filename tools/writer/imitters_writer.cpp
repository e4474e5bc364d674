#include "tools/writer/imitters_writer.h"

namespace pw {

namespace {

ByteBuilder& WriteVariation(ByteBuilder& b, const VariationRecord& v) {
  return WriteVariationParams(b, v.amplitude, v.frequency, v.mode);
}

uint32_t FirstColour(const ColorSetRecord& c) { return c.colours.empty() ? 0u : c.colours.front(); }

}  // namespace

ByteBuilder& WriteClassicBlock(ByteBuilder& b, const ClassicBlockRecord& r) {
  const int32_t v = r.version;
  if (v >= 7) WriteNamedFileLinkData(b, r.image);
  else WriteImageFileLinks(b, r.image.links);
  b.FileLink(r.effectName, static_cast<uint64_t>(r.effectId));
  b.U32(r.frameSpeed).I32(r.reverseFrames).I32(r.mirrorV).I32(r.mirrorU).U32(r.particleSize);
  if (v >= 11) WriteColorSetParams(b, r.colours);
  else b.Dword(FirstColour(r.colours)).U32(r.colours.transparency);
  if (v >= 2) {
    b.U32(r.sizeFadeIn).U32(r.sizeFadeOut).U32(r.alphaFadeIn).U32(r.alphaFadeOut);
    b.U32(r.sizeVariation).U32(r.alphaVariation);
    b.I32(r.spinDirection).U32(r.spinSpeed).U32(r.spinSpread).I32(r.blendMode);
  }
  if (v >= 3) b.U32(r.sizeStart).U32(r.sizeEnd).U32(r.alphaStart).U32(r.alphaStart);
  if (v >= 4) b.I32(r.orientation).U32(r.startAngle).U32(r.angleSpread);
  if (v >= 5) b.I32(r.glowMode).U32(r.blurQuality).Dword(r.glowColour).U32(r.glowLevel).I32(r.blurPasses);
  if (v >= 6) b.FileLink(u"common_res.dll", 202);
  if (v >= 8) {
    WriteVariation(b, r.alphaOscillation);
    WriteVariation(b, r.sizeOscillation);
  }
  if (v >= 9) b.I32(r.flags).I32(r.gravityDirection).U32(r.gravity).U32(r.airResistance);
  if (v >= 10) {
    WriteVariation(b, r.forwardOscillation);
    WriteVariation(b, r.sideOscillation);
  }
  return b;
}

ByteBuilder& WriteParticleSystem(ByteBuilder& b, const ParticleSystemRecord& r) {
  const int32_t v = r.version;
  b.Header(u"ZVI_ParticleSystemCtrl", v);
  if (v >= 5) {
    b.I32(r.block.version).WideString(r.shapeName);
    WriteClassicBlock(b, r.block);
  } else {
    const ClassicBlockRecord& k = r.block;
    WriteImageFileLinks(b, k.image.links);
    if (v < 3) {
      b.I32(r.shapeIndex);
    } else {
      b.U32(static_cast<uint32_t>(r.shapeList.size()));
      for (int32_t s : r.shapeList) b.I32(s);
    }
    b.FileLink(k.effectName, static_cast<uint64_t>(k.effectId));
    b.U32(k.frameSpeed).U32(k.particleSize).Dword(FirstColour(k.colours)).U32(k.colours.transparency);
    if (v >= 2) b.I32(k.reverseFrames).I32(k.mirrorV).I32(k.mirrorU);
  }
  if (v >= 4) b.U32(r.systemSpeed);
  return WriteConstructorBase(b, r.base);
}

ByteBuilder& WriteBurstFields(ByteBuilder& b, const BurstRecord& r) {
  b.F32(r.source[0]).F32(r.source[1]).F32(r.source[2]);
  b.U32(r.burstCount).U32(r.speed).U32(r.range).I32(r.spatial).U32(r.angle).U32(r.spread);
  if (r.version < 4) b.U32(r.gravity).I32(r.gravityFlag);
  if (r.version > 1) b.I32(r.areaMode).U32(r.areaRadius);
  return b;
}

ByteBuilder& WriteBurst(ByteBuilder& b, const BurstRecord& r) {
  b.Header(u"ZVI_BurstPtclSys", r.version);
  WriteBurstFields(b, r);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteFountain(ByteBuilder& b, const FountainRecord& r) {
  b.Header(u"ZVI_FontainPtclSys", r.version).U32(r.rate);
  if (r.version == 1) {
    BurstRecord first = r.burst;
    first.version = 1;
    WriteBurstFields(b, first);
    return WriteParticleSystem(b, r.burst.system);
  }
  return WriteBurst(b, r.burst);
}

ByteBuilder& WritePreset(ByteBuilder& b, const PresetRecord& r) {
  const std::u16string& c = r.className;
  int32_t version = r.version;
  if (version < 0) version = c == u"DS_WaterJet" ? 0 : 1;
  b.Header(c, version);
  if (c == u"DS_PtclFire") b.I32(r.fireValue).U32(r.kept[0]).U32(r.kept[1]).U32(r.kept[2]);
  else if (c == u"DS_PtclSmoke") b.U32(r.kept[0]).U32(r.wind);
  else if (c == u"DS_PtclFireStream") b.U32(r.kept[0]);
  return WriteFountain(b, r.fountain);
}

std::vector<ByteBuilder> ClassicSampleRecords() {
  std::vector<ByteBuilder> out;
  auto block = [](int32_t version) {
    ClassicBlockRecord k;
    k.version = version;
    k.image.links = {{u"common_res.dll", 6001}};
    k.image.currentName = u"common_res.dll";
    k.image.currentId = 6001;
    k.glowMode = version % 3;
    k.sizeOscillation = {100, 50, version % 3};
    k.forwardOscillation = {20, 30, 2};
    k.flags = version >= 9 ? 1 : 0;
    k.gravityDirection = 2;
    k.airResistance = 10;
    return k;
  };
  auto burst = [&](int32_t version, int32_t systemVersion, int32_t blockVersion) {
    BurstRecord r;
    r.version = version;
    r.source[0] = 40.0f;
    r.source[1] = 30.0f;
    r.burstCount = 20;
    r.areaMode = version % 2;
    r.areaRadius = 5;
    r.system.version = systemVersion;
    r.system.shapeName = u"Sphere";
    r.system.block = block(blockVersion);
    return r;
  };
  for (int32_t v = 1; v <= 4; ++v) {
    out.emplace_back();
    WriteBurst(out.back(), burst(v, v, 11));
  }
  for (int32_t b : {3, 5, 11}) {
    out.emplace_back();
    WriteBurst(out.back(), burst(4, 5, b));
  }
  for (int32_t v = 1; v <= 2; ++v) {
    FountainRecord f;
    f.version = v;
    f.burst = burst(4, 5, v == 1 ? 6 : 8);
    out.emplace_back();
    WriteFountain(out.back(), f);
  }
  const char16_t* presets[] = {u"DS_PtclFire", u"DS_WaterJet", u"DS_LightBeams", u"DS_PtclSmoke", u"DS_PtclFireStream"};
  const int32_t blocks[] = {2, 4, 7, 9, 10};
  for (int i = 0; i < 5; ++i) {
    PresetRecord p;
    p.className = presets[i];
    p.fountain.burst = burst(4, 5, blocks[i]);
    out.emplace_back();
    WritePreset(out.back(), p);
  }
  return out;
}

}  // namespace pw
