// Registers the readers of every library (explicit, so the linker keeps them).
void RegisterEverything() {}
