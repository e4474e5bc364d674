#include "tools/writer/node_effects_writer.h"

namespace pw {

namespace {
constexpr std::u16string_view kBase = u"ZVI_ParticlSystem_Effect";

ByteBuilder& AngleTail(ByteBuilder& b, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_Angle", 1);
  return WriteEffectBase(b, base);
}
}  // namespace

ByteBuilder& WriteEffectBase(ByteBuilder& b, const EffectBaseRecord& r) {
  b.Header(kBase, r.version).WideString(r.name);
  if (r.version >= 2) b.WideString(r.kind);
  if (r.version >= 3) b.U8(r.timeSource);
  return b;
}

ByteBuilder& WriteBareEffect(ByteBuilder& b, std::u16string_view className, const EffectBaseRecord& base) {
  b.Header(className, 1);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteOrientationInMotion(ByteBuilder& b, int32_t mode, const EffectBaseRecord& base) {
  b.Header(u"ZVI_OrientationInMotion", 1).I32(mode);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteForceGravitation(ByteBuilder& b, uint32_t direction, uint32_t strength,
                                   const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_ForceGravitation", 1).U32(direction).U32(strength);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteForceDrag(ByteBuilder& b, uint32_t drag, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_ForceDrag", 1).U32(drag);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteMotionLawEffect(ByteBuilder& b, const ByteBuilder& law, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_MotionLaw", 1).Append(law);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteTimeFunc(ByteBuilder& b, const TimeFuncRecord& r) {
  b.Header(u"ZVI_PtclSysEffect_TimeFunc", r.version).U32(r.value).U32(r.jitter);
  b.I32(1).I32(r.mode).U32(r.frequency).U32(r.amplitude).U32(r.third);
  if (r.version >= 2) b.I32(r.randomPhase).U32(r.phase);
  return WriteEffectBase(b, r.base);
}

ByteBuilder& WritePulsation(ByteBuilder& b, int32_t index, const TimeFuncRecord& r) {
  b.Header(u"ZVI_PtclSysEffect_Pulsation", 1).I32(index);
  return WriteTimeFunc(b, r);
}

ByteBuilder& WriteSwinging(ByteBuilder& b, const TimeFuncRecord& r) {
  b.Header(u"ZVI_PtclSysEffect_Swinging", 1);
  return WriteTimeFunc(b, r);
}

namespace {
ByteBuilder& VibrationBody(ByteBuilder& b, std::u16string_view name, int32_t version, uint32_t direction,
                           int32_t localAxes, const TimeFuncRecord& r) {
  b.Header(name, version).U32(direction);
  if (version >= 2) b.I32(localAxes);
  return WriteTimeFunc(b, r);
}
}  // namespace

ByteBuilder& WriteVibration(ByteBuilder& b, int32_t version, uint32_t direction, int32_t localAxes,
                            const TimeFuncRecord& r) {
  return VibrationBody(b, u"ZVI_PtclSysEffect_Vibration", version, direction, localAxes, r);
}

ByteBuilder& WriteDeformation(ByteBuilder& b, int32_t vibrationVersion, uint32_t direction,
                              const TimeFuncRecord& r) {
  b.Header(u"ZVI_PtclSysEffect_Deformation", 1);
  return VibrationBody(b, u"ZVI_PtclSysEffect_Vibration", vibrationVersion, direction, 0, r);
}

ByteBuilder& WriteStretch(ByteBuilder& b, uint32_t direction, uint32_t stretch, uint32_t jitter,
                          const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_Stretch", 1).U32(direction).U32(stretch).U32(jitter);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteColorSource(ByteBuilder& b, const ColorSourceRecord& r) {
  b.I32(1).I32(r.mode).U32(static_cast<uint32_t>(r.colours.size()));
  for (uint32_t c : r.colours) b.U32(c);
  b.I32(1).U32(static_cast<uint32_t>(r.keys.size()));
  for (const auto& [at, colour] : r.keys) b.F32(at).U32(colour);
  return b;
}

ByteBuilder& WriteColorD(ByteBuilder& b, const ColorSourceRecord& r, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_ColorD", 1);
  WriteColorSource(b, r);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteColorV(ByteBuilder& b, const ColorSourceRecord& r, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_ColorV", 1);
  return WriteColorD(b, r, base);
}

ByteBuilder& WriteColorGradient(ByteBuilder& b, const ColorSourceRecord& r, const ByteBuilder& gradient,
                                const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEff_ColorGradient", 1);
  WriteColorSource(b, r).Append(gradient);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteScrollTex(ByteBuilder& b, uint32_t speed, int32_t mode, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_ScrollTex", 1).U32(speed).I32(mode);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteAngleBase(ByteBuilder& b, uint32_t angle, uint32_t spread, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_AngleBase", 1).U32(angle).U32(spread);
  return AngleTail(b, base);
}

ByteBuilder& WriteAngleDyn(ByteBuilder& b, const ByteBuilder& graph, int32_t mode, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_AngleDyn", 1).Append(graph).I32(mode);
  return AngleTail(b, base);
}

ByteBuilder& WriteSpin(ByteBuilder& b, uint32_t speed, uint32_t jitter, int32_t mode, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_Spin", 1).U32(speed).U32(jitter).I32(mode);
  return AngleTail(b, base);
}

ByteBuilder& WriteClockTime(ByteBuilder& b, uint32_t speed, int32_t realTime, uint8_t hours, uint8_t minutes,
                            uint8_t seconds, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_ClockTime", 1).U32(speed).I32(realTime).U8(hours).U8(minutes).U8(seconds);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteClockHand(ByteBuilder& b, float factor, const EffectBaseRecord& base) {
  b.Header(u"ZVI_PtclSysEffect_ClockHand", 1).F32(factor);
  return WriteEffectBase(b, base);
}

ByteBuilder& WriteMultiplicator(ByteBuilder& b, const MultiplicatorRecord& r) {
  b.Header(u"ZVI_PtclSysEff_Multiplicator", r.version).I32(r.index);
  if (r.version >= 2) b.I32(r.kind).F32(r.weightX).F32(r.weightY).F32(r.weightZ);
  return WriteEffectBase(b, r.base);
}

ByteBuilder& WriteGraphMultiplicator(ByteBuilder& b, const ByteBuilder& graph, const MultiplicatorRecord& r) {
  b.Header(u"ZVI_PtclSysEff_Graph", 1).Append(graph);
  return WriteMultiplicator(b, r);
}

ByteBuilder& WriteGradientMultiplicator(ByteBuilder& b, const ByteBuilder& gradient, const MultiplicatorRecord& r) {
  b.Header(u"ZVI_PtclSysEff_Gradient", 1).Append(gradient);
  return WriteMultiplicator(b, r);
}

ByteBuilder& WriteVariatorMF(ByteBuilder& b, const VariatorRecord& v, const MultiplicatorRecord& r) {
  b.Header(u"ZVI_PtclSysEff_VariatorMF", v.version);
  if (v.version >= 2) b.F32(v.derived).F32(v.scale).F32(v.offset);
  b.U32(v.value).U32(v.jitter);
  return WriteMultiplicator(b, r);
}

}  // namespace pw
