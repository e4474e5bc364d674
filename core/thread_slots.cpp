#include "core/thread_slots.h"

namespace {
thread_local RenderContext* tRenderContext = nullptr;
thread_local ChronoContext* tChronoContext = nullptr;
thread_local DS_DocResManager* tDocResManager = nullptr;
}  // namespace

RenderContext* CurrentRenderContext() { return tRenderContext; }
void SetCurrentRenderContext(RenderContext* context) { tRenderContext = context; }

ChronoContext* CurrentChronoContext() { return tChronoContext; }
void SetCurrentChronoContext(ChronoContext* context) { tChronoContext = context; }

DS_DocResManager* CurrentDocResManager() { return tDocResManager; }
void SetCurrentDocResManager(DS_DocResManager* manager) { tDocResManager = manager; }
