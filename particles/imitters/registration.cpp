#include "particles/imitters/registration.h"

#include "core/reader_registry.h"
#include "particles/imitters/burst_fountain.h"

void RegisterImitterReaders() {
  RegisterReader<ZVI_BurstPtclSys, DS_ABObj_Constructor>(u"ZVI_BurstPtclSys");
  RegisterReader<ZVI_FontainPtclSys, DS_ABObj_Constructor>(u"ZVI_FontainPtclSys");
  RegisterReader<DS_PtclFire, DS_ABObj_Constructor>(u"DS_PtclFire");
  RegisterReader<DS_WaterJet, DS_ABObj_Constructor>(u"DS_WaterJet");
  RegisterReader<DS_LightBeams, DS_ABObj_Constructor>(u"DS_LightBeams");
  RegisterReader<DS_PtclSmoke, DS_ABObj_Constructor>(u"DS_PtclSmoke");
  RegisterReader<DS_PtclFireStream, DS_ABObj_Constructor>(u"DS_PtclFireStream");
}
