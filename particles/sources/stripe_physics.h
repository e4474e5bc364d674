#pragma once
// Physics that keep a line of point particles per followed particle: the
// trail laid behind particles, and the curves (straight, fractal, random and
// noise lines) that the line nodes draw through their points.
#include <cstdint>
#include <vector>

#include "core/graph_params.h"
#include "core/scaled_param.h"
#include "particles/nodes/param_blocks.h"
#include "particles/nodes/physics.h"
#include "particles/sources/points.h"

// No curve holds more points than this; longer ones are cut to it.
inline constexpr uint32_t kMaxCurvePoints = 65536;

// A graph block's value at x: value x jitter factor x graph(x), no random part.
float BlockValueAt(const JitterGraphParam& block, float x);
// The graph of a block at x (1 without a graph), looked up from index 1.
float BlockGraphAt(const JitterGraphParam& block, float x);

// Points at least 3 units apart dropped behind every followed particle; the
// newest point always sits on the particle.
class ZVI_PtclSysPhys_TraceLine : public ZVI_PtclSysPhys_PntStripes, public ZVI_PtclSys_TrailOps {
 public:
  ZVI_PtclSysPhys_TraceLine();
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  void StartTrail(const ParticlePtr& particle) override;
  std::vector<ParticleStripe>& Trails() override { return stripes; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  JitterGraphParam lifetime;  // tenths of a second, 10
  JitterGraphParam pointSize;  // 20
  JitterGraphParam pointAlpha;  // 1.0, fading fast after birth

 private:
  void AddTrailPoint(ParticleStripe& stripe);
  ParticlePtr MakeTrailPoint(const Particle& followed, const D3DXVECTOR3& at);
};

class ZVI_PtclSysPhys_Curves;

// Rewrites a curve particle's width, size, start and end every frame, each
// with a fresh random draw.
class PtclTr_LineGeom : public ZVI_PtclTransform {
 public:
  explicit PtclTr_LineGeom(const ZVI_PtclSysPhys_Curves* owner) : physics(owner) {}
  bool Apply(float dt, Particle* p) override;
  const ZVI_PtclSysPhys_Curves* physics;
};

// One curve particle per parent, carrying a line of points from (0, 0, 0)
// to (1, 0, 0) in its own space.
class ZVI_PtclSysPhys_Curves : public ZVI_PtclSysPhys_PntStripes, public ZVI_PtclSys_CurveOps {
 public:
  ZVI_PtclSysPhys_Curves();
  ParticleVector Generate(const ParticleVector* parents) override;
  // Steps every curve particle and drops the dead curves.
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  // The points of a new curve.
  virtual DS_SafePtr<ZVI_PtclSys_Physics> BuildCurve(Particle* curve) = 0;

  std::vector<ParticleStripe>& Curves() override { return stripes; }
  DS_SafePtr<ZVI_PtclSys_Physics> RebuildCurve(const ParticlePtr& curve) override { return BuildCurve(curve.get()); }
  void AttachCurveTransforms(Particle* curve) override;
  JitterGraphParam& SizeBlock() override { return size; }
  JitterGraphParam& WidthBlock() override { return width; }
  JitterGraphParam& AlphaBlock() override { return alpha; }
  // The curve base record with its name and version, then the stripe and
  // physics records.
  void ReadCurvesRecord(DS_IOF_Archive& ar);

  SpinParams spin;
  JitterGraphParam size;
  JitterGraphParam width;
  JitterGraphParam alpha;
  JitterGraphParam start;
  JitterGraphParam end;

 protected:
  // A point container holding the straight line of n + 1 evenly spaced points.
  static DS_SafePtr<ZVI_PtclSys_Physics> StraightLine(uint32_t segments);
  // Drops the pairs whose curve particle died this step; calls `alive` on
  // the others, in order.
  template <class F>
  void StepCurves(float dt, F alive);
};

// The straight line of `segments` segments.
class ZVI_PtclSysPhys_LineCurv : public ZVI_PtclSysPhys_Curves {
 public:
  DS_SafePtr<ZVI_PtclSys_Physics> BuildCurve(Particle* curve) override;
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version) override;

  MediaParamT<unsigned int> segments{10u};
};

// A MediaSpeedParam's clock as the curve physics run it: step = speed x dt,
// elapsed += step, last_time = dt.
void TickCurveClock(MediaSpeedParam& clock, float dt);

class ZVI_PtclSysPhys_FractalCurv;

// Keeps an inner point of a fractal line off the middle of its neighbours.
class PtclTr_FractalPnt : public ZVI_PtclTransform {
 public:
  PtclTr_FractalPnt(const ZVI_PtclSysPhys_FractalCurv* owner, const ParticlePtr& l, const ParticlePtr& r, float phase,
                    float from, float to)
      : physics(owner), left(l), right(r), t(phase), a(from), b(to) {}
  bool Apply(float dt, Particle* p) override;

  const ZVI_PtclSysPhys_FractalCurv* physics;
  ParticlePtr left;
  ParticlePtr right;
  float t;
  float a;
  float b;
};

// Midpoint displacement with smoothly changing random amounts.
class ZVI_PtclSysPhys_FractalCurv : public ZVI_PtclSysPhys_Curves {
 public:
  // Deeper levels would pass kMaxCurvePoints.
  static constexpr uint32_t kMaxLevels = 15;

  ZVI_PtclSysPhys_FractalCurv();
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  DS_SafePtr<ZVI_PtclSys_Physics> BuildCurve(Particle* curve) override;
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version) override;
  uint32_t LevelsInEffect() const { return levels.value < kMaxLevels ? levels.value : kMaxLevels; }

  MediaParamT<unsigned int> levels{5u};
  UINTSclaleTo<float> amplitude;  // 0.004, 50
  MediaSpeedParam speed;          // 0.1, 50

 private:
  void Subdivide(ParticleVector& points, size_t lo, size_t hi);
};

// Points gliding from one random wobbly line to the next.
class ZVI_PtclSysPhys_RandomCurv : public ZVI_PtclSysPhys_Curves {
 public:
  ZVI_PtclSysPhys_RandomCurv();
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  DS_SafePtr<ZVI_PtclSys_Physics> BuildCurve(Particle* curve) override;
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version) override;
  // The n + 1 points of a wobbly line (n = segments, 0 taken as 1).
  std::vector<D3DXVECTOR3> RandomLine() const;

  MediaParamT<unsigned int> segments{20u};
  UINTSclaleTo<float> amplitude;  // 0.016, 50
  MediaSpeedParam speed;          // 0.1, 50
};

// {start a, target b, phase t, current v} of one lattice value.
struct NoiseEntry {
  NoiseEntry();
  float a, b, t, v;
};

class ZVI_PtclSysPhys_PerlinCurv;

// One octave of a noise curve, shared by all its points: advanced once per
// frame without a particle, applied to each point with one.
class PtclTr_PerlinOctave : public ZVI_PtclTransform {
 public:
  PtclTr_PerlinOctave(const ZVI_PtclSysPhys_PerlinCurv* owner, uint32_t entry_count, float octave_weight);
  bool Apply(float dt, Particle* p) override;

  int32_t paramIndex = 3;
  const ZVI_PtclSysPhys_PerlinCurv* physics;
  float span;
  float weight;
  std::vector<NoiseEntry> entries;
};

// Advances the octaves of its curve once per frame.
class PtclTr_PerlinCurve : public ZVI_PtclTransform {
 public:
  explicit PtclTr_PerlinCurve(const ZVI_PtclSysPhys_PerlinCurv* owner) : physics(owner) {}
  bool Apply(float dt, Particle* p) override;

  std::vector<DS_SafePtr<PtclTr_PerlinOctave>> octaves;
  const ZVI_PtclSysPhys_PerlinCurv* physics;
};

// Points pushed sideways by octaves of smooth value noise.
class ZVI_PtclSysPhys_PerlinCurv : public ZVI_PtclSysPhys_Curves {
 public:
  ZVI_PtclSysPhys_PerlinCurv();
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  DS_SafePtr<ZVI_PtclSys_Physics> BuildCurve(Particle* curve) override;
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version) override;
  // The octaves and multiplier in effect, capped so that no octave holds
  // more than kMaxCurvePoints entries; 0 octaves for a straight line.
  uint32_t OctavesInEffect() const;
  uint32_t MultiplierInEffect() const;
  // Points of a new curve (at most kMaxCurvePoints).
  uint32_t CurvePointCount() const;

  MediaParamT<unsigned int> subdivisions{5u};
  JitterGraphParam amplitude;  // 0.002, 50
  MediaParamT<unsigned int> octaves{2u};
  MediaParamT<unsigned int> multiplier{1u};
  MediaSpeedParam change;  // 0.05, 50
  MediaSpeedParam scroll;  // 0.01, 0
};

void RegisterStripePhysicsReaders();
