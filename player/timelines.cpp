#include "player/timelines.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "player/scene_object.h"

const char16_t* const kTimelineClassNames[4] = {
    u"ZVI_ContinuesTimeLine", u"ZVI_RandomTimeLine", u"ZVI_ManualTimeLine", u"ZVI_DependedTimeLine"};

namespace {

uint32_t ReadU32(DS_IOF_Archive& ar) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  return v;
}

// Readers store plain values without telling anyone.
void StoreQuiet(MediaParamT<unsigned int>& p, uint32_t v) { p = v; }
// Fade times and the period are stored with notification.
void StoreNotified(TimeParam& p, uint32_t v) { p.SetValue(v); }

// Copies value, scale and offset, notifying.
void CopyScaled(TimeParam& to, const TimeParam& from) {
  to.SetScaleOffset(from.scale, from.offset);
  to.SetValue(from.value);
}

}  // namespace

// ---------------------------------------------------------------------------

void ZVI_Timing::BaseStep(float t) {
  if (t < lastTime) lastTime = t;
  float step = t - lastTime;
  lastTime = t;
  step = speed.derived * std::fmin(step, kMaxTimeStep);
  lastStep = step;
  total += step;
}

float ZVI_Timing::Advance(float t) {
  BaseStep(t);
  return t;
}

void ZVI_Timing::Reset() {
  total = 0.0f;
  lastTime = 0.0f;
}

void ZVI_Timing::ReadBaseRecord(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
}

void ZVI_ContinuesTimeLine::ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadBaseRecord(ar); }

// ---------------------------------------------------------------------------

float DrawDuration(uint32_t min, uint32_t max) {
  uint32_t v = min;
  if (max > min) {
    // 64-bit span: a full 0..0xFFFFFFFF range cannot wrap to a modulus of 0.
    uint64_t span = static_cast<uint64_t>(max) - min + 1;
    v = static_cast<uint32_t>(min + static_cast<uint64_t>(crt_rand()) % span);
  }
  return static_cast<float>(v) * 0.01f;
}

ZVI_RandomTimeLine::ZVI_RandomTimeLine() {
  state = kTimelineHidden;
  visibility = 1.0f;
  fadeIn.SetScaleOffset(0.01f, 0.0f, 50u);
  fadeOut.SetScaleOffset(0.01f, 0.0f, 50u);
  shownDuration = DrawDuration(minShown.value, maxShown.value);
}

namespace {
// Enters a fading state; a fade of no length leaves the slope as it was.
void BeginFade(ZVI_RandomTimeLine& line, uint32_t state, const TimeParam& fade) {
  line.state = state;
  line.nextSwitch += fade.derived;
  if (fade.derived != 0.0f) line.inverseFade = 1.0f / fade.derived;
}
}  // namespace

float ZVI_RandomTimeLine::Advance(float t) {
  BaseStep(t);
  if (total > nextSwitch) {
    switch (state) {
      case kTimelineShown:
        visibility = 1.0f;
        BeginFade(*this, kTimelineDisappearing, fadeOut);
        break;
      case kTimelineHidden:
        visibility = 0.0f;
        BeginFade(*this, kTimelineAppearing, fadeIn);
        break;
      case kTimelineAppearing:
        state = kTimelineShown;
        visibility = 1.0f;
        inverseFade = 0.0f;
        nextSwitch += shownDuration;
        if (!(nextSwitch > total)) BeginFade(*this, kTimelineDisappearing, fadeOut);
        break;
      case kTimelineDisappearing:
        state = kTimelineHidden;
        visibility = 0.0f;
        inverseFade = 0.0f;
        nextSwitch += DrawDuration(minHidden.value, maxHidden.value);
        shownDuration = DrawDuration(minShown.value, maxShown.value);
        if (!(nextSwitch > total)) BeginFade(*this, kTimelineAppearing, fadeIn);
        break;
      default:
        break;
    }
  }
  if (state == kTimelineAppearing) {
    visibility = 1.0f - (nextSwitch - total) * inverseFade;
  } else if (state == kTimelineDisappearing) {
    visibility = (nextSwitch - total) * inverseFade;
  }
  return total;
}

void ZVI_RandomTimeLine::Reset() {
  lastTime = 0.0f;
  total = 0.0f;
  nextSwitch = 0.0f;
  inverseFade = 0.0f;
  state = kTimelineHidden;
  shownDuration = DrawDuration(minShown.value, maxShown.value);
}

float ZVI_RandomTimeLine::GetPhaseProgress() {
  if (state != kTimelineShown || shownDuration == 0.0f) return 0.0f;
  return 1.0f - (nextSwitch - total) / shownDuration;
}

float ZVI_RandomTimeLine::GetCycleLength() { return fadeOut.derived + fadeIn.derived + shownDuration; }

void ZVI_RandomTimeLine::TakeDefaults(const ZVI_SmartTiming& timing) {
  fadeIn.SetValue(static_cast<uint32_t>(timing.defaultFadeIn * 100.0f));
  fadeOut.SetValue(static_cast<uint32_t>(timing.defaultFadeOut * 100.0f));
  uint32_t shown = static_cast<uint32_t>(timing.defaultShown * 100.0f);
  minShown.SetValue(shown);
  maxShown.SetValue(shown);
}

void ZVI_RandomTimeLine::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  StoreQuiet(minHidden, ReadU32(ar));
  StoreQuiet(maxHidden, ReadU32(ar));
  StoreQuiet(minShown, ReadU32(ar));
  StoreQuiet(maxShown, ReadU32(ar));
  StoreNotified(fadeIn, ReadU32(ar));
  StoreNotified(fadeOut, ReadU32(ar));
  ReadBaseRecord(ar);
}

// ---------------------------------------------------------------------------

void ReadIntervals(DS_IOF_Archive& ar, TimeIntervalSet* intervals) {
  uint32_t count = ar.ReadCount(16);
  for (uint32_t i = 0; i < count; ++i) {
    TimeInterval iv;
    ar.ReadFloat(&iv.start);
    ar.ReadFloat(&iv.end);
    ar.ReadFloat(&iv.shownFrom);
    ar.ReadFloat(&iv.shownUntil);
    // Intervals that are not numbers or run backwards have no place in the
    // ordered set (they would break its ordering).
    bool finite = std::isfinite(iv.start) && std::isfinite(iv.end) && std::isfinite(iv.shownFrom) &&
                  std::isfinite(iv.shownUntil);
    if (finite && !(iv.end < iv.start)) intervals->insert(iv);
  }
}

ZVI_ManualTimeLine::ZVI_ManualTimeLine() {
  state = kTimelineHidden;
  visibility = 0.0f;
  period.SetScaleOffset(0.01f, 0.0f, 1000u);
}

const TimeInterval* ZVI_ManualTimeLine::FindInterval() const {
  for (const TimeInterval& iv : intervals) {
    if (!(iv.end < phase)) return &iv;
  }
  return nullptr;
}

float ZVI_ManualTimeLine::Advance(float t) {
  BaseStep(t);
  double p = std::fmod(static_cast<double>(phase) + lastStep, static_cast<double>(period.derived));
  // A period of 0 (or a broken one) has no schedule: the object stays hidden.
  if (!std::isfinite(p)) {
    phase = 0.0f;
    state = kTimelineHidden;
    visibility = 0.0f;
    cycleLength = 0.0f;
    return phase;
  }
  phase = static_cast<float>(p);

  const TimeInterval* iv = FindInterval();
  float soon = phase;
  soon += 1.0f;
  soon += 1.0f;
  soon += 1.0f;
  if (!iv || iv->start > soon) {
    state = kTimelineHidden;
    visibility = 0.0f;
    cycleLength = 0.0f;
    return phase;
  }
  cycleLength = iv->end - iv->start;
  if (phase < iv->start || phase > iv->end) {
    state = kTimelineHidden;
    visibility = 0.0f;
  } else if (phase < iv->shownFrom) {
    state = kTimelineAppearing;
    visibility = (phase - iv->start) / (iv->shownFrom - iv->start);
  } else if (phase < iv->shownUntil) {
    state = kTimelineShown;
    visibility = 1.0f;
  } else {
    state = kTimelineDisappearing;
    visibility = 1.0f - (phase - iv->shownUntil) / (iv->end - iv->shownUntil);
  }
  // Degenerate intervals (a fade of no length) must not yield NaN.
  if (!(visibility >= 0.0f)) visibility = 0.0f;
  if (visibility > 1.0f) visibility = 1.0f;
  return phase;
}

void ZVI_ManualTimeLine::Reset() {
  lastTime = 0.0f;
  total = 0.0f;
  cycleLength = 0.0f;
  phase = 0.0f;
  state = kTimelineHidden;
  visibility = 0.0f;
}

float ZVI_ManualTimeLine::GetPhaseProgress() {
  if (state != kTimelineShown) return 0.0f;
  const TimeInterval* iv = FindInterval();
  if (!iv || iv->shownUntil == iv->shownFrom) return 0.0f;
  return 1.0f - (iv->shownUntil - phase) / (iv->shownUntil - iv->shownFrom);
}

void ZVI_ManualTimeLine::SetPeriod(uint32_t value) { period.SetValue(value); }

void ZVI_ManualTimeLine::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  StoreNotified(period, ReadU32(ar));
  ReadIntervals(ar, &intervals);
  ReadBaseRecord(ar);
}

// ---------------------------------------------------------------------------

ZVI_DependedTimeLine::ZVI_DependedTimeLine() {
  state = kTimelineHidden;
  fadeIn.SetScaleOffset(0.01f, 0.0f, 50u);
  fadeOut.SetScaleOffset(0.01f, 0.0f, 50u);
  guidCtrl.Attach(&followedGuid);
}

ZVI_DependedTimeLine::~ZVI_DependedTimeLine() = default;

void ZVI_DependedTimeLine::ResolveLinks() {
  DS_ABObj* obj = FindRuntimeObject(followedGuid.value);
  followed = obj ? obj->GetTiming() : nullptr;
  followedAlive = obj ? obj->LifeToken() : std::weak_ptr<const void>();
  cycleRunning = false;
  previousFollowedState = kTimelineHidden;
}

ZVI_Timing* ZVI_DependedTimeLine::FollowedTimeline() {
  if (followed && followedAlive.expired()) followed = nullptr;
  return followed ? followed->Current() : nullptr;
}

float ZVI_DependedTimeLine::Advance(float t) {
  if (mode.value == 0) return t;
  lastTimeSeen = t;
  ZVI_Timing* f = FollowedTimeline();
  // Without the object it follows, the timeline never starts a cycle.
  if (!f) return t;
  uint32_t fstate = f->GetState();
  if (!cycleRunning) {
    if (fstate != kTimelineHidden && previousFollowedState == kTimelineHidden) {
      cycleRunning = true;
      appearStart = t + DrawDuration(minDelay.value, maxDelay.value);
      shownStart = appearStart + fadeIn.derived;
      fadeOutStart = shownStart + DrawDuration(minShown.value, maxShown.value);
      end = fadeOutStart + fadeOut.derived;
    }
  } else if (t > end) {
    cycleRunning = false;
  }
  previousFollowedState = fstate;
  return t;
}

float ZVI_DependedTimeLine::GetVisibility() {
  ZVI_Timing* f = FollowedTimeline();
  if (!f) return 0.0f;
  if (mode.value == 0) return f->GetVisibility();
  float x = lastTimeSeen;
  if (x > end) return 0.0f;
  if (x > fadeOutStart) return 1.0f - (x - fadeOutStart) / (end - fadeOutStart);
  if (x > shownStart) return 1.0f;
  if (x > appearStart) return (x - appearStart) / (shownStart - appearStart);
  return 0.0f;
}

uint32_t ZVI_DependedTimeLine::GetState() {
  ZVI_Timing* f = FollowedTimeline();
  if (!f) return kTimelineHidden;
  if (mode.value == 0) return f->GetState();
  float x = lastTimeSeen;
  if (x > end) return kTimelineHidden;
  if (x > fadeOutStart) return kTimelineDisappearing;
  if (x > shownStart) return kTimelineShown;
  if (x > appearStart) return kTimelineAppearing;
  return kTimelineHidden;
}

void ZVI_DependedTimeLine::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  GUID g = GUID_NULL;
  ar.ReadGuid(&g);
  followedGuid = g;
  if (version >= 2) {
    mode = static_cast<int>(ReadU32(ar));
    StoreQuiet(minDelay, ReadU32(ar));
    StoreQuiet(maxDelay, ReadU32(ar));
    StoreQuiet(minShown, ReadU32(ar));
    StoreQuiet(maxShown, ReadU32(ar));
    StoreNotified(fadeIn, ReadU32(ar));
    StoreNotified(fadeOut, ReadU32(ar));
  }
  ReadBaseRecord(ar);
}

// ---------------------------------------------------------------------------

DS_TimeLineControl::DS_TimeLineControl() {
  fadeIn.SetScaleOffset(0.01f, 0.0f, 50u);
  fadeOut.SetScaleOffset(0.01f, 0.0f, 50u);
  period.SetScaleOffset(0.01f, 0.0f, 1000u);
}

void DS_TimeLineControl::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  mode = static_cast<int>(ReadU32(ar));
  second = static_cast<int>(ReadU32(ar));
  StoreQuiet(minHidden, ReadU32(ar));
  StoreQuiet(maxHidden, ReadU32(ar));
  StoreQuiet(minShown, ReadU32(ar));
  StoreQuiet(maxShown, ReadU32(ar));
  StoreNotified(fadeIn, ReadU32(ar));
  StoreNotified(fadeOut, ReadU32(ar));
  ReadIntervals(ar, &intervals);
  if (version >= 2) StoreNotified(period, ReadU32(ar));
}

DS_SafePtr<ZVI_Timing> DS_TimeLineControl::MakeTimeline() const {
  switch (mode.value) {
    case 0:
      return DS_SafePtr<ZVI_Timing>(new ZVI_ContinuesTimeLine());
    case 1: {
      auto* r = new ZVI_RandomTimeLine();
      r->minHidden.SetValue(minHidden.value);
      r->maxHidden.SetValue(maxHidden.value);
      r->minShown.SetValue(minShown.value);
      r->maxShown.SetValue(maxShown.value);
      CopyScaled(r->fadeIn, fadeIn);
      CopyScaled(r->fadeOut, fadeOut);
      return DS_SafePtr<ZVI_Timing>(r);
    }
    case 2: {
      auto* m = new ZVI_ManualTimeLine();
      m->intervals = intervals;
      CopyScaled(m->period, period);
      return DS_SafePtr<ZVI_Timing>(m);
    }
    default:
      return DS_SafePtr<ZVI_Timing>();
  }
}

// ---------------------------------------------------------------------------

DS_SafePtr<ZVI_Timing> ReadTiming(DS_IOF_Archive& ar) {
  std::unique_ptr<ZVI_Timing> t = ReadObjectOf<ZVI_Timing>(ar);
  return DS_SafePtr<ZVI_Timing>(t.release());
}

DS_SafePtr<ZVI_Timing> CreateTimingByName(std::u16string_view name) {
  std::unique_ptr<ZVI_Timing> t = CreateDefaultByName<ZVI_Timing>(name);
  return DS_SafePtr<ZVI_Timing>(t.release());
}

void RegisterTimelineReaders() {
  RegisterReader<ZVI_ContinuesTimeLine, ZVI_Timing>(kTimelineClassNames[0]);
  RegisterReader<ZVI_RandomTimeLine, ZVI_Timing>(kTimelineClassNames[1]);
  RegisterReader<ZVI_ManualTimeLine, ZVI_Timing>(kTimelineClassNames[2]);
  RegisterReader<ZVI_DependedTimeLine, ZVI_Timing>(kTimelineClassNames[3]);
}
