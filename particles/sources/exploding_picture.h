#pragma once
// The exploding picture: whole children per parent for a while, then a
// burst of small spinning fragments flying off in every direction, then the
// whole children again, for as long as the node runs.
#include <cstdint>

#include "core/jitter_params.h"
#include "core/scaled_param.h"
#include "particles/nodes/effects.h"
#include "particles/sources/node_effects.h"
#include "particles/sources/point_groups.h"

class ZVI_PtclSysPhys_ExplodingPic : public ZVI_PtclSysPhys_ConstPntGroup {
 public:
  static constexpr int32_t kWhole = 0;
  static constexpr int32_t kBurst = 1;

  ZVI_PtclSysPhys_ExplodingPic();
  // Point clear; back to a fresh whole phase.
  void Clear() override;
  // Steps the particles; at the end of a phase (once per call) switches to
  // the other and returns what it made.
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  // `fragments` new fragments per source (under the particle ceiling).
  ParticleVector Burst(const ParticleVector* sources);
  void SetupFragment(Particle* fragment);
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  TimeParam wholeMin;
  TimeParam wholeMax;
  TimeParam burstMin;
  TimeParam burstMax;
  MediaParamT<unsigned int> fragments{100u};
  JitterValue fragmentSize;      // 0.01, 8, jitter 50
  JitterValue fragmentLifetime;  // 0.01, 50, jitter 50 (seconds)
  JitterValue fragmentSpeed;     // 10, 60, jitter 50
  ZVI_PtclSysEffect<ZVI_PtclSysEffect_Spiner> spinner;
  int32_t phase = kWhole;
  float phaseLength = 0.0f;
  float elapsed = 0.0f;

 private:
  float DrawLength(const TimeParam& min, const TimeParam& max) const;
};

void RegisterExplodingPictureReaders();
