#include "effects/registration.h"

#include "core/reader_registry.h"
#include "effects/bump_effects.h"
#include "effects/centre_distortions.h"
#include "effects/fire_effect.h"
#include "effects/light_effects.h"
#include "effects/line_distortions.h"
#include "effects/pattern_effects.h"
#include "effects/procedural_effects.h"
#include "effects/slide_renderers_glass.h"
#include "effects/slide_renderers_glyphs.h"
#include "effects/slide_renderers_lake.h"
#include "effects/slide_renderers_flame.h"
#include "effects/slide_renderers_water.h"
#include "effects/water_effects.h"

// Every screen-effect class under the name its records carry, and the
// slide renderers.
void RegisterEffectReaders() {
  RegisterReader<DS_PatternBrush, DS_ABObj_Constructor>(u"DS_PatternBrush");
  RegisterReader<DS_PatternBrushC, DS_ABObj_Constructor>(u"DS_PatternBrushC");
  RegisterReader<DS_BackgroundCopy, DS_ABObj_Constructor>(u"DS_BackgroundCopy");
  RegisterReader<DS_EraseLayerFX, DS_ABObj_Constructor>(u"DS_EraseLayerFX");
  RegisterReader<DS_LightFX, DS_ABObj_Constructor>(u"DS_LightFX");
  RegisterReader<DS_LightFX_II, DS_ABObj_Constructor>(u"DS_LightFX_II");
  RegisterReader<DS_LightWaveFX, DS_ABObj_Constructor>(u"DS_LightWaveFX");
  RegisterReader<DS_ColorShiftFX, DS_ABObj_Constructor>(u"DS_ColorShiftFX");
  RegisterReader<DS_SaturationWaveFX, DS_ABObj_Constructor>(u"DS_SaturationWaveFX");
  RegisterReader<DS_SaturationFX, DS_ABObj_Constructor>(u"DS_SaturationFX");
  RegisterReader<DS_BlureFX, DS_ABObj_Constructor>(u"DS_BlureFX");
  RegisterReader<DS_ExpandFX, DS_ABObj_Constructor>(u"DS_ExpandFX");
  RegisterReader<DS_RadialWaveFX, DS_ABObj_Constructor>(u"DS_RadialWaveFX");
  RegisterReader<DS_RotationFX, DS_ABObj_Constructor>(u"DS_RotationFX");
  RegisterReader<DS_BendFX, DS_ABObj_Constructor>(u"DS_BendFX");
  RegisterReader<DS_KestraneRadial, DS_ABObj_Constructor>(u"DS_KestraneRadial");
  RegisterReader<DS_KestraneVortical, DS_ABObj_Constructor>(u"DS_KestraneVortical");
  RegisterReader<DS_PerspectiveFX, DS_ABObj_Constructor>(u"DS_PerspectiveFX");
  RegisterReader<DS_StretchFX, DS_ABObj_Constructor>(u"DS_StretchFX");
  RegisterReader<DS_TurnFX, DS_ABObj_Constructor>(u"DS_TurnFX");
  RegisterReader<DS_KestraneLinear, DS_ABObj_Constructor>(u"DS_KestraneLinear");
  RegisterReader<DS_CloudFX, DS_ABObj_Constructor>(u"DS_CloudFX");
  RegisterReader<DS_CausticFX, DS_ABObj_Constructor>(u"DS_CausticFX");
  RegisterReader<DS_DayToNight, DS_ABObj_Constructor>(u"DS_DayToNight");
  RegisterReader<DS_HeatDistortion, DS_ABObj_Constructor>(u"DS_HeatDistortion");
  RegisterReader<DS_BumpFX, DS_ABObj_Constructor>(u"DS_BumpFX");
  RegisterReader<DS_WavesFX, DS_ABObj_Constructor>(u"DS_WavesFX");
  RegisterReader<DS_WaterFX, DS_ABObj_Constructor>(u"DS_WaterFX");
  RegisterReader<DS_MoveFX, DS_ABObj_Constructor>(u"DS_MoveFX");
  RegisterReader<DS_WaterfallFX, DS_ABObj_Constructor>(u"DS_WaterfallFX");
  RegisterReader<DS_FireFX, DS_ABObj_Constructor>(u"DS_FireFX");
  RegisterGlassBallReader();
  RegisterGlyphRainReader();
  RegisterLakeReader();
  RegisterWaterRingReader();
  RegisterReader<DS_FlameLight, DS_2D_Light>(u"DS_FlameLight");
  RegisterReader<FakeUndervater, DS_2D_Light>(u"FakeUndervater");
}
