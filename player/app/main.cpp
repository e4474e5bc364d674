// Placeholder entry point until the player shell lands.
int main(int argc, char** argv) { return 0; }
