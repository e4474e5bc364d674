#include "scene/registration.h"

#include "core/reader_registry.h"
#include "scene/discharge.h"
#include "scene/explosion.h"
#include "scene/sprite_animations.h"
#include "scene/line_effects.h"
#include "scene/shooting_lines.h"
#include "scene/single_objects.h"
#include "scene/waving_line.h"
#include "scene/sprite_effects.h"
#include "scene/sprite_flow.h"
#include "scene/sprite_placed.h"
#include "scene/sprite_wanderers.h"
#include "scene/texts.h"

void RegisterSceneReaders() {
  RegisterReader<DS_GodRayConstructor, DS_ABObj_Constructor>(u"DS_GodRayConstructor");
  RegisterReader<DS_SparkleConstructor, DS_ABObj_Constructor>(u"DS_SparkleConstructor");
  RegisterReader<DS_FogConstructor, DS_ABObj_Constructor>(u"DS_FogConstructor");
  RegisterReader<DS_LightingConstructor, DS_ABObj_Constructor>(u"DS_LightingConstructor");
  RegisterReader<DS_FlowConstructor, DS_ABObj_Constructor>(u"DS_FlowConstructor");
  RegisterReader<DS_RainConstructor, DS_ABObj_Constructor>(u"DS_RainConstructor");
  RegisterReader<DS_FishConstructor, DS_ABObj_Constructor>(u"DS_FishConstructor");
  RegisterReader<DS_BirdConstructor, DS_ABObj_Constructor>(u"DS_BirdConstructor");
  RegisterReader<DS_GhostConstructor, DS_ABObj_Constructor>(u"DS_GhostConstructor");
  RegisterReader<DS_StatObjConstructor, DS_ABObj_Constructor>(u"DS_StatObjConstructor");
  RegisterReader<DS_FlowerConstructor, DS_ABObj_Constructor>(u"DS_FlowerConstructor");
  RegisterReader<DS_DischargeConstructor, DS_ABObj_Constructor>(u"DS_DischargeConstructor");
  RegisterReader<DS_GrassConstructor, DS_ABObj_Constructor>(u"DS_GrassConstructor");
  RegisterReader<DS_DischargeFXConstructor, DS_ABObj_Constructor>(u"DS_DischargeFXConstructor");
  RegisterReader<DS_ExplosionConstructor, DS_ABObj_Constructor>(u"DS_ExplosionConstructor");
  RegisterReader<DS_PathAnimtion, DS_ABObj_Constructor>(u"DS_PathAnimtion");
  RegisterReader<DS_StaticAnimation, DS_ABObj_Constructor>(u"DS_StaticAnimation");
  RegisterReader<DS_BrownAnimation, DS_ABObj_Constructor>(u"DS_BrownAnimation");
  RegisterReader<ZVI_StaticObject, DS_ABObj_Constructor>(u"ZVI_StaticObject");
  RegisterReader<ZVI_SigleObjectPath, DS_ABObj_Constructor>(u"ZVI_SigleObjectPath");
  RegisterReader<ZVI_GrovingLine, DS_ABObj_Constructor>(u"ZVI_GrovingLine");
  RegisterReader<ZVI_SlidingLine, DS_ABObj_Constructor>(u"ZVI_SlidingLine");
  RegisterReader<ZVI_ShootingLine, DS_ABObj_Constructor>(u"ZVI_ShootingLine");
  RegisterReader<ZVI_Tears, DS_ABObj_Constructor>(u"ZVI_Tears");
  RegisterReader<ZVI_WavingLine, DS_ABObj_Constructor>(u"ZVI_WavingLine");
  RegisterReader<DS_StaticText, DS_ABObj_Constructor>(u"DS_StaticText");
  RegisterReader<DS_ScrollingTex, DS_ABObj_Constructor>(u"DS_ScrollingTex");
  RegisterReader<DS_TextLink, DS_ABObj_Constructor>(u"DS_TextLink");
}
