#pragma once
// The slide's render context as the slides see it: the drawing interface
// plus a serialised record, read through ReaderRegistry<DS_2D_Light>.
#include "player/slide_render_context.h"
