#pragma once
// Single objects: one image quad drawn by the classic runtime. The static
// object fades with its timeline and may turn steadily about its centre (the
// base of the texts); the object on a path walks its control points back
// and forth, turned or mirrored by its direction of travel.
#include <cstdint>

#include "geometry/paths.h"
#include "particles/imitters/single_particle.h"

// The "ZVI_SingleParticle" record body: the four corners, then the system
// record.
bool ReadSingleParticleRecord(DS_IOF_Archive& ar, ZVI_SingleParticle& object);

class ZVI_StaticObject : public ZVI_SingleParticle {
 public:
  ZVI_StaticObject();
  ZVI_StaticObject(const ZVI_StaticObject& other);

  void UpdateParticles(float t) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_StaticObject(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override { return EmptyParticleList(out, dt); }
  std::u16string_view ClassName() const override { return u"ZVI_StaticObject"; }

  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The turn about the quad's centre by the current angle.
  D3DXMATRIX RotationMatrix() const;

  MediaSpeedParam rotationSpeed;  // degrees per second
  MediaParamT<int32_t> clockwise{0};
  float angle = 0.0f;  // degrees
};

class ZVI_ParticlePathCtrl : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_ParticlePathCtrl() = default;
  ZVI_ParticlePathCtrl(const ZVI_ParticlePathCtrl& other) = default;

  // The base Prepare; the polyline rebuilt and the walk back at its start.
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  bool ReadPathRecord(DS_IOF_Archive& ar, int32_t version);
  void ResetTravel();

  SmartPath<DX_SmartPnt> path;
};

class ZVI_SigleObjectPath : public ZVI_ParticlePathCtrl {
 public:
  ZVI_SigleObjectPath();
  ZVI_SigleObjectPath(const ZVI_SigleObjectPath& other);

  void ResetTime() override { ResetTravel(); }
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  void UpdateParticles(float t) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_SigleObjectPath(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override { return EmptyParticleList(out, dt); }
  std::u16string_view ClassName() const override { return u"ZVI_SigleObjectPath"; }

  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The quad at p for the direction of travel d and an image of w x h.
  void PlaceQuad(const D3DXVECTOR3& p, const D3DXVECTOR3& d, float w, float h, DX_V::PCT* quad) const;

  MediaSpeedParam speed;  // pixels per update
  MediaParamT<int32_t> orientation{0};
};
