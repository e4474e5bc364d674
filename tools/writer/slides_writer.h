#pragma once
// Records of slides, scene-object bases, timelines and chrono controls.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/com/com.h"
#include "tools/writer/byte_builder.h"

namespace pw {

// Timeline records (class name, version, fields, "ZVI_Timing" base record).
ByteBuilder& WriteContinuesTimeLine(ByteBuilder& b);
struct RandomTimeLineRecord {
  uint32_t minHidden = 100, maxHidden = 100, minShown = 100, maxShown = 100;
  uint32_t fadeIn = 50, fadeOut = 50;
};
ByteBuilder& WriteRandomTimeLine(ByteBuilder& b, const RandomTimeLineRecord& r);
using IntervalRecord = std::array<float, 4>;  // start, end, shown-from, shown-until
ByteBuilder& WriteManualTimeLine(ByteBuilder& b, uint32_t period, const std::vector<IntervalRecord>& intervals);
struct DependedTimeLineRecord {
  int32_t version = 2;
  GUID followed = GUID_NULL;
  uint32_t mode = 0;
  uint32_t minDelay = 0, maxDelay = 0, minShown = 100, maxShown = 100;
  uint32_t fadeIn = 50, fadeOut = 50;
};
ByteBuilder& WriteDependedTimeLine(ByteBuilder& b, const DependedTimeLineRecord& r);

// The timing record of old projects ("DS_TimeLineControl", version 1 or 2).
struct TimeLineControlRecord {
  int32_t version = 2;
  uint32_t mode = 0;
  uint32_t second = 0;
  uint32_t minHidden = 100, maxHidden = 100, minShown = 100, maxShown = 100;
  uint32_t fadeIn = 50, fadeOut = 50;
  std::vector<IntervalRecord> intervals;
  uint32_t period = 1000;  // version 2 on
};
ByteBuilder& WriteTimeLineControl(ByteBuilder& b, const TimeLineControlRecord& r);

// The base part every scene-object record ends with ("DS_ABObj_Constructor").
struct ConstructorRecord {
  int32_t version = 4;
  zvi_string name;
  uint32_t depth = 100;                  // version 3 on
  TimeLineControlRecord oldTiming;       // versions 2 and 3
  int32_t dataVersion = 2;               // version 4: "ZVI_RenderObjData"
  GUID guid = GUID_NULL;
  uint32_t kind = 0, timeMode = 0, flags = 0;
  ByteBuilder timeline;                  // a whole timeline record; empty: continuous
  uint32_t resetFlag = 1;                // data version 2 on
};
ByteBuilder& WriteConstructorBase(ByteBuilder& b, const ConstructorRecord& r);

// A slide ("DS_SlideContainer", versions 1 to 6).
struct SlideRecord {
  int32_t version = 6;
  uint32_t mode = 0;
  float fadeIn = 1.0f, fadeOut = 1.0f, showTime = 10.0f;  // whole seconds before version 5
  uint32_t second = 0;
  zvi_string name;
  uint32_t legacyPeriod = 10;  // versions 3 to 5
  ByteBuilder renderContext;   // a whole render-context record
  std::vector<ByteBuilder> drawn;    // whole model records
  std::vector<ByteBuilder> updated;  // version 2 on
};
ByteBuilder& WriteSlide(ByteBuilder& b, const SlideRecord& r);

// A chrono control ("ZVI_Chrono_Default", version 1) with the given graph record.
struct ChronoRecord {
  uint32_t enabled = 0;
  float onSpan = 1.0f, offSpan = 1.0f;
  ByteBuilder graph;  // empty: a constant graph
  uint32_t percent = 100, jitter = 0;
};
ByteBuilder& WriteChronoDefault(ByteBuilder& b, const ChronoRecord& r);

}  // namespace pw
