#pragma once
// Registers every library's readers and the platform's class factories.
void RegisterEverything();
