#pragma once
// Screen effects that work on pictures: a tiled, turned pattern picture
// mixed into the slide, and a shifted copy of the slide background or of one
// other object rendered into a private target.
#include <cstdint>
#include <memory>

#include "core/smart_values.h"
#include "effects/fx_constructor.h"
#include "player/doc_res_manager.h"
#include "player/render_target_set.h"

class DS_PatternBrush : public DS_FX_Constructor {
 public:
  DS_PatternBrush();
  DS_PatternBrush(const DS_PatternBrush& other) = default;

  std::u16string_view ClassName() const override { return u"DS_PatternBrush"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void LoadEffect(TextureHolder* maskHolder) override;
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_PatternBrush(*this); }

  DS_ImageFileLink patternImage;
  MediaParamT<int> flipY{0};
  MediaParamT<int> flipX{0};
  MediaParamT<unsigned int> angle{0u};
  UINTSclaleTo<float> patternScale;
  UINTSclaleTo<float> offsetX;
  UINTSclaleTo<float> offsetY;
  DocImage pattern;
  uint32_t frameIndex = 0;
  float frameStart = 0.0f;
};

// The same brush stored under its own class name.
class DS_PatternBrushC : public DS_PatternBrush {
 public:
  DS_PatternBrushC() = default;
  DS_PatternBrushC(const DS_PatternBrushC& other) = default;

  std::u16string_view ClassName() const override { return u"DS_PatternBrushC"; }
  // The class name "DS_PatternBrush" and its version, then that record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  DS_FX_Constructor* Clone() const override { return new DS_PatternBrushC(*this); }
};

class DS_BackgroundCopy : public DS_FX_Constructor {
 public:
  DS_BackgroundCopy();
  // Shares the private targets.
  DS_BackgroundCopy(const DS_BackgroundCopy& other);

  std::u16string_view ClassName() const override { return u"DS_BackgroundCopy"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void CreateDeviceObjects() override;
  void ReleaseDeviceObjects() override;
  void LoadEffect(TextureHolder* maskHolder) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_BackgroundCopy(*this); }

  MediaRectangle copyRect;
  MediaParamT<int> shiftY{0};
  MediaParamT<int> shiftX{0};
  MediaParamT<GUID> sourceObject{GUID_NULL};
  std::shared_ptr<RenderTargetSet> targets;

 private:
  // The source object rendered into the private target; null without one.
  IDirect3DTexture9* RenderSource(DS_ABRender* context);
  std::unique_ptr<DeviceObjectsGuard> guard_;
};
