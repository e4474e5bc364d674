#pragma once
// The C runtime's random numbers (its linear congruential rand()) and clock,
// as projects were authored against them. Never call the C library's rand():
// stored projects play the same only with this generator.
#include <cstdint>
#include <functional>

// Per-thread linear congruential generator, seed 1: 41, 18467, 6334, ...
int crt_rand();
void crt_srand(uint32_t seed);
constexpr int CRT_RAND_MAX = 0x7FFF;
// The generator's state, to come back to a point of the sequence later
// (crt_srand sets it).
uint32_t crt_rand_state();
// Moves the sequence n numbers on, as n calls would, in O(log n).
void crt_rand_discard(uint64_t n);

// The same generator with a state of its own, for objects whose stored seed
// must not reset everybody else's sequence.
class CrtRandom {
 public:
  explicit CrtRandom(uint32_t seed = 1u) : state_(seed) {}
  void Seed(uint32_t seed) { state_ = seed; }
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

 private:
  uint32_t state_;
};

// rand() / 32767 in single precision: both ends reachable.
inline float crt_rand01() { return static_cast<float>(crt_rand()) / 32767.0f; }

// Wall-clock milliseconds since the process started, as the runtime's clock().
int32_t crt_clock();
// Tests may replace the clock; an empty function restores the real one.
void crt_set_clock(std::function<int32_t()> clock);

// The local time of day, as the system clock gives it.
struct CrtTimeOfDay {
  int32_t hours = 0;
  int32_t minutes = 0;
  int32_t seconds = 0;
  // False when the system clock could not be converted to local time.
  bool ok = true;
};
CrtTimeOfDay crt_local_time();
// Tests may replace the time of day; an empty function restores the real one.
void crt_set_local_time(std::function<CrtTimeOfDay()> source);
