#pragma once
// The player's slide-show clock: one for the main thread, living for the
// whole process; the application publishes it at start-up.
#include "core/time_params.h"

// The main thread's clock (built on first use, never destroyed).
ChronoContext& PlayerChronoContext();
// Publishes the player's clock in the calling thread's slot.
void PublishPlayerChronoContext();
