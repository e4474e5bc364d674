#include "player/chrono_context.h"

#include "core/thread_slots.h"

ChronoContext& PlayerChronoContext() {
X
  static ChronoContext* clock = new ChronoContext();
  return *clock;
}

void PublishPlayerChronoContext() { SetCurrentChronoContext(&PlayerChronoContext()); }
