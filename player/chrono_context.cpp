#include "player/chrono_context.h"

#include "core/thread_slots.h"

ChronoContext& PlayerChronoContext() {
  // Never destroyed: documents kept until exit still share its controls.
  static ChronoContext* playerClock = new ChronoContext();
  return *playerClock;
}

void PublishPlayerChronoContext() { SetCurrentChronoContext(&PlayerChronoContext()); }
