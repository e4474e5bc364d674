#pragma once
// Smoke: puffs launched from the origin that drift out of the launch sector,
// are pushed sideways by a constant wind, grow, fade in quickly and out
// slowly, turn, and are drawn as one rotated quad each straight into the scene.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "particles/generators/origin_generators.h"

// A puff behaviour: a function run with its parameters at every step.
class SmokeBehaviour : public OriginBehaviour {
 public:
  using Function = void (*)(OriginRecord& puff, float dt, const std::vector<float>& params);
  SmokeBehaviour(Function f, std::vector<float> p) : function(f), params(std::move(p)) {}
  void Step(OriginRecord& puff, float dt) override { function(puff, dt, params); }
  OriginBehaviour* Clone() const override { return new SmokeBehaviour(*this); }

  Function function;
  std::vector<float> params;
};

// The five puff behaviours, in the order a puff gets them.
void SmokeMotion(OriginRecord& puff, float dt, const std::vector<float>& p);
void SmokeGrowth(OriginRecord& puff, float dt, const std::vector<float>& p);
void SmokeFadeIn(OriginRecord& puff, float dt, const std::vector<float>& p);
void SmokeFadeOut(OriginRecord& puff, float dt, const std::vector<float>& p);
void SmokeSpin(OriginRecord& puff, float dt, const std::vector<float>& p);

// The most puffs of one smoke alive at once.
constexpr size_t kMaxSmokePuffs = 16384;

class DS_Smoke : public DS_ParticleOriginGenerator {
 public:
  DS_Smoke();
  DS_Smoke(const DS_Smoke& other) = default;

  // Wind, then the origin generator's record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  std::unique_ptr<OriginRecord> LaunchOrigin() override { return LaunchPuff(); }
  std::unique_ptr<OriginRecord> LaunchPuff();
  void Update(float time, DS_ParticlesObj* object) override;
  // One layer, and five seconds of smoke made before the slide starts.
  void AttachRenderObject(DS_ParticlesObj* object) override;
  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override { DrawLayerDirect(context, object); }
  DS_ParticleGenerator* Clone() const override { return new DS_Smoke(*this); }
  std::u16string_view ClassName() const override { return u"DS_Smoke"; }
  // One batch of puffs: far more than a launch rate and lifetime a person
  // sets give, and few enough that the warm-up and every frame stay quick
  // whatever a file holds.
  size_t MaxOrigins() const override { return kMaxSmokePuffs; }

  // UpdateOrigins (the puffs are capped at kMaxSmokePuffs).
  void StepPuffs(float dt);
  // One quad per puff in layer 0.
  void WritePuffs(DS_ParticlesObj* object);

  // Horizontal acceleration 2v - 100: 50 is no wind.
  UINTSclaleTo<float> wind;
};
