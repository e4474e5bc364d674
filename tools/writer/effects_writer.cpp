#include "tools/writer/effects_writer.h"

namespace pw {

ByteBuilder& WriteFXBase(ByteBuilder& b, const FXRecord& r) {
  b.Header(u"DS_FX_Constructor", r.version);
  b.U32(r.speed).I32(r.mode).Guid(r.maskGuid).WideString(r.maskName).U8(r.maskFlag);
  b.FileLink(r.effectName, static_cast<uint64_t>(r.effectId));
  if (r.version >= 2) b.U32(r.scale);
  if (r.version >= 3) {
    for (const Corner& c : r.quad) b.F32(c[0]).F32(c[1]).F32(c[2]);
    b.I32(r.reserved);
  }
  if (r.version >= 4) b.U32(r.phase);
  return WriteConstructorBase(b, r.base);
}

namespace {

ByteBuilder& PatternFields(ByteBuilder& b, const PatternBrushRecord& r) {
  b.Header(u"DS_PatternBrush", 1);
  b.FileLink(r.imageName, static_cast<uint64_t>(r.imageId));
  b.I32(r.flipY).I32(r.flipX).U32(r.angle).U32(r.patternScale).U32(r.offsetX).U32(r.offsetY);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& LightIIFields(ByteBuilder& b, const LightIIRecord& r) {
  b.Header(u"DS_LightFX_II", r.version);
  b.U32(r.intensity).I32(r.flicker).I32(r.blendMode).U32(r.color);
  if (r.version >= 3) b.I32(r.layerMode);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& SaturationFields(ByteBuilder& b, const SaturationRecord& r) {
  b.Header(u"DS_SaturationWaveFX", 1);
  b.I32(r.waveKind).U32(r.spareFactor).U32(r.strength).U32(r.direction).U32(r.waveWidth);
  return WriteFXBase(b, r.fx);
}

}  // namespace

ByteBuilder& WritePatternBrush(ByteBuilder& b, const PatternBrushRecord& r) { return PatternFields(b, r); }

ByteBuilder& WritePatternBrushC(ByteBuilder& b, const PatternBrushRecord& r) {
  b.Header(u"DS_PatternBrushC", 1);
  return PatternFields(b, r);
}

ByteBuilder& WriteBackgroundCopy(ByteBuilder& b, const BackgroundCopyRecord& r) {
  b.Header(u"DS_BackgroundCopy", r.version);
  for (int32_t edge : r.rect) b.I32(edge);
  b.I32(r.offsetX).I32(r.offsetY).I32(r.shiftY).I32(r.shiftX);
  if (r.version >= 2) b.Guid(r.source);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteEraseLayer(ByteBuilder& b, int32_t invert, const FXRecord& fx) {
  b.Header(u"DS_EraseLayerFX", 1).I32(invert);
  return WriteFXBase(b, fx);
}

ByteBuilder& WriteLightFX(ByteBuilder& b, const LightFXRecord& r) {
  b.Header(u"DS_LightFX", 1).U32(r.intensity).I32(r.flicker);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteLightII(ByteBuilder& b, const LightIIRecord& r) { return LightIIFields(b, r); }

ByteBuilder& WriteLightWave(ByteBuilder& b, const LightWaveRecord& r) {
  b.Header(u"DS_LightWaveFX", r.version);
  for (float f : r.waveStart) b.F32(f);
  for (float f : r.waveEnd) b.F32(f);
  b.U32(r.waveLength);
  if (r.version >= 2) b.I32(r.oneWay);
  return LightIIFields(b, r.light);
}

ByteBuilder& WriteColorShift(ByteBuilder& b, const ColorShiftRecord& r) {
  b.Header(u"DS_ColorShiftFX", 1);
  b.I32(r.waveKind).U32(r.amplitude).U32(r.hueShift).U32(r.saturation).U32(r.brightness);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteSaturationWave(ByteBuilder& b, const SaturationRecord& r) { return SaturationFields(b, r); }

ByteBuilder& WriteSaturation(ByteBuilder& b, const SaturationRecord& r) {
  b.Header(u"DS_SaturationFX", 1);
  return SaturationFields(b, r);
}

ByteBuilder& WriteBlur(ByteBuilder& b, const BlurRecord& r) {
  b.Header(u"DS_BlureFX", 1).U32(r.radius).I32(r.waveKind);
  return WriteFXBase(b, r.fx);
}

}  // namespace pw

namespace pw {

ByteBuilder& WriteCentralBase(ByteBuilder& b, const CentralRecord& r) {
  b.Header(u"DS_CentralBased", 1).F32(r.center[0]).F32(r.center[1]).F32(r.center[2]);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteExpand(ByteBuilder& b, const ExpandRecord& r) {
  b.Header(u"DS_ExpandFX", r.version).U32(r.upper).U32(r.lower).I32(r.waveKind);
  return WriteCentralBase(b, r.central);
}

ByteBuilder& WriteRadialWave(ByteBuilder& b, const RadialWaveRecord& r) {
  b.Header(u"DS_RadialWaveFX", r.version);
  if (r.version > 1) b.U32(r.amplitude).U32(r.wavelength).U32(r.ringScale).I32(r.waveDirection);
  return WriteCentralBase(b, r.central);
}

ByteBuilder& WriteRotation(ByteBuilder& b, const RotationRecord& r) {
  b.Header(u"DS_RotationFX", r.version).U32(r.ellipseRatio).U32(r.ellipseAngle).I32(r.reverse);
  if (r.version > 1) b.I32(r.rotationMode).U32(r.rotation);
  return WriteCentralBase(b, r.central);
}

ByteBuilder& WriteBend(ByteBuilder& b, const BendRecord& r) {
  b.Header(u"DS_BendFX", r.version).U32(r.upper).U32(r.lower).U32(r.bend).I32(r.waveKind);
  return WriteCentralBase(b, r.central);
}

ByteBuilder& WriteKestraneRadial(ByteBuilder& b, const KestraneRadialRecord& r) {
  b.Header(u"DS_KestraneRadial", r.version).U32(r.amplitude);
  if (r.version >= 2) b.I32(r.variant);
  return WriteCentralBase(b, r.central);
}

ByteBuilder& WriteKestraneVortical(ByteBuilder& b, const KestraneVorticalRecord& r) {
  b.Header(u"DS_KestraneVortical", 1).U32(r.ellipseDeform).U32(r.ellipseAngle).I32(r.reverse).U32(r.amplitude);
  return WriteCentralBase(b, r.central);
}

}  // namespace pw

namespace pw {

namespace {
ByteBuilder& CornerOf(ByteBuilder& b, const Corner& c) { return b.F32(c[0]).F32(c[1]).F32(c[2]); }
}  // namespace

ByteBuilder& WriteLineBase(ByteBuilder& b, const LineBasedRecord& r) {
  b.Header(u"DS_LineBased", 1).U32(r.axis);
  CornerOf(b, r.center);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WritePerspectiveBase(ByteBuilder& b, const PerspectiveBaseRecord& r) {
  b.Header(u"DS_PerspectiveBased", 1).U32(r.tilt).U32(r.perspectiveScale).U32(r.axis);
  CornerOf(b, r.center);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteDirectionBase(ByteBuilder& b, const DirectionRecord& r) {
  b.Header(u"DS_DirectionBased", 1).U32(r.amplitude).U32(r.angle);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WritePerspectiveFX(ByteBuilder& b, const PerspectiveFXRecord& r) {
  b.Header(u"DS_PerspectiveFX", r.version).U32(r.upper).U32(r.depth);
  if (r.version >= 2) {
    b.I32(r.waveKind);
    if (r.version >= 3) b.U32(r.lower);
  } else {
    b.I32(r.legacyMode);
  }
  return WriteLineBase(b, r.line);
}

ByteBuilder& WriteStretch(ByteBuilder& b, const StretchRecord& r) {
  b.Header(u"DS_StretchFX", 1).I32(r.waveKind).U32(r.upper).U32(r.lower);
  return WriteLineBase(b, r.line);
}

ByteBuilder& WriteTurn(ByteBuilder& b, const PerspectiveBaseRecord& r) {
  b.Header(u"DS_TurnFX", 1);
  return WritePerspectiveBase(b, r);
}

ByteBuilder& WriteKestraneLinear(ByteBuilder& b, const KestraneLinearRecord& r) {
  b.Header(u"DS_KestraneLinear", r.version);
  if (r.version > 1) {
    b.U32(r.tilt).U32(r.perspectiveScale).U32(r.axis);
    CornerOf(b, r.center);
  }
  return WriteDirectionBase(b, r.direction);
}

}  // namespace pw

namespace pw {

ByteBuilder& WriteCloud(ByteBuilder& b, const CloudRecord& r) {
  b.Header(u"DS_CloudFX", 1).U32(r.colorK1).U32(r.colorK2);
  b.FileLink(r.cloudName, static_cast<uint64_t>(r.cloudId)).FileLink(r.secondName, static_cast<uint64_t>(r.secondId));
  b.U32(r.threshold).U32(r.density).U32(r.depth).U32(r.height).U32(r.shift).I32(r.flipShift);
  b.U32(r.spare1).U32(r.spare2);
  return WriteDirectionBase(b, r.direction);
}

ByteBuilder& WriteCaustic(ByteBuilder& b, const CausticRecord& r) {
  b.Header(u"DS_CausticFX", r.version).U32(r.brightness).U32(r.scaleX).U32(r.scaleY);
  b.U32(r.blendColor).I32(r.blendMode).I32(r.backgroundMode).U32(r.power);
  if (r.version < 2) return WriteLineBase(b, r.line);
  return WritePerspectiveBase(b, r.perspective);
}

ByteBuilder& WriteDayToNight(ByteBuilder& b, const DayToNightRecord& r) {
  b.Header(u"DS_DayToNight", 1).U32(r.mulColor).U32(r.hue).U32(r.saturation).U32(r.brightness);
  for (float f : r.rgba) b.F32(f);
  b.U32(r.desaturate);
  return WriteFXBase(b, r.fx);
}

}  // namespace pw

namespace pw {

ByteBuilder& WriteHeat(ByteBuilder& b, const HeatRecord& r) {
  b.Header(u"DS_HeatDistortion", r.version).U32(r.heatSpeed).U32(r.strength).U32(r.bumpScale);
  if (r.version >= 3) return WritePerspectiveBase(b, r.perspective);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteBump(ByteBuilder& b, const BumpRecord& r) {
  b.Header(u"DS_BumpFX", 1).I32(r.animationMode).I32(r.waveKind).U32(r.animationAmount);
  b.FileLink(r.imageName, static_cast<uint64_t>(r.imageId));
  b.U32(r.lightElevation).U32(r.lightAzimuth).U32(r.bumpSpeed);
  return WriteFXBase(b, r.fx);
}

}  // namespace pw
