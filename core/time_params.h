#pragma once
// Values driven over time. A chrono control, registered with the thread's
// slide-show clock (ChronoContext), is evaluated at every clock tick and
// hands its factor to the parameter it drives (a ChronoWrap).
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "core/graph_params.h"
#include "core/io_item.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/zvi_string.h"

class DS_IOF_Archive;

// What a chrono control drives: the factor at every tick.
class ZVI_ChronePrm {
 public:
  virtual void Apply(float factor) = 0;

 protected:
  ~ZVI_ChronePrm() = default;
};

class ZVI_ChronoCtrl : public DS_IOF_Item {
 public:
  ~ZVI_ChronoCtrl() override = default;
  virtual std::string GetTypeName() const = 0;
  virtual void Hook(int32_t) {}
  virtual void Reset() {}
  // The factor at clock time t.
  virtual float Evaluate(float t) = 0;

  zvi_string name;
  // The driven parameter; null once it is gone (the clock then drops this).
  ZVI_ChronePrm* target = nullptr;
};

// Switches between an on phase, in which the value follows a graph, and an
// off phase, in which it is 0.
class ZVI_Chrono_Default : public ZVI_ChronoCtrl {
 public:
  ZVI_Chrono_Default();
  std::string GetTypeName() const override { return "ZVI_Chrono_Default"; }
  void Reset() override;
  float Evaluate(float t) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<int> enabled{0};
  ZVI_MediaFloat onSpan{1.0f};
  ZVI_MediaFloat offSpan{1.0f};
  // Percentage (0.01 scale, 100) and jitter, shaped by the graph.
  JitterGraphParam graph;
  float nextSwitch = 0.0f;
  bool offPhase = true;
};

// The per-thread slide-show clock.
class ChronoContext {
 public:
  ChronoContext() = default;
  ChronoContext(const ChronoContext&) = delete;
  ChronoContext& operator=(const ChronoContext&) = delete;

  // Advances the clock to absolute time t and drives every control that
  // still has a target; the others are dropped.
  void Tick(float t);
  void Add(const DS_SafePtr<ZVI_ChronoCtrl>& control) { controls.push_back(control); }
  // The clock time: the sum of the clamped, scaled steps.
  float Elapsed() const { return speed.elapsed; }

  std::vector<DS_SafePtr<ZVI_ChronoCtrl>> controls;
  MediaSpeedParam speed;
};

// Ticks the context (null: nothing).
inline void ChronoTick(ChronoContext* context, float t) {
  if (context) context->Tick(t);
}

// A parameter holding the counted chrono control of a driven value.
class ZVI_SmartChronoCtrl : public MediaParamT<DS_SafePtr<ZVI_ChronoCtrl>> {
 public:
  // Holds and registers a new default control.
  ZVI_SmartChronoCtrl();
  ZVI_SmartChronoCtrl(const ZVI_SmartChronoCtrl& other) = default;

  // Sets the control (notifying) and registers it with the current thread's
  // clock, when there is one.
  void SetChrono(const DS_SafePtr<ZVI_ChronoCtrl>& holder);
  ZVI_ChronoCtrl* Control() const { return value.get(); }
};

// A transparency percentage whose derived value is the opacity.
class ZVI_SmartAlpha : public UINTSclaleTo<float> {
 public:
  ZVI_SmartAlpha() { SetScaleOffset(-0.01f, 1.0f); }
  ZVI_SmartAlpha(const ZVI_SmartAlpha&) = default;
  ZVI_SmartAlpha& operator=(const ZVI_SmartAlpha&) = default;
};

// The parameter P driven by a chrono control: at every tick the driven value
// becomes P's value times the control's factor.
template <class P>
class ChronoWrap : public P, public ZVI_ChronePrm {
 public:
  ChronoWrap() { Target(); }
  // A copy takes over the shared control: the model a runtime object copies
  // is discarded, and the copy is what plays.
  ChronoWrap(const ChronoWrap& other) : P(other), chrono(other.chrono), driven(other.driven), flag(other.flag) {
    Target();
  }
  ChronoWrap& operator=(const ChronoWrap& other) {
    if (this != &other) {
      Untarget();
      P::operator=(other);
      chrono = other.chrono;
      driven = other.driven;
      flag = other.flag;
      Target();
    }
    return *this;
  }
  ~ChronoWrap() { Untarget(); }

  void Apply(float factor) override {
    if constexpr (std::is_base_of_v<UINTSclaleTo<float>, P>) {
      driven = this->derived * factor;
    } else {
      driven = static_cast<float>(this->value) * factor;
    }
  }
  // Clears the old control's target, installs and registers the new one.
  void InstallChrono(const DS_SafePtr<ZVI_ChronoCtrl>& control) {
    Untarget();
    chrono.SetChrono(control);
    Target();
  }

  ZVI_SmartChronoCtrl chrono;
  float driven = 0.0f;
  uint32_t flag = 1;

 private:
  void Target() {
    if (ZVI_ChronoCtrl* c = chrono.Control()) c->target = this;
  }
  // The control no longer drives this wrapper (the clock drops it unless
  // another wrapper took it over).
  void Untarget() {
    ZVI_ChronoCtrl* c = chrono.Control();
    if (c && c->target == this) c->target = nullptr;
  }
};

// Version (not used), the value (notified when it changed), then the chrono
// control by class name, which replaces the wrapper's control.
void ReadChronoWrap(DS_IOF_Archive& ar, ChronoWrap<UINTSclaleTo<float>>& wrap);
// A chrono control record by class name through the chrono registry.
DS_SafePtr<ZVI_ChronoCtrl> ReadChronoCtrl(DS_IOF_Archive& ar);

void RegisterChronoReaders();
