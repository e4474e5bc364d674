#pragma once
// The curve leaf of the tree-structured systems: its curves come from a
// curve physics chosen by an index; each curve becomes a textured strip
// whose width and opacity follow three-section profiles along it, cut to the
// curve particle's visible range, with an optional inner glow through a
// mask.
#include <array>
#include <cstdint>
#include <vector>

#include "particles/nodes/tree_leaves.h"
#include "player/meshes.h"

// One sample of a curve strip, in curve units.
struct CurveSample {
  D3DXVECTOR3 position;
  D3DXVECTOR3 sa, sb, sc;
  float t = 0.0f;
  uint8_t side = 1;
};

class ZVI_PSTree_Curve : public ZVI_PSTree_Leaf {
 public:
  // Middle, end and start graphs of a profile.
  using Profile = std::array<ZVI_CustomGraph, 3>;

  // A new fractal curve physics (when registered) under index 1.
  ZVI_PSTree_Curve();

  void Restart() override;
  void GenerateForAll(const ParticleVector& parents) override;
  int32_t Step(float dt, const ParticleVector& parents) override;
  void Fill(ZVI_PtclSys_Mesh* mesh, int32_t* index) override;
  void Draw(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect, DS_ABRender* context, int* pass) override;
  void Activate() override;
  void Clear() override;
  void RefreshTexture() override;

  // The profile's factor at arc parameter t of a curve whose length scale
  // is k.
  float CurveProfile(float t, const Profile& profile, float k) const;
  // The samples of a curve's points (none below two points).
  void BuildCurveSamples(const ParticleStripe& curve, std::vector<CurveSample>& out) const;
  // The curve operations of the physics, or null for another physics.
  ZVI_PtclSys_CurveOps* Curves() const;

  // Versions 1 to 4 after the class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> middleLength{0u};
  MediaParamT<unsigned int> endLength{0u};
  MediaParamT<unsigned int> startLength{0u};
  Profile widthProfile;
  Profile alphaProfile;
  MediaParamT<unsigned int> curveWidth{40u};
  MediaParamT<int> normalizeLength{1};
  ZVI_InnerGlowEffect innerGlow;
  MediaParamT<unsigned int> innerGlowSize{0u};
  SmartCOLORREF innerGlowColor{0u};
  ZVI_T_CustomSelector<int, ZVI_PtclSys_Physics> selector{1};
  DS_HLSLEffectFile glowEffect{zvi_string(u"common_res.dll"), 202};
  DS_SafePtr<ZVI_PtclSys_Physics> physics;
  ComPtr<ID3DXEffect> glowCompiled;

 private:
  // Writes one curve's strip from vertex `first`; returns the vertices and
  // triangles written.
  void FillCurve(const ParticleStripe& curve, DX_V::PCT* vertices, uint16_t* indices, int32_t first,
                 int32_t* vertexCount, int32_t* triangleCount);
  void DrawInnerGlow(MeshRecord* batch, ID3DXEffect* effect, DS_ABRender* context);

  std::vector<CurveSample> samples_;
};
