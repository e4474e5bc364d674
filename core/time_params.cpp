#include "core/time_params.h"

#include <cmath>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"

namespace {

// A span that is negative or not a number counts as no span at all.
float SaneSpan(float s) { return (std::isfinite(s) && s > 0.0f) ? s : 0.0f; }

// Skipping more whole cycles than this happens in one step.
constexpr double kMaxCyclesWalked = 64.0;

}  // namespace

ZVI_Chrono_Default::ZVI_Chrono_Default() { graph.value.SetScaleOffset(0.01f, 0.0f, 100u); }

void ZVI_Chrono_Default::Reset() {
  offPhase = true;
  nextSwitch = 0.0f;
}

float ZVI_Chrono_Default::Evaluate(float t) {
  float on = SaneSpan(onSpan.value);
  float off = SaneSpan(offSpan.value);
  if (enabled.value == 0 || (on == 0.0f && off == 0.0f) || !std::isfinite(t)) {
    nextSwitch = t;
    offPhase = true;
    return 1.0f;
  }
  if (!std::isfinite(nextSwitch)) nextSwitch = t;
  // Far behind (a clock jump): skip whole cycles at once.
  double cycle = static_cast<double>(on) + off;
  double behind = static_cast<double>(t) - nextSwitch;
  if (behind > kMaxCyclesWalked * cycle) {
    nextSwitch = static_cast<float>(nextSwitch + std::floor(behind / cycle) * cycle);
  }
  int unmoved = 0;
  while (t >= nextSwitch) {
    float before = nextSwitch;
    if (offPhase) {
      nextSwitch += on;
      offPhase = false;
    } else {
      nextSwitch += off;
      offPhase = true;
    }
    // Spans too small to move the switch time at this magnitude.
    if (nextSwitch != before) {
      unmoved = 0;
    } else if (++unmoved >= 2) {
      break;
    }
  }
  if (offPhase) return 0.0f;
  float progress = on > 0.0f ? 1.0f - (nextSwitch - t) / on : 0.0f;
  int32_t cursor = 1;
  ZVI_VGraph* g = graph.graph.Graph();
  float curve = g ? g->ValueAt(progress, cursor) : 1.0f;
  return curve * (graph.jitter.derived * graph.value.derived);
}

void ZVI_Chrono_Default::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  uint32_t e = 0;
  ar.ReadUInt(&e);
  enabled = static_cast<int>(e);
  float on = 1.0f, off = 1.0f;
  ar.ReadFloat(&on);
  ar.ReadFloat(&off);
  onSpan.value = on;
  offSpan.value = off;
  ReadJitterGraphParam(ar, graph);
  zvi_string baseName;
  int32_t baseVersion = 0;
  ar.ReadWideString(&baseName);
  ar.ReadInt(&baseVersion);
}

// ---------------------------------------------------------------------------

void ChronoContext::Tick(float t) {
  speed.Advance(t);
  float now = speed.elapsed;
  for (size_t i = 0; i < controls.size();) {
    ZVI_ChronoCtrl* c = controls[i].get();
    if (c && c->target) {
      c->target->Apply(c->Evaluate(now));
      ++i;
    } else {
      controls.erase(controls.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

// ---------------------------------------------------------------------------

ZVI_SmartChronoCtrl::ZVI_SmartChronoCtrl() { SetChrono(DS_SafePtr<ZVI_ChronoCtrl>(new ZVI_Chrono_Default())); }

void ZVI_SmartChronoCtrl::SetChrono(const DS_SafePtr<ZVI_ChronoCtrl>& holder) {
  SetValue(holder);
  if (ChronoContext* clock = CurrentChronoContext()) clock->Add(holder);
}

// ---------------------------------------------------------------------------

DS_SafePtr<ZVI_ChronoCtrl> ReadChronoCtrl(DS_IOF_Archive& ar) {
  std::unique_ptr<ZVI_ChronoCtrl> c = ReadObjectOf<ZVI_ChronoCtrl>(ar);
  return DS_SafePtr<ZVI_ChronoCtrl>(c.release());
}

void ReadChronoWrap(DS_IOF_Archive& ar, ChronoWrap<UINTSclaleTo<float>>& wrap) {
  uint32_t version = 0;
  ar.ReadDword(&version);
  ReadScaledValue(ar, wrap);
  DS_SafePtr<ZVI_ChronoCtrl> control = ReadChronoCtrl(ar);
  wrap.InstallChrono(control);
}

void RegisterChronoReaders() { RegisterReader<ZVI_Chrono_Default, ZVI_ChronoCtrl>(u"ZVI_Chrono_Default"); }
