#pragma once
// The one bound on the work a system does before its first frame. A warm-up
// runs for the time its system asks; only a file that asks for hours of
// simulation at a full population meets this budget.
#include <cmath>
#include <cstddef>
#include <cstdint>

// Particle-steps (steps x live particles) one warm-up may simulate. The
// dearest systems at their population cap (16 384) use it up in about 2 s
// of a release build (bench/warm_up.cpp).
constexpr uint64_t kWarmUpParticleSteps = 30'000'000;

// A step costs at least this many particle-steps, so that an empty system
// asking for an endless warm-up also stops.
constexpr uint64_t kWarmUpStepCost = 64;

class WarmUpBudget {
 public:
  // Counts one step over `live` particles; false once the budget is spent.
  bool Spend(size_t live) {
    spent_ += live > kWarmUpStepCost ? static_cast<uint64_t>(live) : kWarmUpStepCost;
    return spent_ < kWarmUpParticleSteps;
  }
  uint64_t Spent() const { return spent_; }

 private:
  uint64_t spent_ = 0;
};

// How long a warm-up runs: a time that is not finite counts as none.
inline float WarmUpLength(float seconds) { return std::isfinite(seconds) ? seconds : 0.0f; }
