#include "scene/registration.h"

#include "core/reader_registry.h"
#include "scene/discharge.h"

void RegisterSceneReaders() {
  RegisterReader<DS_DischargeFXConstructor, DS_ABObj_Constructor>(u"DS_DischargeFXConstructor");
}
