// Compiles the Ogg Vorbis decoder once; other files include its header part only.
#include <stb/stb_vorbis.h>
