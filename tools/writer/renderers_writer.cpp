#include "tools/writer/renderers_writer.h"

namespace pw {

namespace {
void Link(ByteBuilder& b, const LinkSpec& l) { b.FileLink(l.name, static_cast<uint64_t>(l.id)); }
}  // namespace

ByteBuilder& WriteGlassBall(ByteBuilder& b, const GlassBallRecord& r) {
  b.Header(u"DS_GlassBallLight", r.version);
  Link(b, r.overlay1);
  Link(b, r.overlay2);
  Link(b, r.stand);
  Link(b, r.picture);
  b.U32(r.rotationSpeed).I32(r.ballX).I32(r.ballY).U32(r.ballSize).U32(r.lensStrength);
  b.U32(r.overlay1On).U32(r.overlay2On).U32(r.standOn).U32(r.pictureMode).U32(r.motion);
  b.U32(r.topColor).U32(r.bottomColor);
  return WriteLight(b, r.light);
}

ByteBuilder& WriteMatrixCode(ByteBuilder& b, const MatrixCodeRecord& r) {
  b.Header(u"DS_MatrixCodeLight", r.version);
  b.U32(r.cellSize).U32(r.density).U32(r.highlightCount);
  b.U32(r.flicker).U32(r.backgroundMode).U32(r.startMode);
  b.U32(r.glyphColor).U32(r.highlightColor).U32(r.transparency);
  if (r.version > 1) Link(b, r.glyphImage);
  if (r.version > 2) b.U32(r.inFront);
  return WriteLight(b, r.light);
}

ByteBuilder& WriteLake(ByteBuilder& b, const LakeRecord& r) {
  b.Header(u"FakeLake2D", r.version);
  if (r.version > 1) {
    b.U32(r.waveScale).U32(r.waveSpeed).U32(r.horizon).U32(r.noiseOpacity).U32(r.tintOpacity).U32(r.tintFade);
    b.U32(r.bumpAmplitude).U32(r.hazeHeight).U32(r.reflectionDetail).U32(r.lakeColor);
  }
  b.Guid(r.normalMapGuid).WideString(r.normalMapName).U8(r.normalMapFlag);
  return WriteLight(b, r.light);
}

ByteBuilder& WriteWaterRing(ByteBuilder& b, const WaterRingRecord& r) {
  b.Header(u"DS_WaterRingLight", r.version);
  if (r.version > 1) {
    b.U32(r.ringSpeed).U32(r.gridStretch).U32(r.gridDetail).U32(r.dropStrength).U32(r.damping).U32(
        r.refractionDepth);
    b.U32(r.dropRate).U32(r.specularLevel).U32(r.shininess);
  }
  b.U32(r.overSlide);
  return WriteLight(b, r.light);
}

}  // namespace pw
