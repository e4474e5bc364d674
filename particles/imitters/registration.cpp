#include "particles/imitters/registration.h"

#include "core/reader_registry.h"
#include "particles/imitters/brownian.h"
#include "particles/imitters/burst_fountain.h"
#include "particles/imitters/field_rain.h"
#include "particles/imitters/path_trace.h"
#include "particles/imitters/ray_of_light.h"
#include "particles/imitters/splash_spray.h"
#include "particles/imitters/stream_vortex.h"
#include "particles/imitters/through_space.h"

void RegisterImitterReaders() {
  RegisterReader<ZVI_BurstPtclSys, DS_ABObj_Constructor>(u"ZVI_BurstPtclSys");
  RegisterReader<ZVI_FontainPtclSys, DS_ABObj_Constructor>(u"ZVI_FontainPtclSys");
  RegisterReader<DS_PtclFire, DS_ABObj_Constructor>(u"DS_PtclFire");
  RegisterReader<DS_WaterJet, DS_ABObj_Constructor>(u"DS_WaterJet");
  RegisterReader<DS_LightBeams, DS_ABObj_Constructor>(u"DS_LightBeams");
  RegisterReader<DS_PtclSmoke, DS_ABObj_Constructor>(u"DS_PtclSmoke");
  RegisterReader<DS_PtclFireStream, DS_ABObj_Constructor>(u"DS_PtclFireStream");
  RegisterReader<ZVI_SplashPtclSys, DS_ABObj_Constructor>(u"ZVI_SplashPtclSys");
  RegisterReader<ZVI_SprayPtclSys, DS_ABObj_Constructor>(u"ZVI_SprayPtclSys");
  RegisterReader<DS_PtclFog, DS_ABObj_Constructor>(u"DS_PtclFog");
  RegisterReader<DS_BokehLights, DS_ABObj_Constructor>(u"DS_BokehLights");
  RegisterReader<DS_PtclSmoke3, DS_ABObj_Constructor>(u"DS_PtclSmoke3");
  RegisterReader<DS_Shimmer, DS_ABObj_Constructor>(u"DS_Shimmer");
  RegisterReader<DS_StreamPtclSys, DS_ABObj_Constructor>(u"DS_StreamPtclSys");
  RegisterReader<DS_PtclSmoke2, DS_ABObj_Constructor>(u"DS_PtclSmoke2");
  RegisterReader<ZVI_VortexPtclSys, DS_ABObj_Constructor>(u"ZVI_VortexPtclSys");
  RegisterReader<DS_RayOfLight, DS_ABObj_Constructor>(u"DS_RayOfLight");
  RegisterReader<ZVI_ThroughSpaceCtrl, DS_ABObj_Constructor>(u"ZVI_ThroughSpaceCtrl");
  RegisterReader<ZVI_BrownAnimation, DS_ABObj_Constructor>(u"ZVI_BrownAnimation");
  RegisterReader<ZVI_Firefly, DS_ABObj_Constructor>(u"ZVI_Firefly");
  RegisterReader<ZVI_ParticlePath, DS_ABObj_Constructor>(u"ZVI_ParticlePath");
  RegisterReader<ZVI_ParticleTrace, DS_ABObj_Constructor>(u"ZVI_ParticleTrace");
  RegisterReader<ZVI_FieldPtclSys, DS_ABObj_Constructor>(u"ZVI_FieldPtclSys");
  RegisterReader<DS_RainOnGlass, DS_ABObj_Constructor>(u"DS_RainOnGlass");
}
