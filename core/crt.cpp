#include "core/crt.h"

#include <chrono>
#include <ctime>

namespace {
thread_local uint32_t g_rand_state = 1;
const auto g_start = std::chrono::steady_clock::now();
std::function<int32_t()>& ClockOverride() {
  static std::function<int32_t()> f;
  return f;
}
std::function<CrtTimeOfDay()>& LocalTimeOverride() {
  static std::function<CrtTimeOfDay()> f;
  return f;
}
}  // namespace

int crt_rand() {
  g_rand_state = g_rand_state * 214013u + 2531011u;
  return static_cast<int>((g_rand_state >> 16) & 0x7FFFu);
}

void crt_srand(uint32_t seed) { g_rand_state = seed; }

uint32_t crt_rand_state() { return g_rand_state; }

void crt_rand_discard(uint64_t n) {
  // Powers of the step x -> a x + c, composed by squaring.
  uint32_t a = 214013u, c = 2531011u;
  uint32_t state = g_rand_state;
  while (n != 0) {
    if (n & 1) state = state * a + c;
    c = c * a + c;
    a = a * a;
    n >>= 1;
  }
  g_rand_state = state;
}

int32_t crt_clock() {
  if (ClockOverride()) return ClockOverride()();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - g_start);
  return static_cast<int32_t>(ms.count());
}

void crt_set_clock(std::function<int32_t()> clock) { ClockOverride() = std::move(clock); }

CrtTimeOfDay crt_local_time() {
  if (LocalTimeOverride()) return LocalTimeOverride()();
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  CrtTimeOfDay out;
  if (localtime_r(&now, &parts)) {
    out.hours = parts.tm_hour;
    out.minutes = parts.tm_min;
    out.seconds = parts.tm_sec;
  } else {
    out.ok = false;
  }
  return out;
}

void crt_set_local_time(std::function<CrtTimeOfDay()> source) { LocalTimeOverride() = std::move(source); }
