#pragma once
// The string generator (a start and an end point) and the lightning bolt
// built between them by midpoint displacement, smoothed, with up to three
// levels of side branches, tapering width and a brightness that runs along
// the bolt as it appears and flickers while it is shown.
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/crt.h"
#include "particles/generators/particle_generator.h"

class DS_StringGenerator : public DS_TexParticleGenerator {
 public:
  DS_StringGenerator() = default;
  DS_StringGenerator(const DS_StringGenerator& other) = default;

  // "DS_StringGenerator" with its class name and version, the two points,
  // then the texture generator's record.
  void ReadStringRecord(DS_IOF_Archive& ar);

  MediaParamT<D3DXVECTOR3> start{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  MediaParamT<D3DXVECTOR3> end{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
};

struct BoltPoint {
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  float width = 1.0f;
  float ramp = 0.0f;
  // The side branch rooted here, from its root to its end.
  std::vector<BoltPoint> branch;
};
using BoltBranch = std::vector<BoltPoint>;

struct BranchPlan {
  int32_t attachment = -1;
  std::vector<BranchPlan> children;
};

// Passes of one branch and points of one bolt at most: beyond them a bolt
// would not fit in memory.
constexpr uint32_t kMaxBoltPasses = 12;
constexpr size_t kMaxBoltPoints = 262144;

class DS_LightningGN : public DS_StringGenerator {
 public:
  DS_LightningGN();
  DS_LightningGN(const DS_LightningGN& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void ResetTime() override { lastUpdate = 0.0f; }
  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_LightningGN(*this); }
  std::u16string_view ClassName() const override { return u"DS_LightningGN"; }

  void GenerateBolt();
  void BuildBranch(const D3DXVECTOR3& S, const D3DXVECTOR3& E, BoltBranch& list, uint32_t passes, float w,
                   std::vector<BranchPlan>& plan, float g);
  float BoltBrightness(float ramp);
  // Quads of every branch into layers 0 (core and caps), 1 (glow), 2 (ends).
  void WriteBolt(DS_ParticlesObj* object);

  MediaParamT<unsigned int> coreWidth{0u};
  MediaParamT<unsigned int> detail{0u};
  UINTSclaleTo<float> jitter;
  MediaParamT<unsigned int> seed{0u};
  UINTSclaleTo<float> branchLength;
  UINTSclaleTo<float> branchAngle;
  UINTSclaleTo<float> taper;
  MediaParamT<unsigned int> branches[3] = {MediaParamT<unsigned int>(0u), MediaParamT<unsigned int>(0u),
                                           MediaParamT<unsigned int>(0u)};
  UINTSclaleTo<float> flicker;
  MediaParamT<unsigned int> glowWidth{0u};
  MediaParamT<int> newShapeEachTime{0};
  BoltBranch bolt;
  float lastUpdate = 0.0f;
  uint8_t shown = 0;

 private:
  struct Counters {
    uint32_t core = 0, glow = 0, ends = 0;
  };
  int Rand();
  void WriteBranch(const BoltBranch& branch, DS_ParticlesObj* object, Counters& c, float u0);

  // With a fixed shape the bolt draws from its own sequence, seeded anew
  // for every bolt, so the rest of the slide's random sequence goes on.
  CrtRandom own_;
  bool useOwn_ = false;
  size_t points_ = 0;
};
