#pragma once
// Timelines: when a scene object is visible. Each model's ZVI_SmartTiming
// holds one; the runtime object advances it with the slide-local time.
#include <cstdint>
#include <memory>
#include <set>

#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/io_item.h"
#include "platform/com/com.h"

class DS_IOF_Archive;
class ZVI_SmartTiming;

enum TimelineState : uint32_t {
  kTimelineShown = 0,
  kTimelineHidden = 1,
  kTimelineAppearing = 2,
  kTimelineDisappearing = 3,
};

// Frames longer than this advance a timeline by this much only.
constexpr float kMaxTimeStep = 0.2f;

class ZVI_Timing : public DS_IOF_Item {
 public:
  ZVI_Timing() = default;
  ~ZVI_Timing() override = default;

  void Write(DS_IOF_Archive& ar) const override {}
  virtual void ResolveLinks() {}
  // Advances to slide-local time t; returns the timeline's own time value.
  virtual float Advance(float t);
  virtual void Reset();
  virtual float GetVisibility() { return visibility; }
  virtual float GetPhaseProgress() { return 0.0f; }
  virtual float GetCycleLength() { return 0.0f; }
  virtual uint32_t GetState() { return state; }
  virtual void Hook3(int32_t, int32_t, int32_t) {}
  virtual void SetPeriod(uint32_t value) {}
  virtual void TakeDefaults(const ZVI_SmartTiming& timing) {}

  // Reads the base record's class name and version (neither compared).
  static void ReadBaseRecord(DS_IOF_Archive& ar);

  uint32_t state = kTimelineShown;
  float visibility = 1.0f;
  MediaSpeedParam speed;
  float lastStep = 0.0f;
  float total = 0.0f;
  float lastTime = 0.0f;

 protected:
  // The step rule shared by every timeline: a time that went back advances
  // nothing, no frame advances more than 0.2 s, all scaled by the speed.
  void BaseStep(float t);
};

// Always shown.
class ZVI_ContinuesTimeLine : public ZVI_Timing {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// A value between min and max hundredths of a second drawn with the runtime's
// rand() (min when max <= min), in seconds.
float DrawDuration(uint32_t min, uint32_t max);

// Appears and disappears at random intervals.
class ZVI_RandomTimeLine : public ZVI_Timing {
 public:
  ZVI_RandomTimeLine();

  float Advance(float t) override;
  void Reset() override;
  float GetPhaseProgress() override;
  float GetCycleLength() override;
  void TakeDefaults(const ZVI_SmartTiming& timing) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> minHidden{100u};
  MediaParamT<unsigned int> maxHidden{100u};
  MediaParamT<unsigned int> minShown{100u};
  MediaParamT<unsigned int> maxShown{100u};
  TimeParam fadeIn;
  TimeParam fadeOut;
  float nextSwitch = 0.0f;
  float inverseFade = 0.0f;
  float shownDuration = 0.0f;
};

// One interval of a manual schedule, seconds within the period.
struct TimeInterval {
  float start = 0.0f;
  float end = 0.0f;
  float shownFrom = 0.0f;
  float shownUntil = 0.0f;
};

// Precedence: a comes first when it ends before b starts, so overlapping
// intervals compare equal and the second of them is not inserted.
struct TimeIntervalBefore {
  bool operator()(const TimeInterval& a, const TimeInterval& b) const { return a.end < b.start; }
};
using TimeIntervalSet = std::set<TimeInterval, TimeIntervalBefore>;

// Reads a u32 count and that many intervals (four floats each).
void ReadIntervals(DS_IOF_Archive& ar, TimeIntervalSet* intervals);

// A fixed schedule of intervals within a repeating period.
class ZVI_ManualTimeLine : public ZVI_Timing {
 public:
  ZVI_ManualTimeLine();

  float Advance(float t) override;
  void Reset() override;
  float GetPhaseProgress() override;
  float GetCycleLength() override { return cycleLength; }
  void SetPeriod(uint32_t value) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  TimeParam period;
  TimeIntervalSet intervals;
  float cycleLength = 0.0f;
  float phase = 0.0f;

 private:
  const TimeInterval* FindInterval() const;
};

// Follows the timeline of another object of the slide, found by GUID.
class ZVI_DependedTimeLine : public ZVI_Timing {
 public:
  ZVI_DependedTimeLine();
  ~ZVI_DependedTimeLine() override;

  void ResolveLinks() override;
  float Advance(float t) override;
  float GetVisibility() override;
  uint32_t GetState() override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<GUID> followedGuid{GUID_NULL};
  MediaParamT<int> mode{0};
  MediaParamT<unsigned int> minDelay{0u};
  MediaParamT<unsigned int> maxDelay{0u};
  MediaParamT<unsigned int> minShown{100u};
  MediaParamT<unsigned int> maxShown{100u};
  TimeParam fadeIn;
  TimeParam fadeOut;
  float appearStart = 0.0f;
  float shownStart = 0.0f;
  float fadeOutStart = 0.0f;
  float end = 0.0f;
  float lastTimeSeen = 0.0f;
  ZVI_SmartTiming* followed = nullptr;
  // The resolved object's life: once it is destroyed the timeline follows nothing.
  std::weak_ptr<const void> followedAlive;
  uint32_t previousFollowedState = kTimelineHidden;
  bool cycleRunning = false;

 private:
  // The current timeline of the object resolved when the slide was built
  // (not of a later object registered under the same GUID); null once that
  // object is gone.
  ZVI_Timing* FollowedTimeline();
  SmartCalbackCtrl<ZVI_DependedTimeLine> guidCtrl{&ZVI_DependedTimeLine::ResolveLinks, this};
};

// The timing record of old projects, converted into a timeline when read.
class DS_TimeLineControl : public DS_IOF_Item {
 public:
  DS_TimeLineControl();
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The timeline this record stands for; null for an unknown mode.
  DS_SafePtr<ZVI_Timing> MakeTimeline() const;

  MediaParamT<int> mode{0};
  MediaParamT<int> second{0};
  MediaParamT<unsigned int> minHidden{100u};
  MediaParamT<unsigned int> maxHidden{100u};
  MediaParamT<unsigned int> minShown{100u};
  MediaParamT<unsigned int> maxShown{100u};
  TimeParam fadeIn;
  TimeParam fadeOut;
  TimeIntervalSet intervals;
  TimeParam period;
};

// Reads a timeline record by class name through the timeline registry.
DS_SafePtr<ZVI_Timing> ReadTiming(DS_IOF_Archive& ar);
// A default timeline of the named class, or null.
DS_SafePtr<ZVI_Timing> CreateTimingByName(std::u16string_view name);

// Class names of the four kinds, by kind 0..3.
extern const char16_t* const kTimelineClassNames[4];

void RegisterTimelineReaders();
