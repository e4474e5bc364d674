#include "tools/writer/sprite_writer.h"

namespace pw {

ByteBuilder& WriteViewObjCtrl(ByteBuilder& b, const ViewObjRecord& r) {
  b.Header(u"DS_ViewObjCtrl", r.version);
  for (int32_t v : r.pixels) b.I32(v);
  b.F32(r.left).F32(r.right).F32(r.top).F32(r.bottom);
  b.U8(r.flag);
  if (r.version >= 2) b.U32(r.viewSpeed);
  return WriteConstructorBase(b, r.base);
}

ByteBuilder& WriteBaseSprite(ByteBuilder& b, const BaseSpriteRecord& r) {
  const int32_t v = r.version;
  b.Header(u"DS_BaseSpriteProp", v);
  WriteViewObjCtrl(b, r.view);
  b.U32(r.count);
  if (v < 3) b.U32(r.legacyViewSpeed);
  b.U32(r.size);
  b.U32(r.translucency);
  b.I32(r.blendMode);
  b.U32(r.colour);
  b.F32(r.twinkleSpeed).F32(r.twinkleMin).F32(r.twinkleMax).F32(r.sizeMin).F32(r.sizeMax);
  if (v == 1) {
    b.I32(static_cast<int32_t>(r.legacyFrames.size()));
    for (const EmbeddedFileSpec& f : r.legacyFrames) WriteEmbeddedFileSpec(b, f);
    WriteEmbeddedFileSpec(b, r.legacySecond);
  } else {
    b.FileLink(r.imageName, static_cast<uint64_t>(r.imageId));
    b.FileLink(r.secondName, static_cast<uint64_t>(r.secondId));
  }
  b.U32(r.reservedUnsigned).F32(r.reservedFloat).U32(r.frameCount).F32(r.frameRate).U8(r.atlas);
  if (v == 1) {
    b.U32(static_cast<uint32_t>(r.legacyDelays.size()));
    for (float d : r.legacyDelays) b.F32(d);
    return b;
  }
  if (v >= 4) b.I32(r.imageKind);
  if (v >= 5) b.I32(r.flipVertical).I32(r.flipHorizontal);
  if (v >= 6) b.I32(r.staticFlag);
  if (v >= 7) b.U32(r.speed);
  return b;
}

ByteBuilder& WriteFXParticleSystemCtrl(ByteBuilder& b, const FXParticleRecord& r) {
  b.Header(u"DS_FXParticleSystemCtrl", 1);
  b.FileLink(r.effectName, static_cast<uint64_t>(r.effectId));
  return WriteBaseSprite(b, r.sprite);
}

ByteBuilder& WriteGlowEffectCtrl(ByteBuilder& b, const GlowEffectRecord& r) {
  b.Header(u"DS_GlowEffectCtrl", 1);
  b.U32(r.glowColour).U32(r.glowIntensity);
  return WriteFXParticleSystemCtrl(b, r.fx);
}

ByteBuilder& WriteStatBaseFXCtrl(ByteBuilder& b, const StatBaseFXRecord& r) {
  b.Header(u"DS_StatBaseFXCtrl", r.version);
  b.F32(r.x).F32(r.y).F32(r.z);
  if (r.version >= 2) b.U32(r.height).U32(r.width);
  b.Header(u"DS_BaseFXCtrl", 1);
  return WriteFXParticleSystemCtrl(b, r.fx);
}

ByteBuilder& WriteDischarge(ByteBuilder& b, const DischargeRecord& r) {
  b.Header(u"DS_DischargeFXConstructor", 1);
  for (float f : r.start) b.F32(f);
  for (float f : r.end) b.F32(f);
  b.U32(r.jitter).I32(r.style).U32(r.flickerInterval).U32(r.morphRate);
  return WriteGlowEffectCtrl(b, r.glow);
}

DischargeRecord DefaultDischarge() {
  DischargeRecord r;
  r.glow.glowColour = 0xFF9900;
  r.glow.glowIntensity = 100;
  r.glow.fx.effectName = u"common_res.dll";
  r.glow.fx.effectId = 97;
  r.glow.fx.sprite.size = 50;
  r.glow.fx.sprite.blendMode = 1;
  r.glow.fx.sprite.colour = 0xFFFFCC;
  r.glow.fx.sprite.count = 8;
  return r;
}

ByteBuilder& WriteGodRay(ByteBuilder& b, const GodRayRecord& r) {
  b.Header(u"DS_GodRayConstructor", 1).U32(r.rayAngle);
  return WriteBaseSprite(b, r.sprite);
}

ByteBuilder& WriteSparkle(ByteBuilder& b, const BaseSpriteRecord& sprite) {
  b.Header(u"DS_SparkleConstructor", 1);
  return WriteBaseSprite(b, sprite);
}

ByteBuilder& WriteFog(ByteBuilder& b, const FogRecord& r) {
  b.Header(u"DS_FogConstructor", 1).F32(r.maxSpeedX).F32(r.maxSpeedY);
  return WriteBaseSprite(b, r.sprite);
}

ByteBuilder& WriteLighting(ByteBuilder& b, const LightingRecord& r) {
  b.Header(u"DS_LightingConstructor", r.version);
  if (r.version >= 2) b.U32(r.minPause).U32(r.maxPause);
  return WriteBaseSprite(b, r.sprite);
}

ByteBuilder& WriteBoundControl(ByteBuilder& b, const BoundControlRecord& r) {
  b.Header(u"DS_BoundControl", 1);
  return b.I32(r.mode).U32(r.fadeOut).U32(r.fadeIn).U32(r.minPause).U32(r.maxPause);
}

ByteBuilder& WriteFlow(ByteBuilder& b, const FlowRecord& r) {
  b.Header(u"DS_FlowConstructor", r.version);
  b.U32(r.flowAngle).U32(r.wobbleAmplitude).U32(r.wobbleRate).F32(r.flowSpeed);
  if (r.version >= 2) b.I32(r.orientation);
  if (r.version >= 4)
    for (const BoundControlRecord& c : r.bounds) WriteBoundControl(b, c);
  return WriteBaseSprite(b, r.sprite);
}

ByteBuilder& WriteRain(ByteBuilder& b, const FlowRecord& r) {
  b.Header(u"DS_RainConstructor", 1);
  return WriteFlow(b, r);
}

ByteBuilder& WriteFish(ByteBuilder& b, const FishRecord& r) {
  b.Header(u"DS_FishConstructor", 1).F32(r.maxSpeedX).F32(r.maxSpeedY);
  return WriteBaseSprite(b, r.sprite);
}

ByteBuilder& WriteBird(ByteBuilder& b, const FishRecord& r) {
  b.Header(u"DS_BirdConstructor", 1);
  return WriteFish(b, r);
}

ByteBuilder& WriteGhost(ByteBuilder& b, const FishRecord& r, int32_t version) {
  b.Header(u"DS_GhostConstructor", version);
  return WriteFish(b, r);
}

ByteBuilder& WriteStatObj(ByteBuilder& b, const StatObjRecord& r) {
  b.Header(u"DS_StatObjConstructor", r.version);
  for (int32_t v : r.rect) b.I32(v);
  b.U32(r.rotationAngle);
  if (r.version < 2) b.I32(r.flipVertical).I32(r.flipHorizontal);
  return WriteBaseSprite(b, r.sprite);
}

ByteBuilder& WriteFlower(ByteBuilder& b, float swayAmplitude, const StatObjRecord& r) {
  b.Header(u"DS_FlowerConstructor", 1).F32(swayAmplitude);
  return WriteStatObj(b, r);
}

ByteBuilder& WriteDischargeSprite(ByteBuilder& b, const StatObjRecord& r) {
  b.Header(u"DS_DischargeConstructor", 1);
  return WriteStatObj(b, r);
}

ByteBuilder& WriteGrass(ByteBuilder& b, float swayAmplitude, const BaseSpriteRecord& sprite) {
  b.Header(u"DS_GrassConstructor", 1).F32(swayAmplitude);
  return WriteBaseSprite(b, sprite);
}

// ---- Sprite animations

ByteBuilder& WritePathAnimation(ByteBuilder& b, const PathAnimationRecord& r) {
  b.Header(u"DS_PathAnimtion", r.version);
  b.U32(r.travelSpeed).U32(r.size).I32(r.orientation).I32(r.flipVertical).I32(r.flipHorizontal);
  if (r.version >= 2) b.U32(r.frameSpeed);
  b.Header(u"DS_PathGenerator", 1);
  b.I32(static_cast<int32_t>(r.points.size()));
  for (const Point3& p : r.points) b.F32(p[0]).F32(p[1]).F32(p[2]);
  return WriteTexGenerator(b, r.tex);
}

ByteBuilder& WriteStaticAnimation(ByteBuilder& b, const StaticAnimationRecord& r) {
  b.Header(u"DS_StaticAnimation", 1);
  b.U32(r.frameSpeed).I32(r.reverse);
  return WriteSingleRect(b, r.rect);
}

ByteBuilder& WriteBrownAnimation(ByteBuilder& b, const BrownAnimationRecord& r) {
  b.Header(u"DS_BrownAnimation", r.version);
  b.U32(r.count).U32(r.size).U32(r.wanderSpeed).U32(r.retargetInterval).U32(r.steeringTime);
  if (r.version >= 2) b.U32(r.frameSpeed);
  return WriteRegionGenerator(b, r.region);
}

}  // namespace pw
