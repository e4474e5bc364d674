#pragma once
// The generator classes a project may hold, registered by their stored names.
void RegisterGeneratorReaders();
