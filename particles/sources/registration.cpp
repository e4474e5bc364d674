#include "particles/sources/registration.h"

#include "particles/sources/emitter_geometry.h"
#include "particles/sources/exploding_picture.h"
#include "particles/sources/motion_laws.h"
#include "particles/sources/node_effects.h"
#include "particles/sources/placement_geometry.h"
#include "particles/sources/point_groups.h"
#include "particles/sources/source_physics.h"
#include "particles/sources/stripe_physics.h"
#include "particles/sources/text_physics.h"

void RegisterParticleSourceReaders() {
  RegisterSourcePhysicsReaders();
  RegisterPointGroupReaders();
  RegisterMotionLawReaders();
  RegisterParticleEffectReaders();
  RegisterEmitterGeometryReaders();
  RegisterPlacementGeometryReaders();
  RegisterStripePhysicsReaders();
  RegisterExplodingPictureReaders();
  RegisterTextPhysicsReaders();
}
