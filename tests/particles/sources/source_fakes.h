#pragma once
// Shared set-up of the source tests: registrations, parents, a published
// clock.
#include <vector>

#include "core/thread_slots.h"
#include "core/time_params.h"
#include "geometry/registration.h"
#include "geometry/value_graph.h"
#include "particles/nodes/particle.h"
#include "particles/sources/registration.h"
#include "tests/particles/nodes/node_fakes.h"

namespace source_fakes {

inline void RegisterAll() {
  RegisterChronoReaders();
  RegisterValueGraphReaders();
  RegisterGeometryReaders();
  RegisterParticleSourceReaders();
}

inline ParticleVector Parents(int n) {
  ParticleVector v;
  for (int i = 0; i < n; ++i) v.push_back(ParticlePtr(new Particle()));
  return v;
}

// A clock published for the test's lifetime: controls made meanwhile join it.
class PublishedClock {
 public:
  PublishedClock() : saved_(CurrentChronoContext()) { SetCurrentChronoContext(&clock); }
  ~PublishedClock() { SetCurrentChronoContext(saved_); }
  ChronoContext clock;

 private:
  ChronoContext* saved_;
};

}  // namespace source_fakes
