#pragma once
// The scene-object readers of the classic particle systems.
void RegisterImitterReaders();
