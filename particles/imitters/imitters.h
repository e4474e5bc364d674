#pragma once
// Imitters: the emitter shapes that say where a classic system's newborns
// start and the counters that say how many are born in a step. They are
// plain members of their systems and are never stored on their own.
#include <cstdint>
#include <vector>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "particles/imitters/classic_particle.h"

// The most particles one batch of a classic system draws: the quads that
// 16-bit indices reach.
constexpr uint32_t kMaxBatchParticles = 16384;

// How many more particles a system's list may take.
inline int RoomLeft(const ClassicParticleList& list) {
  return list.size() < kMaxBatchParticles ? static_cast<int>(kMaxBatchParticles - list.size()) : 0;
}

class ZVI_ImetterGeom {
 public:
  virtual ~ZVI_ImetterGeom() = default;
  // Clears out and fills it with count new particles at the shape's
  // positions, in creation order; nothing else of them is set.
  virtual ClassicParticleList& Make(ClassicParticleList& out, int count) = 0;
};

class ZVI_PointImitter : public ZVI_ImetterGeom {
 public:
  ClassicParticleList& Make(ClassicParticleList& out, int count) override;
  MediaParamT<D3DXVECTOR3> point{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
};

// Within size / 2 of the point, the radius uniform (denser at the centre).
class ZVI_CircleImitter : public ZVI_PointImitter {
 public:
  ClassicParticleList& Make(ClassicParticleList& out, int count) override;
  float size = 0.0f;
};

// Within the radius, inside the sector's spread about its direction.
class ZVI_SectorImitter : public ZVI_PointImitter {
 public:
  ClassicParticleList& Make(ClassicParticleList& out, int count) override;
  MediaSector sector;
  MediaParamT<unsigned int> radius{0u};
};

// Uniform in the rectangle spanned by corners 0 and 3, at z 0.
class ZVI_RectImitter : public ZVI_ImetterGeom {
 public:
  ClassicParticleList& Make(ClassicParticleList& out, int count) override;
  MediaQuad rect;
};

class IPR_ArrayPtclDeath;

// Fixed positions, each held by at most one particle at a time.
class ZVI_PosArrImitter : public ZVI_ImetterGeom {
 public:
  struct Entry {
    D3DXVECTOR3 position;
    IPR_ArrayPtclDeath* holder = nullptr;
  };

  ZVI_PosArrImitter() = default;
  ZVI_PosArrImitter(const ZVI_PosArrImitter&) = delete;
  ZVI_PosArrImitter& operator=(const ZVI_PosArrImitter&) = delete;
  // Particles still on a position outlive the imitter: their routines are
  // told it is gone.
  ~ZVI_PosArrImitter() override;

  // Replaces the positions; every one is free.
  void SetPositions(const std::vector<D3DXVECTOR3>& where);
  // Stops early when no position is left.
  ClassicParticleList& Make(ClassicParticleList& out, int count) override;

  std::vector<Entry> positions;
  std::vector<uint32_t> freeList;
};

// Keeps a particle on its position; the owner ends it by setting the flag.
class IPR_ArrayPtclDeath : public InnerParticleRoutine {
 public:
  IPR_ArrayPtclDeath(uint32_t slot, ZVI_PosArrImitter* imitter) : index(slot), owner(imitter) {}
  // Frees the position again unless the owner dealt with it.
  ~IPR_ArrayPtclDeath() override;
  bool Apply(float dt, ClassicParticle& p) override { return dead == 0; }

  uint32_t index;
  ZVI_PosArrImitter* owner;
  uint8_t dead = 0;
};

class ZVI_ImetterCaunter {
 public:
  virtual ~ZVI_ImetterCaunter() = default;
  // Particles born during a step of dt.
  virtual int Count(float dt) = 0;
};

// An even rate (stored x 0.2 per second), the fraction carried over.
class ZVI_EvenImitter : public ZVI_ImetterCaunter {
 public:
  ZVI_EvenImitter() { rate.SetScaleOffset(0.2f, 0.0f, 100u); }
  ZVI_EvenImitter(const ZVI_EvenImitter&) = default;
  int Count(float dt) override;

  float accumulated = 0.0f;
  UINTSclaleTo<float> rate;
};

// One particle at the end of every random interval.
class ZVI_RndImitter : public ZVI_ImetterCaunter {
 public:
  int Count(float dt) override;

  MediaParamT<float> minimum{0.0f};
  MediaParamT<float> maximum{0.0f};
  float time = 0.0f;
  float next = 0.0f;
};
