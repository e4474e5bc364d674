#pragma once
// Registers the readers of the 2D figures, emitter figures and gradients.
// (The value graphs register through RegisterValueGraphReaders.)
void RegisterGeometryReaders();
