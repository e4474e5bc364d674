#pragma once
// Fakes of the seams between the node engine and its sources, for the node
// tests: a scripted transform, a point physics, a root point, trail and curve
// physics, a geometry, an effect and the owners of the motion transforms.
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "particles/nodes/effects.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/nodes/particle.h"
#include "particles/nodes/physics.h"

namespace node_fakes {

// A transform that runs a function (if any), counts its calls and answers
// `result`.
class ScriptedTransform : public ZVI_PtclTransform {
 public:
  explicit ScriptedTransform(bool answer = true, std::function<void(float, Particle*)> body = nullptr)
      : result(answer), run(std::move(body)) {}
  bool Apply(float dt, Particle* p) override {
    ++applied;
    last_dt = dt;
    if (run) run(dt, p);
    return result;
  }
  void Reset(Particle*) override { ++resets; }

  bool result;
  std::function<void(float, Particle*)> run;
  int applied = 0;
  int resets = 0;
  float last_dt = -1.0f;
};

// A point physics: steps its particles, drops the dead, makes `per_parent`
// children per parent in Generate.
class FakePointPhysics : public ZVI_PtclSys_Physics {
 public:
  void Clear() override {
    ++clears;
    for (auto& p : particles) {
      if (p) p->flags |= ParticleFlags::Dead;
    }
    particles.clear();
  }
  ParticleVector Generate(const ParticleVector* sources) override {
    ParticleVector made;
    if (!sources) return made;
    for (const ParticlePtr& parent : *sources) {
      for (int k = 0; k < per_parent; ++k) {
        ParticlePtr child(new Particle(parent));
        child->flags |= ParticleFlags::DiesWithParent;
        made.push_back(child);
      }
    }
    particles.insert(particles.end(), made.begin(), made.end());
    return made;
  }
  ParticleVector Update(const ParticleVector* sources, float dt) override {
    ++updates;
    StepParticleVector(particles, dt);
    ParticleVector born;
    born.swap(to_be_born);
    particles.insert(particles.end(), born.begin(), born.end());
    return born;
  }
  bool IsAlive() override { return alive; }

  int per_parent = 1;
  bool alive = false;
  int clears = 0;
  int updates = 0;
  // Handed out by the next Update as newborns.
  ParticleVector to_be_born;
};

// A root point holding one particle.
class FakeRootPoint : public FakePointPhysics, public ZVI_PtclSys_RootPoint {
 public:
  FakeRootPoint() {
    particles.push_back(ParticlePtr(new Particle()));
    sizeEntry = DS_SafePtr<AnimatedParamEntry>(new AnimatedParamEntry);
    translucencyEntry = DS_SafePtr<AnimatedParamEntry>(new AnimatedParamEntry);
  }
  Particle* RootParticle() override { return particles.empty() ? nullptr : particles.front().get(); }
  ParticleVector Update(const ParticleVector*, float dt) override {
    ++updates;
    if (Particle* root = RootParticle()) {
      root->position = position.value + offset;
      StepParticle(root, dt);
    }
    return {};
  }
};

// Trail physics: StartTrail appends {particle, empty container}; Update
// appends the particle's world position to each trail.
class FakeTrailPhysics : public ZVI_PtclSys_Physics, public ZVI_PtclSys_TrailOps {
 public:
  void Clear() override { trails.clear(); }
  ParticleVector Update(const ParticleVector*, float) override {
    for (ParticleStripe& s : trails) {
      if (s.particle && s.points) s.points->particles.push_back(ParticlePtr(new Particle(s.particle->GetWorldPosition())));
    }
    return {};
  }
  void StartTrail(const ParticlePtr& particle) override {
    trails.push_back({particle, DS_SafePtr<ZVI_PtclSys_Physics>(new FakePointPhysics)});
  }
  std::vector<ParticleStripe>& Trails() override { return trails; }

  std::vector<ParticleStripe> trails;
};

// Curve physics: each parent gets a curve particle under it and a straight
// line of `points` points (x from 0 to 1).
class FakeCurvePhysics : public ZVI_PtclSys_Physics, public ZVI_PtclSys_CurveOps {
 public:
  void Clear() override { curves.clear(); }
  ParticleVector Generate(const ParticleVector* sources) override {
    ParticleVector made;
    if (!sources) return made;
    for (const ParticlePtr& parent : *sources) {
      ParticlePtr curve(new Particle(parent));
      AttachCurveTransforms(curve.get());
      curves.push_back({curve, RebuildCurve(curve)});
      made.push_back(curve);
    }
    return made;
  }
  ParticleVector Update(const ParticleVector*, float dt) override {
    size_t kept = 0;
    for (size_t i = 0; i < curves.size(); ++i) {
      if (curves[i].particle && StepParticle(curves[i].particle.get(), dt)) curves[kept++] = curves[i];
    }
    curves.resize(kept);
    return {};
  }
  std::vector<ParticleStripe>& Curves() override { return curves; }
  DS_SafePtr<ZVI_PtclSys_Physics> RebuildCurve(const ParticlePtr&) override {
    auto* line = new FakePointPhysics;
    for (int i = 0; i < points; ++i) {
      const float x = points > 1 ? static_cast<float>(i) / static_cast<float>(points - 1) : 0.0f;
      line->particles.push_back(ParticlePtr(new Particle(D3DXVECTOR3(x, 0, 0))));
    }
    return DS_SafePtr<ZVI_PtclSys_Physics>(line);
  }
  void AttachCurveTransforms(Particle*) override { ++attached; }
  bool ReadRecord(DS_IOF_Archive&, int32_t) override { return true; }
  JitterGraphParam& SizeBlock() override { return size; }
  JitterGraphParam& WidthBlock() override { return width; }
  JitterGraphParam& AlphaBlock() override { return alpha; }

  std::vector<ParticleStripe> curves;
  int points = 3;
  int attached = 0;
  JitterGraphParam size, width, alpha;
};

// A geometry that places `per_parent` held children at its position.
class FakeGeometry : public ZVI_PtclSys_Geometry {
 public:
  ParticleVector Place(ParticlePtr parent) override {
    ParticleVector made;
    for (int k = 0; k < per_parent; ++k) {
      ParticlePtr child = NewHeldParticle(parent);
      child->flags |= ParticleFlags::ParentRelative | ParticleFlags::DiesWithParent;
      made.push_back(child);
    }
    return made;
  }
  int per_parent = 1;
};

// An effect that counts its calls and records the clock it saw; `body`
// may change the particle.
class FakeEffectBase : public ZVI_ParticlSystem_Effect {
 public:
  bool InitParticle(Particle*) override {
    ++inits;
    return true;
  }
  bool ApplyEffect(EffectContext& context, Particle* p) override {
    ++applied;
    clocks.push_back(context.Clock());
    steps.push_back(context.Step());
    if (body) body(context, p);
    return true;
  }
  int inits = 0;
  int applied = 0;
  std::vector<float> clocks;
  std::vector<float> steps;
  std::function<void(EffectContext&, Particle*)> body;
};
using FakeEffect = ZVI_PtclSysEffect<FakeEffectBase>;

// A figure over the rectangle [x0, x0 + w] x [y0, y0 + h]: (u, v) maps
// linearly onto it, the direction at a point is (1, 0, 0); random points
// come from a script (then the centre) and record what was asked.
class FakeFigure : public ZVI_VGeom2D {
 public:
  std::string GetTypeName() const override { return "FakeFigure"; }
  ZVI_VGeom2D* Clone() const override { return new FakeFigure(*this); }
  void Accept(ZVI_VGeom2DVisitor&) override {}
  bool RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3* uv) override {
    ++random_points;
    D3DXVECTOR3 at = Centre();
    if (!scripted_points.empty()) {
      at = scripted_points.front();
      scripted_points.erase(scripted_points.begin());
    }
    if (position) *position = at;
    if (uv) *uv = D3DXVECTOR3((at.x - x0) / w, (at.y - y0) / h, 0);
    return true;
  }
  bool PointAtUV(float u, float v, D3DXVECTOR3* position, D3DXVECTOR3* direction) override {
    if (position) *position = D3DXVECTOR3(x0 + u * w, y0 + v * h, 0);
    if (direction) *direction = D3DXVECTOR3(1, 0, 0);
    return true;
  }
  bool Contains(const D3DXVECTOR3& p) override { return p.x >= x0 && p.x <= x0 + w && p.y >= y0 && p.y <= y0 + h; }
  // From an inside point along d to the rectangle's edge.
  bool ExitPoint(const D3DXVECTOR3& p, const D3DXVECTOR3& d, D3DXVECTOR3* out) override {
    float t = 1e30f;
    if (d.x > 0) t = std::min(t, (x0 + w - p.x) / d.x);
    if (d.x < 0) t = std::min(t, (x0 - p.x) / d.x);
    if (d.y > 0) t = std::min(t, (y0 + h - p.y) / d.y);
    if (d.y < 0) t = std::min(t, (y0 - p.y) / d.y);
    if (t >= 1e30f) return false;
    *out = p + d * t;
    return true;
  }
  bool CenterPoint(D3DXVECTOR3* point) override {
    *point = Centre();
    return true;
  }
  bool NormalAt(const D3DXVECTOR3&, const D3DXVECTOR3&, D3DXVECTOR3* direction, D3DXVECTOR3* normal) override {
    if (!frames) return false;
    *direction = D3DXVECTOR3(0, 1, 0);
    *normal = D3DXVECTOR3(-1, 0, 0);
    return true;
  }
  bool IsClosed() override { return closed; }
  bool QueryFlag() override { return flag; }
  D3DXVECTOR3 Centre() const { return D3DXVECTOR3(x0 + w / 2, y0 + h / 2, 0); }

  float x0 = 0, y0 = 0, w = 100, h = 100;
  bool closed = false, flag = false, frames = false;
  std::vector<D3DXVECTOR3> scripted_points;
  int random_points = 0;
};

// Owners of the motion transforms, with plain settable values.
class FakeSwarmBox : public PtclSwarmBox {
 public:
  D3DXVECTOR3 SwarmCentre() const override { return centre; }
  uint32_t SwarmWidth() const override { return width; }
  uint32_t SwarmHeight() const override { return height; }
  float TurnRate() const override { return rate; }
  float SteeringTime() const override { return steering; }
  float SpeedFactor() const override { return speed; }
  D3DXVECTOR3 centre{0, 0, 0};
  uint32_t width = 100, height = 100;
  float rate = 1.0f, steering = 0.5f, speed = 1.0f;
};

class FakeFieldPlane : public PtclFieldPlane {
 public:
  uint32_t FieldDepth() const override { return depth; }
  uint32_t FieldWidth() const override { return width; }
  float TiltCosine() const override { return tilt_cosine; }
  D3DXVECTOR3 FieldOrigin() const override { return origin; }
  uint32_t depth = 100, width = 100;
  float tilt_cosine = 1.0f;
  D3DXVECTOR3 origin{0, 0, 0};
};

class FakeStreamAxis : public PtclStreamAxis {
 public:
  bool PerspectiveOn() const override { return perspective; }
  D3DXVECTOR3 AxisStart() const override { return start; }
  D3DXVECTOR3 AxisEnd() const override { return end; }
  D3DXVECTOR3 StreamOrigin() const override { return origin; }
  D3DXVECTOR3 SideA() const override { return side_a; }
  D3DXVECTOR3 SideB() const override { return side_b; }
  float SpeedValue() const override { return speed; }
  float SpeedJitterFactor() const override { return factor; }
  bool perspective = false;
  D3DXVECTOR3 start{0, 0, 0}, end{0, 100, 0}, origin{0, 0, 0}, side_a{1, 1, 0}, side_b{-1, 1, 0};
  float speed = 10.0f, factor = 1.0f;
};

}  // namespace node_fakes
