#pragma once
// Registers the readers of the scene objects.
void RegisterSceneReaders();
