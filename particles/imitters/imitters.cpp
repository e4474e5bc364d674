#include "particles/imitters/imitters.h"

#include <cmath>

#include "core/crt.h"
#include "core/math_routines.h"

namespace {

void MakeAt(ClassicParticleList& out, const D3DXVECTOR3& where) {
  out.push_back(ClassicParticlePtr(new ClassicParticle(where)));
}

}  // namespace

ClassicParticleList& ZVI_PointImitter::Make(ClassicParticleList& out, int count) {
  out.clear();
  for (int i = 0; i < count; ++i) MakeAt(out, point.value);
  return out;
}

ClassicParticleList& ZVI_CircleImitter::Make(ClassicParticleList& out, int count) {
  out.clear();
  for (int i = 0; i < count; ++i) {
    const float r = crt_rand01() * size / 2.0f;
    MakeAt(out, point.value + RandomPlanarDirection(r, 0.0f, 360.0f));
  }
  return out;
}

ClassicParticleList& ZVI_SectorImitter::Make(ClassicParticleList& out, int count) {
  out.clear();
  const float w = static_cast<float>(sector.spread.value);
  const float d = static_cast<float>(sector.value);
  for (int i = 0; i < count; ++i) {
    const float r = crt_rand01() * static_cast<float>(radius.value);
    MakeAt(out, point.value + RandomPlanarDirection(r, d - w / 2.0f, d + w / 2.0f));
  }
  return out;
}

ClassicParticleList& ZVI_RectImitter::Make(ClassicParticleList& out, int count) {
  out.clear();
  const D3DXVECTOR3& c0 = rect.corners[0].value;
  const D3DXVECTOR3& c3 = rect.corners[3].value;
  for (int i = 0; i < count; ++i) {
    const float y = crt_rand01() * (c3.y - c0.y) + c0.y;
    const float x = crt_rand01() * (c3.x - c0.x) + c0.x;
    MakeAt(out, D3DXVECTOR3(x, y, 0.0f));
  }
  return out;
}

// ---- position array

ZVI_PosArrImitter::~ZVI_PosArrImitter() {
  for (Entry& e : positions) {
    if (!e.holder) continue;
    e.holder->dead = 1;
    e.holder->owner = nullptr;
  }
}

void ZVI_PosArrImitter::SetPositions(const std::vector<D3DXVECTOR3>& where) {
  for (Entry& e : positions) {
    if (!e.holder) continue;
    e.holder->dead = 1;
    e.holder->owner = nullptr;
  }
  positions.clear();
  freeList.clear();
  for (size_t i = 0; i < where.size(); ++i) {
    positions.push_back(Entry{where[i], nullptr});
    freeList.push_back(static_cast<uint32_t>(i));
  }
}

ClassicParticleList& ZVI_PosArrImitter::Make(ClassicParticleList& out, int count) {
  out.clear();
  for (int i = 0; i < count && !freeList.empty(); ++i) {
    const size_t a = static_cast<size_t>(crt_rand()) % freeList.size();
    const uint32_t slot = freeList[a];
    ClassicParticlePtr p(new ClassicParticle(positions[slot].position));
    auto* death = new IPR_ArrayPtclDeath(slot, this);
    positions[slot].holder = death;
    p->AddRoutine(RoutinePtr(death), false);
    out.push_back(p);
    freeList.erase(freeList.begin() + static_cast<std::ptrdiff_t>(a));
  }
  return out;
}

IPR_ArrayPtclDeath::~IPR_ArrayPtclDeath() {
  if (!owner || index >= owner->positions.size()) return;
  ZVI_PosArrImitter::Entry& entry = owner->positions[index];
  if (dead != 0) {
    // The owner keeps the position; it must not keep a pointer to us either.
    if (entry.holder == this) entry.holder = nullptr;
    return;
  }
  entry.holder = nullptr;
  owner->freeList.push_back(index);
}

// ---- counters

int ZVI_EvenImitter::Count(float dt) {
  const float r = rate.derived;
  if (!(r > 0.0f)) return 0;
  accumulated += dt;
  const float due = accumulated * r;
  if (!(due >= 0.0f)) {
    accumulated = 0.0f;
    return 0;
  }
  if (due >= static_cast<float>(kMaxBatchParticles)) {
    // More than a batch can hold: the excess is dropped, not carried.
    accumulated = 0.0f;
    return static_cast<int>(kMaxBatchParticles);
  }
  const int n = static_cast<int>(due);
  accumulated -= static_cast<float>(n) / r;
  return n;
}

int ZVI_RndImitter::Count(float dt) {
  time += dt;
  int n = 0;
  while (time > next) {
    if (minimum.value == 0.0f && maximum.value == 0.0f) return n + 1;
    const float interval = crt_rand01() * (maximum.value - minimum.value) + minimum.value;
    ++n;
    // A negative or NaN interval would never catch up with the time.
    if (!(interval >= 0.0f) || n >= static_cast<int>(kMaxBatchParticles)) return n;
    next += interval;
  }
  return n;
}
