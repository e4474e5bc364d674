#pragma once
// The classic particle system: the authored model (ZVI_ParticleSystemCtrl),
// base of every preset system, and its runtime object
// (ZVI_ParticleSystemMech), which owns a private copy of the model and the
// quad batches that copy fills and draws every frame.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "particles/imitters/classic_params.h"
#include "particles/imitters/classic_particle.h"
#include "player/meshes.h"
#include "player/scene_object.h"

class DS_IOF_Archive;
class ZVI_ParticleSystemMech;

class ZVI_ParticleSystemCtrl : public DS_ABObj_Constructor {
 public:
  ZVI_ParticleSystemCtrl();
  // Values of the block and the speed with its clock; shares the particles
  // and the runtime pointer; installs no controls.
  ZVI_ParticleSystemCtrl(const ZVI_ParticleSystemCtrl& other);
  ~ZVI_ParticleSystemCtrl() override;

  int32_t GetKind() const override { return 8; }
  void ResetTime() override;
  DS_ABObj* CreateRuntime() override;

  // True when the glow is composed over a copy of what lies behind.
  virtual int32_t NeedsBackground() { return params.glowMode.value == 2 ? 1 : 0; }
  virtual void Prepare(ZVI_ParticleSystemMech* runtimeObject);
  virtual void UpdateParticles(float t);
  virtual void DrawParticles(DS_ABRender* context, int* pass);
  virtual bool Query3(int32_t a, int32_t b) { return false; }
  virtual ZVI_ParticleSystemCtrl* Clone() const = 0;
  // The particles born during a step of dt, already in Particles.
  virtual ClassicParticleList& Emit(ClassicParticleList& out, float dt) = 0;
  virtual float GetWarmUpTime() { return 5.0f; }
  // The stored class name: the class that asks for its stand-in effect.
  virtual std::u16string_view ClassName() const = 0;

  // Steps the particles, lets the class emit, spreads the newborns over dt.
  void Simulate(float dt);
  void OnImageChanged();

  // The record body after the class name and version (versions 1 to 5).
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The nested record: its class name and version, then the body.
  bool ReadNestedRecord(DS_IOF_Archive& ar);

  ClassicParticleParams params;
  MediaSpeedParam systemSpeed;
  ClassicParticleList particles;
  ZVI_ParticleSystemMech* runtime = nullptr;
  CallbackCtrlList<ZVI_ParticleSystemCtrl> callbacks{nullptr, true};

 protected:
  // Reused every frame so that a step allocates no list.
  ClassicParticleList newborn_;
};

// The shape name a legacy record's shape index stands for (null: none).
const char16_t* LegacyShapeName(int32_t index);

class ZVI_ParticleSystemMech : public DS_ABObj {
 public:
  using Batch = DS_IndexedMesh<DX_V::PCT>;

  // Takes the model copy.
  explicit ZVI_ParticleSystemMech(ZVI_ParticleSystemCtrl* ownedModel);
  ~ZVI_ParticleSystemMech() override;

  void Draw(DS_ABRender* context) override {}
  // The model draws, with its own background step: no second one here.
  void Render(DS_ABRender* context, int* counter) override;
  int32_t NeedsBackground() override;
  void SetOffset(float x, float y, float z) override {}
  void Update(float localTime) override;
  bool HitTest(float x, float y) override { return false; }
  bool ReadsBackground() override { return false; }

  // n batches, each without buffers and with a count of 0.
  void SizeBatches(size_t n);
  // Batch b ready for n quads (growing only), base texture coordinates
  // written, count recorded. Indices outside the batches do nothing.
  void PrepareBatch(uint32_t b, uint32_t n, const ImageFrameSet& image, const ClassicParticleParams& block);
  void WriteTexCoords(uint32_t b, const ImageFrameSet& image, const ClassicParticleParams& block);
  // The first BatchCounts[b] quads of batch b, once per pass.
  void DrawBatch(ID3DXEffect* effect, const char* technique, uint32_t b);
  // The model's first colour with its alpha byte x f.
  void SetQuadColor(float f, DX_V::PCT* quad);
  Batch* BatchAt(uint32_t b) { return b < batches.size() ? batches[b].get() : nullptr; }
  uint32_t CountAt(uint32_t b) const { return b < batchCounts.size() ? batchCounts[b] : 0u; }
  void SetCount(uint32_t b, uint32_t n) {
    if (b < batchCounts.size()) batchCounts[b] = n;
  }

  ZVI_ParticleSystemCtrl* system;
  std::vector<std::unique_ptr<Batch>> batches;
  std::vector<uint32_t> batchCounts;
};
