#include "particles/generators/registration.h"

#include "core/reader_registry.h"
#include "particles/generators/air_brushes.h"
#include "particles/generators/lightning.h"
#include "particles/generators/origin_generators.h"
#include "particles/generators/radial_rays.h"
#include "particles/generators/region_generators.h"
#include "particles/generators/smoke.h"
#include "particles/generators/static_generators.h"

void RegisterGeneratorReaders() {
  RegisterReader<DS_Bling, DS_ABObj_Constructor>(u"DS_Bling");
  RegisterReader<DS_CustomAirBrush, DS_ABObj_Constructor>(u"DS_CustomAirBrush");
  RegisterReader<DS_TwinklingStars, DS_ABObj_Constructor>(u"DS_TwinklingStars");
  RegisterReader<DS_Aurora, DS_ABObj_Constructor>(u"DS_Aurora");
  RegisterReader<DS_AnimatedFont, DS_ABObj_Constructor>(u"DS_AnimatedFont");
  RegisterReader<DS_Plant, DS_ABObj_Constructor>(u"DS_Plant");
  RegisterReader<DS_FallingStars, DS_ABObj_Constructor>(u"DS_FallingStars");
  RegisterReader<DS_FireworkSimple, DS_ABObj_Constructor>(u"DS_FireworkSimple");
  RegisterReader<DS_Smoke, DS_ABObj_Constructor>(u"DS_Smoke");
  RegisterReader<DS_RadialRays, DS_ABObj_Constructor>(u"DS_RadialRays");
  RegisterReader<DS_LightningGN, DS_ABObj_Constructor>(u"DS_LightningGN");
}
