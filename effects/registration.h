#pragma once
// Registers the readers of every class the effects library reads.
void RegisterEffectReaders();
