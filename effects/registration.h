#pragma once
// Registers the readers of every class the effects library reads (screen
// effects and the slide renderers).
void RegisterEffectReaders();
