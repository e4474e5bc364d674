#include "tools/writer/sources_writer.h"

#include "tools/writer/node_effects_writer.h"
#include "tools/writer/slides_writer.h"
#include "tools/writer/values_writer.h"

namespace pw {

ByteBuilder& WriteConstJitterGraph(ByteBuilder& b, uint32_t value, uint32_t jitter) {
  ByteBuilder constant;
  WriteVGraphConst(constant);
  return WriteJitterGraphParam(b, constant, value, jitter);
}

ByteBuilder& WriteSpinParams(ByteBuilder& b, int32_t directionMode, uint32_t rate, uint32_t rateJitter,
                             int32_t orientationMode, uint32_t startAngle, uint32_t spread) {
  return b.I32(1).I32(directionMode).U32(rate).U32(rateJitter).I32(orientationMode).U32(startAngle).U32(spread);
}

ByteBuilder& WriteFollowCurveHead(ByteBuilder& b, uint32_t speed, int32_t pingPong, int32_t easing,
                                  int32_t orientation) {
  return b.I32(1).U32(speed).I32(pingPong).I32(easing).I32(orientation);
}

ByteBuilder& WriteSwarmParams(ByteBuilder& b, const std::array<uint32_t, 4>& v) {
  return b.I32(1).U32(v[0]).U32(v[1]).U32(v[2]).U32(v[3]);
}

ByteBuilder& WriteFlowParams(ByteBuilder& b, uint32_t speed, uint32_t jitter, uint32_t direction, uint32_t third) {
  return b.I32(1).U32(speed).U32(jitter).U32(direction).U32(third);
}

ByteBuilder& WriteVelocityFieldParams(ByteBuilder& b, const VelocityFieldRecord& r) {
  b.I32(r.version).U32(r.amplitude).U32(r.noiseScale).U32(r.timeRate).U32(r.drift);
  if (r.version >= 2) b.U32(r.driftJitter);
  return b.U32(r.driftDirection);
}

ByteBuilder& WriteLoopMotionParams(ByteBuilder& b, const LoopMotionRecord& r) {
  b.I32(r.version);
  WriteConstJitterGraph(b, r.speed, r.jitter);
  b.U32(r.direction);
  if (r.version >= 2) b.I32(r.edgeMode);
  return b;
}

ByteBuilder& WriteSpiralMotionParams(ByteBuilder& b, const SpiralMotionRecord& r) {
  b.I32(r.version).U32(r.angular).U32(r.angularJitter).U32(r.radial).U32(r.radialJitter);
  b.F32(r.offset[0]).F32(r.offset[1]).F32(r.offset[2]).I32(r.sense);
  if (r.version >= 2) b.I32(r.inward);
  return b;
}

ByteBuilder& WritePhysicsBase(ByteBuilder& b, int32_t version, const ByteBuilder& figure) {
  b.Header(u"ZVI_PtclSys_Physics", version);
  if (version >= 2) b.WideString(u"");
  if (version >= 3) {
    b.U32(figure.size() ? 1 : 0);
    b.Append(figure);
  }
  return b;
}

ByteBuilder& WritePointsTail(ByteBuilder& b, int32_t baseVersion, const ByteBuilder& figure) {
  b.Header(u"ZVI_PtclSysPhys_Points", 1);
  return WritePhysicsBase(b, baseVersion, figure);
}

ByteBuilder& WriteSourceBase(ByteBuilder& b, const SourceRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_Source", r.version);
  if (r.version >= 4) {
    b.I32(1).U32(r.count);
    WriteChronoDefault(b, ChronoRecord());
    b.I32(2).I32(r.cycle).F32(r.duration).F32(r.pause).F32(r.delay);
  } else {
    WriteConstJitterGraph(b, r.count, 0);
    if (r.version == 3) {
      b.I32(0).I32(r.cycle).F32(r.duration).F32(r.pause).F32(r.delay);
    } else if (r.version == 2) {
      b.F32(r.duration).F32(r.pause).I32(r.cycle);
    } else {
      b.F32(r.duration);
    }
  }
  b.Header(u"ZVI_PtclSysPhys_LifeLimit", 1);
  WriteConstJitterGraph(b, r.lifetime, r.lifetimeJitter);
  return WritePointsTail(b, r.baseVersion, r.baseFigure);
}

ByteBuilder& WriteSourceFig(ByteBuilder& b, int32_t version, const ByteBuilder& figure, const ByteBuilder& law,
                            const SourceRecord& source) {
  b.Header(u"ZVI_PtclSysPhys_SourceFig", version);
  if (version < 2) b.Append(figure);
  b.Append(law);
  return WriteSourceBase(b, source);
}

ByteBuilder& WriteLattice(ByteBuilder& b, int32_t version, const ByteBuilder& figure, const LatticeRecord& r,
                          const SourceRecord& source) {
  b.Header(u"ZVI_PtclSysPhys_Lattice", version);
  if (version < 2) b.Append(figure);
  b.U32(r.rows).U32(r.columns).I32(r.rowFlip).I32(r.columnFlip).U32(r.rowDelay).U32(r.columnDelay);
  return WriteSourceBase(b, source);
}

ByteBuilder& WriteGroupBase(ByteBuilder& b, uint32_t count, const ByteBuilder& baseFigure) {
  return WriteConstPntGroup(b, count, baseFigure);
}

ByteBuilder& WriteConstPntGroup(ByteBuilder& b, uint32_t count, const ByteBuilder& baseFigure,
                                std::u16string_view name) {
  b.Header(name, 1).U32(count);
  return WritePointsTail(b, 3, baseFigure);
}

ByteBuilder& WriteTrackBody(ByteBuilder& b, int32_t version, const ByteBuilder& curve, const TrackRecord& r) {
  b.Append(curve);
  if (version <= 1) {
    WriteFollowCurveHead(b, r.speed, r.pingPong, r.easing, r.orientation);
  } else {
    b.I32(r.inner).U32(r.depth);
    if (r.inner > 1) b.I32(r.reverse);
    WriteFollowCurveHead(b, r.speed, r.pingPong, r.easing, r.orientation);
    b.I32(1).U32(r.startPause).U32(r.endPause).I32(r.hideStart).I32(r.hideEnd);
  }
  return WriteGroupBase(b, r.count);
}

ByteBuilder& WriteTrack(ByteBuilder& b, int32_t version, const ByteBuilder& curve, const TrackRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_Track", version);
  return WriteTrackBody(b, version, curve, r);
}

ByteBuilder& WriteTrackPerspective(ByteBuilder& b, int32_t trackVersion, const ByteBuilder& curve,
                                   const TrackRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_TrackPerspective", 1);
  return WriteTrack(b, trackVersion, curve, r);
}

namespace {
ByteBuilder& WriteNestOrGroup(ByteBuilder& b, int32_t version, const ByteBuilder& figure, uint32_t count) {
  if (version < 2) return WriteGroupBase(b, count);
  b.Header(u"ZVI_PtclSysPhys_PntNest", 2);
  return WriteGroupBase(b, count, figure);
}
}  // namespace

ByteBuilder& WriteSwarm(ByteBuilder& b, int32_t version, const ByteBuilder& figure,
                        const std::array<uint32_t, 4>& swarm, uint32_t count) {
  b.Header(u"ZVI_PtclSysPhys_Swarm", version);
  if (version < 2) b.Append(figure);
  WriteSwarmParams(b, swarm);
  return WriteNestOrGroup(b, version, figure, count);
}

ByteBuilder& WriteFlow(ByteBuilder& b, int32_t version, const ByteBuilder& figure, const std::array<uint32_t, 4>& flow,
                       uint32_t count) {
  b.Header(u"ZVI_PtclSysPhys_Flow", version);
  if (version < 2) b.Append(figure);
  WriteFlowParams(b, flow[0], flow[1], flow[2], flow[3]);
  return WriteNestOrGroup(b, version, figure, count);
}

ByteBuilder& WriteFixedSpots(ByteBuilder& b, int32_t version, const SpotsRecord& r, const ByteBuilder& baseFigure) {
  b.Header(u"ZVI_PtclSysPhys_FixedSpots", version).U32(r.rows).U32(r.columns);
  if (version >= 2) {
    b.I32(r.loop);
    WriteLoopMotionParams(b, r.loopBlock);
  }
  b.Header(u"ZVI_PtclSysPhys_LifeEndless", 1);
  WriteConstJitterGraph(b, r.lifetime, r.lifetimeJitter);
  return WritePointsTail(b, 3, baseFigure);
}

ByteBuilder& WriteRootPnt(ByteBuilder& b, int32_t version, const RootRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_RootPnt", version);
  b.F32(r.position[0]).F32(r.position[1]).F32(r.position[2]);
  b.I32(r.encoding).I32(r.direction).U32(r.speed).U32(r.angle);
  if (version == 2) {
    b.U32(r.scale).U32(r.transparency);
  } else if (version >= 3) {
    b.I32(1).U32(r.scale);
    WriteChronoDefault(b, ChronoRecord());
    b.I32(1).U32(r.transparency);
    WriteChronoDefault(b, ChronoRecord());
  }
  return WritePointsTail(b);
}

ByteBuilder& WriteMotionLawBase(ByteBuilder& b, int32_t version, int32_t detach) {
  b.Header(u"ZVI_PtclSys_MotionLaw", version);
  if (version >= 2) b.I32(detach);
  return b;
}

namespace {
ByteBuilder& WriteKinematicFields(ByteBuilder& b, uint32_t speed, uint32_t jitter, int32_t detach) {
  WriteConstJitterGraph(b, speed, jitter);
  return WriteMotionLawBase(b, 2, detach);
}
}  // namespace

ByteBuilder& WriteKinematicBase(ByteBuilder& b, uint32_t speed, uint32_t jitter, int32_t detach) {
  b.Header(u"ZVI_PtclSysMLaw_Kinematic", 1);
  return WriteKinematicFields(b, speed, jitter, detach);
}

ByteBuilder& WriteKinematicLaw(ByteBuilder& b, uint32_t speed, uint32_t jitter, int32_t detach) {
  return WriteKinematicBase(b, speed, jitter, detach);
}

ByteBuilder& WriteVectorLaw(ByteBuilder& b, int32_t version, uint32_t direction, uint32_t spread, uint32_t speed,
                            uint32_t jitter, int32_t detach, std::u16string_view name) {
  b.Header(name, version).U32(direction);
  if (version >= 2) b.U32(spread);
  return WriteKinematicBase(b, speed, jitter, detach);
}

ByteBuilder& WriteNormalLaw(ByteBuilder& b, uint32_t direction, uint32_t spread, uint32_t speed) {
  b.Header(u"ZVI_PtclSysMLaw_Normal", 1);
  return WriteVectorLaw(b, 2, direction, spread, speed);
}

ByteBuilder& WriteVelocityFieldLaw(ByteBuilder& b, int32_t version, const VelocityFieldRecord& r) {
  b.Header(u"ZVI_PtclSysMLaw_VelocityField", version);
  if (version >= 2) WriteVelocityFieldParams(b, r);
  return WriteKinematicBase(b);
}

ByteBuilder& WriteLoopLaw(ByteBuilder& b, int32_t version, const LoopMotionRecord& r, int32_t followMode) {
  b.Header(u"ZVI_PtclSysMLaw_Loop", version);
  WriteLoopMotionParams(b, r);
  if (version >= 2) b.I32(followMode);
  return WriteMotionLawBase(b);
}

ByteBuilder& WriteCentredBase(ByteBuilder& b, uint32_t speed, uint32_t jitter, const std::array<float, 3>& offset,
                              int32_t detach) {
  b.Header(u"ZVI_PtclSysMLaw_Centred", 1);
  WriteConstJitterGraph(b, speed, jitter);
  b.F32(offset[0]).F32(offset[1]).F32(offset[2]);
  return WriteMotionLawBase(b, 2, detach);
}

ByteBuilder& WriteRadialLaw(ByteBuilder& b, int32_t version, int32_t signMode, uint32_t speed,
                            const std::array<float, 3>& offset) {
  b.Header(u"ZVI_PtclSysMLaw_Radial", version);
  if (version >= 2) b.I32(signMode);
  if (version >= 3) return WriteCentredBase(b, speed, 0, offset);
  return WriteKinematicBase(b, speed);
}

ByteBuilder& WriteSpiralLaw(ByteBuilder& b, int32_t version, const SpiralMotionRecord& r, uint32_t speed) {
  b.Header(u"ZVI_PtclSysMLaw_Spiral", version);
  WriteSpiralMotionParams(b, r);
  if (version >= 2) return WriteCentredBase(b, speed, 0, {0, 0, 0});
  return WriteMotionLawBase(b);
}

ByteBuilder& WriteTunelLaw(ByteBuilder& b, uint32_t depth, int32_t rotationMode, int32_t inward, uint32_t focal,
                           uint32_t speed, const std::array<float, 3>& offset) {
  b.Header(u"ZVI_PtclSysMLCentred_Tunel", 1).U32(depth).I32(rotationMode).I32(inward).U32(focal);
  return WriteCentredBase(b, speed, 0, offset);
}

ByteBuilder& WriteStripesTail(ByteBuilder& b, int32_t baseVersion) {
  b.Header(u"ZVI_PtclSysPhys_PntStripes", 1);
  return WritePhysicsBase(b, baseVersion);
}

ByteBuilder& WriteTraceLine(ByteBuilder& b, const TraceLineRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_TraceLine", 1);
  WriteConstJitterGraph(b, r.lifetime, r.lifetimeJitter);
  WriteConstJitterGraph(b, r.size, r.sizeJitter);
  WriteConstJitterGraph(b, r.alpha, r.alphaJitter);
  return WriteStripesTail(b);
}

ByteBuilder& WriteCurvesBase(ByteBuilder& b, const CurvesRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_Curves", r.version);
  WriteSpinParams(b, r.spinDirection, r.spinRate, r.spinJitter, r.spinOrientation, r.spinStart, r.spinSpread);
  WriteConstJitterGraph(b, r.size, 0);
  WriteConstJitterGraph(b, r.width, r.widthJitter);
  WriteConstJitterGraph(b, r.alpha, 0);
  if (r.version > 1) {
    WriteConstJitterGraph(b, r.start, 0);
    WriteConstJitterGraph(b, r.end, 0);
  }
  return WriteStripesTail(b);
}

ByteBuilder& WriteLineCurv(ByteBuilder& b, uint32_t segments, const CurvesRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_LineCurv", 1).U32(segments);
  return WriteCurvesBase(b, r);
}

ByteBuilder& WriteFractalCurvBody(ByteBuilder& b, int32_t version, uint32_t levels, uint32_t amplitude,
                                  uint32_t speed, const CurvesRecord& r) {
  b.U32(levels).U32(amplitude);
  if (version >= 2) b.U32(speed);
  return WriteCurvesBase(b, r);
}

ByteBuilder& WriteFractalCurv(ByteBuilder& b, int32_t version, uint32_t levels, uint32_t amplitude, uint32_t speed,
                              const CurvesRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_FractalCurv", version);
  return WriteFractalCurvBody(b, version, levels, amplitude, speed, r);
}

ByteBuilder& WriteRandomCurvBody(ByteBuilder& b, uint32_t segments, uint32_t amplitude, uint32_t speed,
                                 const CurvesRecord& r) {
  b.U32(segments).U32(amplitude).U32(speed);
  return WriteCurvesBase(b, r);
}

ByteBuilder& WriteRandomCurv(ByteBuilder& b, uint32_t segments, uint32_t amplitude, uint32_t speed,
                             const CurvesRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_RandomCurv", 1);
  return WriteRandomCurvBody(b, segments, amplitude, speed, r);
}

ByteBuilder& WritePerlinCurvBody(ByteBuilder& b, const PerlinCurvRecord& p, const CurvesRecord& r) {
  b.U32(p.subdivisions);
  if (p.version == 2) b.U32(p.amplitude);
  if (p.version >= 3) {
    WriteConstJitterGraph(b, p.amplitude, p.amplitudeJitter);
    b.U32(p.octaves).U32(p.multiplier).U32(p.change);
    if (p.version >= 4) b.U32(p.scroll);
  }
  return WriteCurvesBase(b, r);
}

ByteBuilder& WritePerlinCurv(ByteBuilder& b, const PerlinCurvRecord& p, const CurvesRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_PerlinCurv", p.version);
  return WritePerlinCurvBody(b, p, r);
}

ByteBuilder& WriteTextPaintParams(ByteBuilder& b, int32_t mode, uint32_t colour, uint32_t transparency,
                                  uint32_t amount) {
  return b.I32(mode).U32(colour).U32(transparency).U32(amount);
}

ByteBuilder& WriteTextLine(ByteBuilder& b, const TextLineRecord& r) {
  b.Dword(static_cast<uint32_t>(r.version)).F32(r.x).F32(r.y).F32(r.z);
  b.I32(static_cast<int32_t>(r.glyphs.size()));
  for (const GlyphRecord& g : r.glyphs) {
    b.Dword(static_cast<uint32_t>(g.version)).U32(g.code).F32(g.x).F32(g.y).F32(g.w).F32(g.h);
    if (g.version >= 2) b.U8(g.visible);
  }
  b.F32(r.width);
  if (r.version >= 2) b.F32(r.height);
  if (r.version >= 3) b.F32(r.top);
  return b;
}

ByteBuilder& WriteGlyphAtlas(ByteBuilder& b, const std::vector<AtlasRecord>& entries) {
  b.I32(static_cast<int32_t>(entries.size()));
  for (const AtlasRecord& e : entries) b.U32(e.code).Dword(1).F32(e.umin).F32(e.umax).F32(e.vmin).F32(e.vmax);
  return b;
}

ByteBuilder& WriteExplodingPic(ByteBuilder& b, const ExplodingPicRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_ExplodingPic", 1);
  b.U32(r.wholeMin).U32(r.wholeMax).U32(r.burstMin).U32(r.burstMax).U32(r.fragments);
  b.U32(r.size).U32(r.sizeJitter).U32(r.lifetime).U32(r.lifetimeJitter).U32(r.speed).U32(r.speedJitter);
  WriteSpin(b, r.spinRate, r.spinJitter, r.spinMode);
  return WriteGroupBase(b, r.count);
}

ByteBuilder& WriteTxtTypeTail(ByteBuilder& b, uint32_t duration) {
  b.Header(u"ZVI_PtclSys_TxtTypeEffect", 1).U32(duration);
  return b.Header(u"ZVI_PtclSys_TextEffect", 1);
}

ByteBuilder& WriteTxtFade(ByteBuilder& b, uint32_t duration) {
  b.Header(u"ZVI_PtclSys_TxtTypeEffect_Fade", 1);
  return WriteTxtTypeTail(b, duration);
}

ByteBuilder& WriteTxtSlide(ByteBuilder& b, int32_t version, uint32_t direction, uint32_t distance, uint32_t duration,
                           uint32_t fadePortion) {
  b.Header(u"ZVI_PtclSys_TxtTypeEffect_Slide", version).U32(direction).U32(distance);
  if (version == 1) b.U32(fadePortion);
  return WriteTxtTypeTail(b, duration);
}

ByteBuilder& WriteTxtFly(ByteBuilder& b, const TxtFlyRecord& r) {
  b.Header(u"ZVI_PtclSys_TxtTypeEffect_Fly", 1).U32(r.direction).U32(r.spread).U32(r.distance).U32(r.spin);
  b.I32(r.spinMode);
  return WriteTxtTypeTail(b, r.duration);
}

ByteBuilder& WriteTxtZoom(ByteBuilder& b, const TxtZoomRecord& r) {
  b.Header(u"ZVI_PtclSys_TxtTypeEffect_Zoom", 1).U32(r.startScale).U32(r.anchorX).U32(r.anchorY);
  b.I32(r.horizontal).I32(r.vertical);
  return WriteTxtTypeTail(b, r.duration);
}

ByteBuilder& WriteTextPhysicsBody(ByteBuilder& b, const TextPhysicsRecord& r) {
  WriteTextParams(b, r.text);
  b.I32(r.reserved);
  if (r.version <= 2) b.Dword(0).Dword(0);
  b.I32(r.appearOrder).I32(r.disappearOrder);
  if (r.version <= 2) b.U32(r.appearDuration).U32(r.disappearDuration);
  b.I32(r.lineCount ? *r.lineCount : static_cast<int32_t>(r.lines.size()));
  for (const TextLineRecord& line : r.lines) WriteTextLine(b, line);
  WriteGlyphAtlas(b, r.atlas);
  if (r.version >= 3) {
    if (r.appear.size()) b.Append(r.appear);
    else WriteTxtFade(b, 0);
    if (r.disappear.size()) b.Append(r.disappear);
    else WriteTxtFade(b, 0);
  }
  if (r.timeline.size()) b.Append(r.timeline);
  else WriteRandomTimeLine(b, RandomTimeLineRecord());
  return WriteGroupBase(b, r.count, r.baseFigure);
}

ByteBuilder& WriteTextPhysics(ByteBuilder& b, const TextPhysicsRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_Text", r.version);
  return WriteTextPhysicsBody(b, r);
}

ByteBuilder& WriteCrawlingText(ByteBuilder& b, const CrawlRecord& c, const TextPhysicsRecord& r) {
  b.Header(u"ZVI_PtclSysPhys_CrawlingText", 1).Dword(2);
  WriteConstJitterGraph(b, c.speed, c.speedJitter);
  b.I32(c.direction).U32(c.gap);
  return WriteTextPhysics(b, r);
}

}  // namespace pw
