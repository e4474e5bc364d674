#include "particles/generators/registration.h"

#include "core/reader_registry.h"
#include "particles/generators/air_brushes.h"

void RegisterGeneratorReaders() {
  RegisterReader<DS_Bling, DS_ABObj_Constructor>(u"DS_Bling");
  RegisterReader<DS_CustomAirBrush, DS_ABObj_Constructor>(u"DS_CustomAirBrush");
  RegisterReader<DS_TwinklingStars, DS_ABObj_Constructor>(u"DS_TwinklingStars");
  RegisterReader<DS_Aurora, DS_ABObj_Constructor>(u"DS_Aurora");
}
