#include "tools/writer/water_fire_writer.h"

namespace pw {

namespace {
void Link(ByteBuilder& b, const LinkSpec& l) { b.FileLink(l.name, static_cast<uint64_t>(l.id)); }
}  // namespace

ByteBuilder& WriteWaves(ByteBuilder& b, const WavesRecord& r) {
  b.Header(u"DS_WavesFX", 1).U32(r.amplitude).U32(r.frequency).U32(r.angle).I32(r.longitudinal);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteUnderwater(ByteBuilder& b, const UnderwaterRecord& r) {
  b.Header(u"DS_UnderwaterFX", 1).U32(r.amplitude).U32(r.frequency);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteWater(ByteBuilder& b, const WaterRecord& r) {
  b.Header(u"DS_WaterFX", 1).U32(r.surface).U32(r.bumpScale).U32(r.waveStrength).U32(r.waveLength);
  b.U32(r.angle).U32(r.shadows).U32(r.lightHeight).U32(r.color);
  Link(b, r.bump);
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteMove(ByteBuilder& b, const MoveRecord& r) {
  b.Header(u"DS_MoveFX", r.version).I32(r.waveKind);
  if (r.version >= 2) b.U32(r.backAmplitude);
  return WriteDirectionBase(b, r.direction);
}

ByteBuilder& WriteWaterfall(ByteBuilder& b, const WaterfallRecord& r) {
  b.Header(u"DS_WaterfallFX", 1).U32(r.layerFade).U32(r.layerCount).U32(r.noiseAmplitude).U32(r.spareValue);
  b.U32(r.threshold);
  Link(b, r.noise);
  b.U32(r.color).I32(r.disabled);
  return WriteDirectionBase(b, r.direction);
}

ByteBuilder& WriteFire(ByteBuilder& b, const FireRecord& r) {
  b.Header(u"DS_FireFX", r.version);
  if (r.version >= 2) {
    if (r.version == 2) {
      for (const Corner& c : r.fx.quad) b.F32(c[0]).F32(c[1]).F32(c[2]);
    }
    b.U32(r.tipColor).U32(r.baseColor).I32(r.spareInt);
    Link(b, r.pattern);
    Link(b, r.noise);
    if (r.version == 2) b.I32(r.fx.reserved);
    b.U32(r.density).U32(r.brightness).U32(r.repeat);
  }
  return WriteFXBase(b, r.fx);
}

ByteBuilder& WriteFlameLight(ByteBuilder& b, const FlameLightRecord& r) {
  b.Header(u"DS_FlameLight", r.version).U32(r.fireLayer).U32(r.distortion).U32(r.fireOffset);
  if (r.version < 2) b.U32(r.fireSpeed);
  Link(b, r.bump);
  Link(b, r.effect);
  b.U32(r.speed).U32(r.strength).U32(r.bumpScale);
  if (r.version < 2) {
    Link(b, r.skipped1);
    Link(b, r.skipped2);
  } else {
    WriteFire(b, r.fire);
  }
  return WriteLight(b, r.light);
}

ByteBuilder& WriteUnderwaterLight(ByteBuilder& b, const UnderwaterLightRecord& r) {
  b.Header(u"FakeUndervater", r.version);
  if (r.version == 1) b.U32(r.speed);
  else WriteUnderwater(b, r.effect);
  return WriteLight(b, r.light);
}

}  // namespace pw
