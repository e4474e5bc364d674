#include "tools/writer/slides_writer.h"

#include "tools/writer/values_writer.h"

namespace pw {

namespace {
ByteBuilder& TimingBase(ByteBuilder& b) { return b.Header(u"ZVI_Timing", 1); }
ByteBuilder& Intervals(ByteBuilder& b, const std::vector<IntervalRecord>& intervals) {
  b.U32(static_cast<uint32_t>(intervals.size()));
  for (const IntervalRecord& iv : intervals) b.F32(iv[0]).F32(iv[1]).F32(iv[2]).F32(iv[3]);
  return b;
}
}  // namespace

ByteBuilder& WriteContinuesTimeLine(ByteBuilder& b) {
  b.Header(u"ZVI_ContinuesTimeLine", 1);
  return TimingBase(b);
}

ByteBuilder& WriteRandomTimeLine(ByteBuilder& b, const RandomTimeLineRecord& r) {
  b.Header(u"ZVI_RandomTimeLine", 1);
  b.U32(r.minHidden).U32(r.maxHidden).U32(r.minShown).U32(r.maxShown).U32(r.fadeIn).U32(r.fadeOut);
  return TimingBase(b);
}

ByteBuilder& WriteManualTimeLine(ByteBuilder& b, uint32_t period, const std::vector<IntervalRecord>& intervals) {
  b.Header(u"ZVI_ManualTimeLine", 1);
  b.U32(period);
  Intervals(b, intervals);
  return TimingBase(b);
}

ByteBuilder& WriteDependedTimeLine(ByteBuilder& b, const DependedTimeLineRecord& r) {
  b.Header(u"ZVI_DependedTimeLine", r.version);
  b.Guid(r.followed);
  if (r.version >= 2) {
    b.U32(r.mode).U32(r.minDelay).U32(r.maxDelay).U32(r.minShown).U32(r.maxShown).U32(r.fadeIn).U32(r.fadeOut);
  }
  return TimingBase(b);
}

ByteBuilder& WriteTimeLineControl(ByteBuilder& b, const TimeLineControlRecord& r) {
  b.Header(u"DS_TimeLineControl", r.version);
  b.U32(r.mode).U32(r.second);
  b.U32(r.minHidden).U32(r.maxHidden).U32(r.minShown).U32(r.maxShown);
  b.U32(r.fadeIn).U32(r.fadeOut);
  Intervals(b, r.intervals);
  if (r.version >= 2) b.U32(r.period);
  return b;
}

ByteBuilder& WriteConstructorBase(ByteBuilder& b, const ConstructorRecord& r) {
  b.Header(u"DS_ABObj_Constructor", r.version);
  b.WideString(r.name);
  if (r.version >= 3) b.U32(r.depth);
  if (r.version == 2 || r.version == 3) return WriteTimeLineControl(b, r.oldTiming);
  if (r.version <= 1) return b;
  b.Header(u"ZVI_RenderObjData", r.dataVersion);
  b.Guid(r.guid);
  b.Header(u"ZVI_SmartTiming", 1);
  b.U32(r.kind).U32(r.timeMode).U32(r.flags);
  if (r.timeline.size() == 0) {
    WriteContinuesTimeLine(b);
  } else {
    b.Append(r.timeline);
  }
  if (r.dataVersion > 1) b.U32(r.resetFlag);
  return b;
}

ByteBuilder& WriteSlide(ByteBuilder& b, const SlideRecord& r) {
  b.Header(u"DS_SlideContainer", r.version);
  if (r.version >= 5) {
    b.U32(r.mode).F32(r.fadeIn).F32(r.fadeOut).F32(r.showTime);
  } else {
    b.U32(static_cast<uint32_t>(r.fadeIn)).U32(static_cast<uint32_t>(r.fadeOut)).U32(static_cast<uint32_t>(r.showTime));
  }
  b.U32(r.second);
  b.WideString(r.name);
  if (r.version >= 3 && r.version <= 5) b.U32(r.legacyPeriod);
  b.Append(r.renderContext);
  b.U32(static_cast<uint32_t>(r.drawn.size()));
  for (const ByteBuilder& m : r.drawn) b.Append(m);
  if (r.version >= 2) {
    b.U32(static_cast<uint32_t>(r.updated.size()));
    for (const ByteBuilder& m : r.updated) b.Append(m);
  }
  return b;
}

ByteBuilder& WriteChronoDefault(ByteBuilder& b, const ChronoRecord& r) {
  b.Header(u"ZVI_Chrono_Default", 1);
  b.U32(r.enabled).F32(r.onSpan).F32(r.offSpan);
  if (r.graph.size() == 0) {
    ByteBuilder constant;
    WriteVGraphConst(constant);
    WriteJitterGraphParam(b, constant, r.percent, r.jitter);
  } else {
    WriteJitterGraphParam(b, r.graph, r.percent, r.jitter);
  }
  return b.Header(u"ZVI_ChronoCtrl", 1);
}

}  // namespace pw
