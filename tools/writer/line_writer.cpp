#include "tools/writer/line_writer.h"

#include "tools/writer/values_writer.h"

namespace pw {

namespace {

ByteBuilder& WriteEnvelope(ByteBuilder& b, const Envelope& e) { return WriteLifeEnvelopeParams(b, e); }

ByteBuilder& WriteRibbonBlock(ByteBuilder& b, const std::u16string& shape, const ClassicBlockRecord& block) {
  b.I32(block.version).WideString(shape);
  return WriteClassicBlock(b, block);
}

}  // namespace

ByteBuilder& WriteSplinePoints(ByteBuilder& b, const std::vector<SplinePointRecord>& points) {
  b.U32(static_cast<uint32_t>(points.size()));
  for (const auto& p : points) WriteBSplinePnt(b, p.position, p.outTangent, p.inTangent);
  return b;
}

ByteBuilder& WriteLine(ByteBuilder& b, const LineRecord& r) {
  b.Header(u"ZVI_LineCtrl", r.version);
  WriteSplinePoints(b, r.points);
  b.I32(r.showParticles);
  WriteRibbonBlock(b, r.ribbonShape, r.ribbon);
  b.F32(r.headSide).F32(r.headForward);
  if (r.version < 2) b.I32(r.ignored);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteStaticLine(ByteBuilder& b, const StaticLineRecord& r) {
  b.Header(u"ZVI_StaticLineCtrl", 1).U32(r.width);
  WriteEnvelope(b, r.widthEnvelope);
  WriteEnvelope(b, r.alphaEnvelope);
  return WriteLine(b, r.line);
}

ByteBuilder& WriteGrowingLine(ByteBuilder& b, const GrowingLineRecord& r) {
  b.Header(u"ZVI_GrovingLine", r.version);
  WriteEnvelope(b, r.growWidth);
  WriteEnvelope(b, r.growAlpha);
  if (r.version >= 2) b.I32(r.retractFromStart);
  return WriteStaticLine(b, r.base);
}

ByteBuilder& WriteSlidingLine(ByteBuilder& b, const SlidingLineRecord& r) {
  b.Header(u"ZVI_SlidingLine", 1).U32(r.slideLength).I32(r.slideMode);
  return WriteStaticLine(b, r.base);
}

ByteBuilder& WriteShootingLine(ByteBuilder& b, const ShootingLineRecord& r) {
  b.Header(u"ZVI_ShootingLine", r.version);
  WriteSplinePoints(b, r.points);
  WriteRibbonBlock(b, r.ribbonShape, r.ribbon);
  b.F32(r.shotMin).F32(r.shotMax);
  b.U32(r.speed).U32(r.amplitude).U32(r.tailLength).U32(r.width);
  WriteEnvelope(b, r.widthEnvelope);
  b.U32(r.frequency).I32(r.showParticles).F32(r.kept[0]).F32(r.kept[1]);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteTears(ByteBuilder& b, const ShootingLineRecord& r) {
  b.Header(u"ZVI_Tears", 1);
  return WriteShootingLine(b, r);
}

ByteBuilder& WriteStraightLine(ByteBuilder& b, const StraightLineRecord& r) {
  b.Header(u"DS_StraightLine", 1);
  for (float f : r.start) b.F32(f);
  for (float f : r.end) b.F32(f);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteWavingLine(ByteBuilder& b, const WavingLineRecord& r) {
  b.Header(u"ZVI_WavingLine", 1).U32(r.width);
  WriteEnvelope(b, r.widthEnvelope);
  WriteRibbonBlock(b, r.ribbonShape, r.ribbon);
  b.U32(r.amplitude).U32(r.secondWave).I32(r.showParticles).F32(r.headSide).F32(r.headForward);
  return WriteStraightLine(b, r.base);
}

ByteBuilder& WriteSingleParticle(ByteBuilder& b, const SingleParticleRecord& r) {
  b.Header(u"ZVI_SingleParticle", 1);
  WriteMediaQuad(b, r.corners);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteStaticObject(ByteBuilder& b, const StaticObjectRecord& r) {
  b.Header(u"ZVI_StaticObject", 1).U32(r.rotationSpeed).I32(r.clockwise);
  return WriteSingleParticle(b, r.base);
}

ByteBuilder& WriteParticlePathCtrl(ByteBuilder& b, const ParticlePathCtrlRecord& r) {
  b.Header(u"ZVI_ParticlePathCtrl", 1);
  WriteSmartPoints(b, r.points);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteObjectPath(ByteBuilder& b, const ObjectPathRecord& r) {
  b.Header(u"ZVI_SigleObjectPath", 1).U32(r.speed).I32(r.orientation);
  return WriteParticlePathCtrl(b, r.base);
}

std::vector<ByteBuilder> LineSampleRecords() {
  std::vector<ByteBuilder> out;
  auto block = [](int32_t version) {
    ClassicBlockRecord k;
    k.version = version;
    k.image.links = {{u"common_res.dll", 6001}};
    k.image.currentName = u"common_res.dll";
    k.image.currentId = 6001;
    k.particleSize = 12;
    return k;
  };
  auto system = [&](int32_t blockVersion) {
    ParticleSystemRecord s;
    s.block = block(blockVersion);
    return s;
  };
  const std::vector<SplinePointRecord> path{{{10, 10, 0}, {10, 0, 0}, {0, 0, 0}},
                                            {{60, 30, 0}, {10, 5, 0}, {-10, -5, 0}},
                                            {{110, 10, 0}, {0, 0, 0}, {-10, 0, 0}}};
  auto line = [&](int32_t version) {
    StaticLineRecord s;
    s.line.version = version;
    s.line.points = path;
    s.line.showParticles = 1;
    s.line.ribbon = block(version == 1 ? 9 : 11);
    s.line.ribbon.blendMode = 1;
    s.line.system = system(11);
    return s;
  };
  for (int32_t v = 1; v <= 2; ++v) {
    GrowingLineRecord g;
    g.version = v;
    g.retractFromStart = 1;
    g.growWidth = {20, 80, 10, 50};
    g.base = line(v);
    out.emplace_back();
    WriteGrowingLine(out.back(), g);
  }
  SlidingLineRecord s;
  s.slideMode = 1;
  s.base = line(2);
  out.emplace_back();
  WriteSlidingLine(out.back(), s);
  for (int32_t v = 1; v <= 2; ++v) {
    ShootingLineRecord r;
    r.version = v;
    r.points = path;
    r.ribbon = block(11);
    r.amplitude = 5;
    r.frequency = 200;
    r.showParticles = 1;
    r.system = system(11);
    out.emplace_back();
    if (v == 1) WriteShootingLine(out.back(), r);
    else WriteTears(out.back(), r);
  }
  WavingLineRecord w;
  w.ribbon = block(11);
  w.amplitude = 20;
  w.secondWave = 50;
  w.showParticles = 1;
  w.base.start = {10, 50, 0};
  w.base.end = {110, 50, 0};
  w.base.system = system(11);
  out.emplace_back();
  WriteWavingLine(out.back(), w);
  StaticObjectRecord o;
  o.rotationSpeed = 25;
  o.base.corners = {20, 20, 0, 20, 60, 0, 80, 20, 0, 80, 60, 0};
  o.base.system = system(11);
  out.emplace_back();
  WriteStaticObject(out.back(), o);
  ObjectPathRecord p;
  p.speed = 20;
  p.orientation = 1;
  p.base.points = {{10, 10, 0}, {100, 60, 0}, {20, 90, 0}};
  p.base.system = system(11);
  out.emplace_back();
  WriteObjectPath(out.back(), p);
  return out;
}

}  // namespace pw
