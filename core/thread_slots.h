#pragma once
// The three per-thread slots through which readers and renderers find the
// current document without a parameter. None owns what it names.
class RenderContext;
class ChronoContext;
class DS_DocResManager;

RenderContext* CurrentRenderContext();
void SetCurrentRenderContext(RenderContext* context);

ChronoContext* CurrentChronoContext();
void SetCurrentChronoContext(ChronoContext* context);

DS_DocResManager* CurrentDocResManager();
void SetCurrentDocResManager(DS_DocResManager* manager);
