// The per-thread slots: each thread sees only what it published.
#include <gtest/gtest.h>

#include <thread>

#include "core/thread_slots.h"

namespace {

TEST(ThreadSlots, EachThreadHasItsOwnSlots) {
  auto* manager = reinterpret_cast<DS_DocResManager*>(0x1000);
  auto* context = reinterpret_cast<RenderContext*>(0x2000);
  auto* clock = reinterpret_cast<ChronoContext*>(0x3000);
  SetCurrentDocResManager(manager);
  SetCurrentRenderContext(context);
  SetCurrentChronoContext(clock);
  const void* seen[3] = {manager, context, clock};
  std::thread other([&] {
    seen[0] = CurrentDocResManager();
    seen[1] = CurrentRenderContext();
    seen[2] = CurrentChronoContext();
    SetCurrentDocResManager(reinterpret_cast<DS_DocResManager*>(0x4000));
  });
  other.join();
  EXPECT_EQ(seen[0], nullptr);
  EXPECT_EQ(seen[1], nullptr);
  EXPECT_EQ(seen[2], nullptr);
  EXPECT_EQ(CurrentDocResManager(), manager);
  EXPECT_EQ(CurrentRenderContext(), context);
  EXPECT_EQ(CurrentChronoContext(), clock);
  SetCurrentDocResManager(nullptr);
  SetCurrentRenderContext(nullptr);
  SetCurrentChronoContext(nullptr);
}

}  // namespace
