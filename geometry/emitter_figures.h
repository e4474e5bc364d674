#pragma once
// Emitter figures (spawn positions, headings and grid points for particle
// emitters) and gradients (scalar fields over space), each with the
// parameter that holds one.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/io_item.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "geometry/paths.h"

class DS_IOF_Archive;

class ZVI_VFigure : public DS_IOF_Item {
 public:
  virtual std::string GetTypeName() const = 0;
  virtual void RegisterCallbacks(OwnedPtrList* owner_list) {}
  // Adds a random spawn position to point and gives the heading of a
  // particle born there; spatial turns both about the y axis at random.
  virtual void SpawnWithHeading(D3DXVECTOR3* point, D3DXVECTOR3* heading, bool spatial) = 0;
  virtual void SpawnOffset(D3DXVECTOR3* point) = 0;
  // Centre of grid cell index, row by row, columns cells per row.
  virtual void GridPoint(D3DXVECTOR3* out, int32_t index, int32_t rows, int32_t columns) = 0;
  virtual int32_t ZeroQuery2(int32_t, int32_t) { return 0; }
  virtual int32_t ZeroQuery1(int32_t) { return 0; }
  virtual int32_t ZeroQuery0() { return 0; }
  virtual void IgnoreHook(int32_t) {}

  MediaParamT<D3DXVECTOR3> position{D3DXVECTOR3(0, 0, 0)};

 protected:
  // "ZVI_VFigure", version, position (raw).
  void ReadFigureBase(DS_IOF_Archive& ar);
};

class ZVI_VFigure_Rect : public ZVI_VFigure {
 public:
  std::string GetTypeName() const override { return "ZVI_VFigure_Rect"; }
  void SpawnWithHeading(D3DXVECTOR3* point, D3DXVECTOR3* heading, bool spatial) override;
  void SpawnOffset(D3DXVECTOR3* point) override;
  void GridPoint(D3DXVECTOR3* out, int32_t index, int32_t rows, int32_t columns) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> width{0u};
  MediaParamT<unsigned int> height{0u};
};

class ZVI_VFigure_Sector : public ZVI_VFigure {
 public:
  std::string GetTypeName() const override { return "ZVI_VFigure_Sector"; }
  void SpawnWithHeading(D3DXVECTOR3* point, D3DXVECTOR3* heading, bool spatial) override;
  void SpawnOffset(D3DXVECTOR3* point) override;
  void GridPoint(D3DXVECTOR3* out, int32_t index, int32_t rows, int32_t columns) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> inner{0u};
  MediaParamT<unsigned int> outer{0u};
  MediaSector sector;  // direction in degrees and its spread
};

class ZVI_VFigure_BSpline : public ZVI_VFigure {
 public:
  std::string GetTypeName() const override { return "ZVI_VFigure_BSpline"; }
  void SpawnWithHeading(D3DXVECTOR3* point, D3DXVECTOR3* heading, bool spatial) override;
  void SpawnOffset(D3DXVECTOR3* point) override;
  void GridPoint(D3DXVECTOR3* out, int32_t index, int32_t rows, int32_t columns) override;
  // The path's points and the figure base; the width is not stored (0).
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  SplinePath path;
  MediaParamT<unsigned int> width{0u};
};

// A default figure of the named class, or null.
DS_SafePtr<ZVI_VFigure> CreateVFigureByName(std::string_view name);
// A figure object record through the figure registry (DS_Error for an unknown name).
DS_SafePtr<ZVI_VFigure> ReadVFigure(DS_IOF_Archive& ar);

class ZVI_CustomFigure : public MediaParamT<DS_SafePtr<ZVI_VFigure>> {
 public:
  ZVI_CustomFigure();
  ZVI_CustomFigure(const ZVI_CustomFigure&) = delete;
  ZVI_CustomFigure& operator=(const ZVI_CustomFigure&) = delete;
  ~ZVI_CustomFigure() override;

  // Holds the figure (notifying when it is another object), then lets it
  // register its callbacks afresh.
  void SetFigure(const DS_SafePtr<ZVI_VFigure>& figure, MediaControl* source);
  // A new sector of inner radius 0 with the given values (older emitters).
  void SetSectorFigure(int32_t unused, unsigned int direction, unsigned int spread, unsigned int radius);
  ZVI_VFigure* Figure() const { return value.get(); }

  OwnedPtrList callbacks{this};
};

class ZVI_VGradient_Linear;
class ZVI_VGradient_Circular;

class ZVI_VGradientVisitor {
 public:
  virtual ~ZVI_VGradientVisitor() = default;
  virtual void Visit(ZVI_VGradient_Linear&) {}
  virtual void Visit(ZVI_VGradient_Circular&) {}
};

class ZVI_VGradient : public DS_IOF_Item {
 public:
  virtual float ValueAt(const D3DXVECTOR3& p) = 0;
  virtual void Accept(ZVI_VGradientVisitor& visitor) = 0;
};

class ZVI_VGradient_Linear : public ZVI_VGradient {
 public:
  ZVI_VGradient_Linear();
  // Start value before the start point, end value past the end point,
  // linear between along the line; coincident points give the start value.
  float ValueAt(const D3DXVECTOR3& p) override;
  void Accept(ZVI_VGradientVisitor& v) override { v.Visit(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<D3DXVECTOR3> start_point{D3DXVECTOR3(0, 0, 0)};
  MediaParamT<D3DXVECTOR3> end_point{D3DXVECTOR3(100, 100, 0)};
  UINTSclaleTo<float> start_value;
  UINTSclaleTo<float> end_value;
};

// Around the start point; the end value is reached at the end point's distance.
class ZVI_VGradient_Circular : public ZVI_VGradient_Linear {
 public:
  // A circle of radius 0 gives the start value at its centre, the end value elsewhere.
  float ValueAt(const D3DXVECTOR3& p) override;
  void Accept(ZVI_VGradientVisitor& v) override { v.Visit(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// A gradient object record through the gradient registry.
DS_SafePtr<ZVI_VGradient> ReadVGradient(DS_IOF_Archive& ar);

class ZVI_CustomGradient : public MediaParamT<DS_SafePtr<ZVI_VGradient>> {
 public:
  ZVI_CustomGradient();
  ZVI_CustomGradient(const ZVI_CustomGradient&) = default;
  ZVI_VGradient* Gradient() const { return value.get(); }
};
