#pragma once
// The bases between the screen-effect base and the distortions: a direction,
// a centre, an axis through the centre with its two lines, and a tilted
// perspective plane; each turns its parameters into shader values in the
// texture space of the current view.
#include <cstdint>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "effects/fx_constructor.h"

class DS_DirectionBased : public DS_FX_Constructor {
 public:
  DS_DirectionBased();
  DS_DirectionBased(const DS_DirectionBased& other);

  // direction = (cos angle, -sin angle): growing angles turn
  // counter-clockwise on the screen.
  void UpdateDirection();
  // The "DS_DirectionBased" record: header, amplitude, angle, the base.
  void ReadDirectionRecord(DS_IOF_Archive& ar);

  UINTSclaleTo<float> amplitude;
  MediaParamT<unsigned int> angle{0u};
  D3DXVECTOR4 direction{1.0f, 0.0f, 0.0f, 0.0f};

 private:
  CallbackCtrlList<DS_DirectionBased> controls_{this};
};

class DS_CentralBased : public DS_FX_Constructor {
 public:
  DS_CentralBased() = default;
  DS_CentralBased(const DS_CentralBased& other) = default;

  void LoadEffect(TextureHolder* maskHolder) override;
  // The centre (three floats), then the base record.
  void ReadFields(DS_IOF_Archive& ar);
  // The "DS_CentralBased" record: header, then ReadFields.
  void ReadCentralRecord(DS_IOF_Archive& ar);
  // The four-value shared parameters, then "Center" in viewport units.
  void UploadCenter(DS_ABRender* context);

  MediaParamT<D3DXVECTOR3> center{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
};

class DS_LineBased : public DS_CentralBased {
 public:
  DS_LineBased() = default;
  DS_LineBased(const DS_LineBased& other) = default;

  void LoadEffect(TextureHolder* maskHolder) override;
  // The "DS_LineBased" record: header, axis, centre, the base; no inner
  // header before the centre.
  void ReadLineRecord(DS_IOF_Archive& ar);
  void UpdateLines();
  // As UpdateLines, the normal line divided by the axis line's length.
  void UpdateLinesAxisScaled();
  // "Center", "Ln", "Lt", "t" (the normal) and "n" (the direction).
  void UploadLines(DS_ABRender* context);

  MediaDirection axis;
  float axisLine[3] = {0.0f, 0.0f, 0.0f};
  float normalLine[3] = {0.0f, 0.0f, 0.0f};

 protected:
  void ComputeLines(bool axisScaled);
};

class DS_PerspectiveBased : public DS_LineBased {
 public:
  DS_PerspectiveBased();
  DS_PerspectiveBased(const DS_PerspectiveBased& other) = default;

  // The "DS_PerspectiveBased" record: header, tilt, scale, axis, centre,
  // the base.
  void ReadPerspectiveRecord(DS_IOF_Archive& ar);
  // "Perspective", "r_matrix2", "r_matrix5", "WorldViewProj".
  void UploadPerspective(DS_ABRender* context);

  ZVI_Angle tilt;
  UINTSclaleTo<float> perspectiveScale;
  UINTSclaleTo<float> perspectiveOffset;
};

// "r_matrix2" and "r_matrix5" for a turn by (angle + 90) degrees about a
// point in pixels: to the point and turned, and back.
void UploadRotationMatrices(DS_ABRender* context, ID3DXEffect* effect, unsigned int angle, const D3DXVECTOR3& point);
