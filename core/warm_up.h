#pragma once
// The one bound on the work a system does before its first frame. A warm-up
// runs for the time its system asks; only a file that asks for hours of
// simulation at a full population meets this budget.
#include <cmath>
#include <cstddef>
#include <cstdint>

// Particle-steps (steps x live particles) one warm-up may simulate: 1024
// steps of 0.1 s at the population cap of 16 384, so that 100 s at the cap
// still run whole. The dearest systems use it up in about a second of a
// release build (bench/warm_up.cpp) and well within the fuzz tests' 90 s per
// input under the sanitizers.
constexpr uint64_t kWarmUpParticleSteps = uint64_t{1024} * 16384;

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
