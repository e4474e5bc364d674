#pragma once
// Stripe lines: a curve physics grows a chain of points under every particle
// of the node; each chain is mapped into the scene (by a matrix, or onto the
// figure of the node's parent), clipped, and drawn as a band of varying width
// through the straight-skeleton offsetter. The fractal, random and Perlin
// lines differ only in their curve physics.
#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/skeleton_offset.h"
#include "particles/nodes/line_meshes.h"
#include "particles/nodes/picture_node.h"

// One curve's band: its offsetter and its samples.
struct Stripe {
  std::shared_ptr<ZVI_CurveOffsetMaker> maker;
  std::vector<StripeSample> samples;
};

// How a curve's points reach the scene.
struct StripeTransform {
  D3DXMATRIX matrix;
  ZVI_VGeom2D* figure = nullptr;
  int32_t mode = 0;  // 0 matrix, 1 along the figure's axis, 2 across it
  D3DXVECTOR3 mapping{0, 0, 0};
};

class ZVI_PtclSysNode_StripeLine : public ZVI_PtclSysNodePic_TexDynamic {
 public:
  int32_t Step(float dt, const ParticleVector* sources) override;
  void FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) override;
  void SetupParticle(Particle* particle) override;
  bool AcceptFamily(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(3, this); }

  // The curve physics as a physics and as curve operations (null without).
  virtual ZVI_PtclSys_Physics* CurvePhysics() const = 0;
  ZVI_PtclSys_CurveOps* GetCurvePhysics() const { return dynamic_cast<ZVI_PtclSys_CurveOps*>(CurvePhysics()); }

  void BuildStripes();
  StripeTransform MakeStripeTransform(size_t curve);
  D3DXVECTOR3 TransformStripePoint(const StripeTransform& t, const D3DXVECTOR3& p) const;
  void BuildStripe(Stripe& stripe, const ParticleVector& points, const StripeTransform& t, const float colour[4],
                   const D3DXVECTOR3& headScale);

  // The stripe-line part: its header (versions 1 to 3), clip mode from 2,
  // figure mapping from 3, then the dynamic picture's header and record.
  void ReadStripePart(DS_IOF_Archive& ar);

  MediaParamT<int> clipMode{0};
  MediaParamT<int> figureMapping{0};
  std::vector<Stripe> stripes;
};

// The three kinds: the curve physics' record (class name, version, fields),
// then the stripe-line part.
class ZVI_PtclSysNode_CurveLine : public ZVI_PtclSysNode_StripeLine {
 public:
  explicit ZVI_PtclSysNode_CurveLine(std::u16string_view physicsClass);
  ZVI_PtclSys_Physics* CurvePhysics() const override { return curvePhysics.get(); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  PhysicsPtr curvePhysics;
};

class ZVI_PtclSysNode_FractalLine : public ZVI_PtclSysNode_CurveLine {
 public:
  ZVI_PtclSysNode_FractalLine() : ZVI_PtclSysNode_CurveLine(u"ZVI_PtclSysPhys_FractalCurv") {}
  bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(7, this); }
};

class ZVI_PtclSysNode_RandomLine : public ZVI_PtclSysNode_CurveLine {
 public:
  ZVI_PtclSysNode_RandomLine() : ZVI_PtclSysNode_CurveLine(u"ZVI_PtclSysPhys_RandomCurv") {}
  bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(6, this); }
};

class ZVI_PtclSysNode_PerlinLine : public ZVI_PtclSysNode_CurveLine {
 public:
  ZVI_PtclSysNode_PerlinLine() : ZVI_PtclSysNode_CurveLine(u"ZVI_PtclSysPhys_PerlinCurv") {}
  bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(5, this); }
};
