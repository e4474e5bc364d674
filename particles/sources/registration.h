#pragma once
// Registers the readers of the particle sources: physics and motion laws.
void RegisterParticleSourceReaders();
