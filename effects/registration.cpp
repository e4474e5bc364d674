#include "effects/registration.h"

#include "effects/slide_renderers_glass.h"
#include "effects/slide_renderers_glyphs.h"
#include "effects/slide_renderers_lake.h"
#include "effects/slide_renderers_water.h"

void RegisterEffectReaders() {
  RegisterGlassBallReader();
  RegisterGlyphRainReader();
  RegisterLakeReader();
  RegisterWaterRingReader();
}
