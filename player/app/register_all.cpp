#include "player/app/register_all.h"

#include "audio/sound_objects.h"
#include "effects/registration.h"
#include "geometry/registration.h"
#include "geometry/value_graph.h"
#include "particles/generators/registration.h"
#include "particles/imitters/registration.h"
#include "particles/nodes/particle_system.h"
#include "particles/sources/registration.h"
#include "platform/audio/dshow.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"
#include "scene/registration.h"

// Registers the readers of every library (explicit, so the linker keeps them)
// and the platform's class factories. Safe to call more than once.
void RegisterEverything() {
  AudioLayer_Register();
  RegisterSlideReaders();
  RegisterRenderReaders();
  RegisterValueGraphReaders();
  RegisterGeometryReaders();
  RegisterAudioReaders();
  RegisterNodeParticleReaders();
  RegisterImitterReaders();
  RegisterEffectReaders();
  RegisterSceneReaders();
  RegisterGeneratorReaders();
  RegisterParticleSourceReaders();
}
