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

namespace {

ByteBuilder& WriteQuad(ByteBuilder& b, const std::array<float, 12>& q) {
  for (float f : q) b.F32(f);
  return b;
}

ByteBuilder& WriteOldTiming(ByteBuilder& b, const SplashRecord& r) {
  b.U32(r.sizeVariation).I32(r.ignored);
  return b.U32(r.durations[0]).U32(r.durations[1]).U32(r.durations[2]).I32(r.envelopeFlag);
}

}  // namespace

ByteBuilder& WriteSplashFields(ByteBuilder& b, const SplashRecord& r) {
  WriteQuad(b, r.area);
  b.F32(r.sectorPosition[0]).F32(r.sectorPosition[1]).F32(r.sectorPosition[2]);
  b.U32(r.sectorRadius).U32(r.sectorAngle).U32(r.sectorSpread).I32(r.useSector).U32(r.burstCount);
  if (r.version >= 2) return b.U32(r.life).U32(r.velocityAngle).U32(r.velocitySpread).U32(r.speed);
  return WriteOldTiming(b, r);
}

ByteBuilder& WriteSplash(ByteBuilder& b, const SplashRecord& r) {
  b.Header(u"ZVI_SplashPtclSys", r.version);
  WriteSplashFields(b, r);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteSpray(ByteBuilder& b, const SprayRecord& r) {
  b.Header(u"ZVI_SprayPtclSys", r.version).U32(r.rate);
  if (r.version == 1) {
    WriteQuad(b, r.splash.area);
    WriteOldTiming(b, r.splash);
    return WriteParticleSystem(b, r.splash.system);
  }
  return WriteSplash(b, r.splash);
}

ByteBuilder& WriteSprayPreset(ByteBuilder& b, const SprayPresetRecord& r) {
  b.Header(r.className, 1);
  if (r.className != u"DS_Shimmer") b.U32(r.kept);
  return WriteSpray(b, r.spray);
}

ByteBuilder& WriteStream(ByteBuilder& b, const StreamRecord& r) {
  b.Header(u"DS_StreamPtclSys", 1).U32(r.rate);
  WriteQuad(b, r.edges);
  b.U32(r.life).U32(r.firstSpeed).U32(r.firstJitter).U32(r.speed).U32(r.jitter).U32(r.deviation);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteSmoke2(ByteBuilder& b, uint32_t kept1, uint32_t kept2, int32_t kept3, const StreamRecord& r) {
  b.Header(u"DS_PtclSmoke2", 1).U32(kept1).U32(kept2).I32(kept3);
  return WriteStream(b, r);
}

ByteBuilder& WriteVortex(ByteBuilder& b, const VortexRecord& r) {
  b.Header(u"ZVI_VortexPtclSys", 1).U32(r.rate);
  b.F32(r.source[0]).F32(r.source[1]).F32(r.source[2]);
  b.U32(r.speed).U32(r.twist).I32(r.reverse).U32(r.angle).U32(r.spread).U32(r.arms);
  b.U32(r.rotationSpeed).I32(r.rotationReverse).U32(r.range);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteRayOfLight(ByteBuilder& b, const RayOfLightRecord& r) {
  b.Header(u"DS_RayOfLight", 1);
  WriteQuad(b, r.edges);
  b.U32(r.rayCount).U32(r.life).U32(r.lifeJitter).U32(r.width).U32(r.widthJitter);
  b.U32(r.drift).U32(r.driftJitter).U32(r.endWidth).U32(r.fadeIn).U32(r.fadeOut).U32(r.edgeFade).I32(r.kept);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteThroughSpace(ByteBuilder& b, const ThroughSpaceRecord& r) {
  b.Header(u"ZVI_ThroughSpaceCtrl", r.version);
  b.U32(r.rate);
  WriteQuad(b, r.area);
  b.U32(r.rotationSpeed).I32(r.rotationDirection);
  b.F32(r.centre[0]).F32(r.centre[1]).F32(r.centre[2]);
  b.U8(r.reverse);
  if (r.version > 1) b.U32(r.motionSpeed);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteBrownian(ByteBuilder& b, const BrownianRecord& r) {
  b.Header(u"ZVI_BrownAnimation", 1);
  b.U32(r.count).U32(r.speed).U32(r.changeRate).U32(r.responseTime);
  WriteQuad(b, r.area);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteTracer(ByteBuilder& b, const TracerRecord& r) {
  b.I32(r.version);
  if (r.version > 1) {
    b.I32(r.block.version).WideString(r.shapeName);
    WriteClassicBlock(b, r.block);
  }
  b.U32(r.rate).U32(r.life);
  if (r.version < 2) b.U32(r.particleSize);
  b.U32(r.circleSize).U32(r.drift);
  if (r.version < 4) b.I32(r.discarded);
  return b;
}

ByteBuilder& WriteFirefly(ByteBuilder& b, const FireflyRecord& r) {
  b.Header(u"ZVI_Firefly", r.version);
  WriteTracer(b, r.tracer);
  return WriteBrownian(b, r.brownian);
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
  auto system = [&](int32_t blockVersion) {
    ParticleSystemRecord s;
    s.block = block(blockVersion);
    return s;
  };
  const std::array<float, 12> quad{0, 0, 0, 0, 40, 0, 60, 0, 0, 60, 40, 0};
  for (int32_t v = 1; v <= 2; ++v) {
    SplashRecord splash;
    splash.version = v;
    splash.area = quad;
    splash.useSector = v - 1;
    splash.sectorRadius = 30;
    splash.system = system(v == 1 ? 3 : 11);
    out.emplace_back();
    WriteSplash(out.back(), splash);
    SprayRecord spray;
    spray.version = v;
    spray.splash = splash;
    spray.splash.version = 2;
    out.emplace_back();
    WriteSpray(out.back(), spray);
  }
  const char16_t* sprays[] = {u"DS_PtclFog", u"DS_BokehLights", u"DS_PtclSmoke3", u"DS_Shimmer"};
  for (const char16_t* name : sprays) {
    SprayPresetRecord p;
    p.className = name;
    p.kept = 3;
    p.spray.splash.area = quad;
    p.spray.splash.system = system(11);
    out.emplace_back();
    WriteSprayPreset(out.back(), p);
  }
  StreamRecord stream;
  stream.edges = quad;
  stream.deviation = 20;
  stream.jitter = 50;
  stream.system = system(10);
  out.emplace_back();
  WriteStream(out.back(), stream);
  out.emplace_back();
  WriteSmoke2(out.back(), 1, 2, 3, stream);
  VortexRecord vortex;
  vortex.source[0] = 50.0f;
  vortex.source[1] = 50.0f;
  vortex.system = system(11);
  out.emplace_back();
  WriteVortex(out.back(), vortex);
  RayOfLightRecord ray;
  ray.edges = quad;
  ray.system = system(11);
  out.emplace_back();
  WriteRayOfLight(out.back(), ray);
  for (int32_t v = 1; v <= 3; ++v) {
    ThroughSpaceRecord r;
    r.version = v;
    r.area = {0, 0, 0, 64, 0, 0, 0, 48, 0, 64, 48, 0};
    r.centre[0] = 32.0f, r.centre[1] = 24.0f;
    r.reverse = v == 2 ? 1 : 0;
    r.rotationSpeed = 25;
    r.system.block = block(11);
    out.emplace_back();
    WriteThroughSpace(out.back(), r);
  }
  BrownianRecord brown;
  brown.count = 6;
  brown.area = {8, 8, 0, 56, 8, 0, 8, 40, 0, 56, 40, 0};
  brown.system.block = block(11);
  out.emplace_back();
  WriteBrownian(out.back(), brown);
  for (int32_t tv = 1; tv <= 4; ++tv) {
    FireflyRecord r;
    r.version = tv == 1 ? 1 : 2;
    r.tracer.version = tv;
    r.tracer.block = block(11);
    r.tracer.shapeName = u"Sphere";
    r.tracer.drift = tv == 3 ? 100 : 0;
    r.brownian = brown;
    if (r.version == 1) r.brownian.system.block.image.links.push_back({u"common_res.dll", 6003});
    out.emplace_back();
    WriteFirefly(out.back(), r);
  }
  AppendPathFieldRainSamples(out);
  return out;
}

// ---- path, trace, field and rain

namespace {

ByteBuilder& WritePathPoints(ByteBuilder& b, const std::vector<PathPointRecord>& points) {
  b.I32(static_cast<int32_t>(points.size()));
  for (const PathPointRecord& p : points) WriteBSplinePnt(b, p.position, p.outTangent, p.inTangent);
  return b;
}

}  // namespace

std::vector<PathPointRecord> StraightPathPoints(const std::array<float, 2>& a, const std::array<float, 2>& b, int n) {
  std::vector<PathPointRecord> out;
  if (n <= 0) return out;
  const float dx = n > 1 ? (b[0] - a[0]) / static_cast<float>(n - 1) : 0.0f;
  const float dy = n > 1 ? (b[1] - a[1]) / static_cast<float>(n - 1) : 0.0f;
  for (int i = 0; i < n; ++i) {
    PathPointRecord p;
    p.position = {a[0] + dx * static_cast<float>(i), a[1] + dy * static_cast<float>(i), 0.0f};
    p.outTangent = {dx / 3.0f, dy / 3.0f, 0.0f};
    p.inTangent = {-dx / 3.0f, -dy / 3.0f, 0.0f};
    out.push_back(p);
  }
  return out;
}

ByteBuilder& WriteParticlePath(ByteBuilder& b, const ParticlePathRecord& r) {
  b.Header(u"ZVI_ParticlePath", 1);
  WritePathPoints(b, r.points);
  b.U32(r.rate).U32(r.speed).U32(r.speedVariation).U32(r.wobbleWidth).I32(r.wobbleMode).U32(r.wobbleFrequency);
  b.U32(r.startFactor).U32(r.endFactor).U32(r.rampInEnd).U32(r.rampOutStart);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteParticleTrace(ByteBuilder& b, const ParticleTraceRecord& r) {
  b.Header(u"ZVI_ParticleTrace", 1);
  WritePathPoints(b, r.points);
  b.U32(r.particleCount).U32(r.life).U32(r.spread).U32(r.flySpeed);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteField(ByteBuilder& b, const FieldRecord& r) {
  b.Header(u"ZVI_FieldPtclSys", 1);
  b.U32(r.life).U32(r.fill).I32(static_cast<int32_t>(r.positions.size()));
  for (const auto& p : r.positions) b.F32(p[0]).F32(p[1]).F32(p[2]);
  b.U32(r.angle).U32(r.spread).U32(r.speed);
  return WriteParticleSystem(b, r.system);
}

ByteBuilder& WriteRainOnGlass(ByteBuilder& b, const RainOnGlassRecord& r) {
  b.Header(u"DS_RainOnGlass", 1);
  b.U32(r.rate);
  WriteQuad(b, r.area);
  b.U32(r.gravity).U32(r.gravityAngle);
  return WriteParticleSystem(b, r.system);
}

void AppendPathFieldRainSamples(std::vector<ByteBuilder>& out) {
  ParticleSystemRecord system;
  system.block.image.links = {{u"common_res.dll", 6001}};
  system.block.image.currentName = u"common_res.dll";
  system.block.image.currentId = 6001;
  ParticlePathRecord path;
  path.points = StraightPathPoints({10.0f, 20.0f}, {90.0f, 40.0f}, 3);
  path.speedVariation = 30;
  path.wobbleWidth = 6;
  path.wobbleFrequency = 500;
  path.rampInEnd = 20;
  path.rampOutStart = 80;
  path.system = system;
  out.emplace_back();
  WriteParticlePath(out.back(), path);
  path.wobbleMode = 1;
  out.emplace_back();
  WriteParticlePath(out.back(), path);
  ParticleTraceRecord trace;
  trace.points = StraightPathPoints({0.0f, 50.0f}, {100.0f, 50.0f}, 2);
  trace.spread = 3;
  trace.flySpeed = 10;
  trace.system = system;
  trace.system.block.orientation = 1;
  // A manual timeline: shown for 2 s of every 3, so the trace has a cycle.
  trace.system.base.kind = 2;
  WriteManualTimeLine(trace.system.base.timeline, 300, {{0.0f, 2.0f, 0.0f, 2.0f}});
  out.emplace_back();
  WriteParticleTrace(out.back(), trace);
  FieldRecord field;
  field.positions = {{10, 10, 0}, {20, 15, 0}, {30, 10, 0}, {40, 15, 0}};
  field.speed = 5;
  field.spread = 30;
  field.system = system;
  out.emplace_back();
  WriteField(out.back(), field);
  RainOnGlassRecord rain;
  rain.area = {0, 0, 0, 0, 60, 0, 80, 0, 0, 80, 60, 0};
  rain.gravity = 40;
  rain.system = system;
  rain.system.block.image.links = {{u"common_res.dll", 6101}};
  rain.system.block.image.currentId = 6101;
  out.emplace_back();
  WriteRainOnGlass(out.back(), rain);
}

}  // namespace pw
