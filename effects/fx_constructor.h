#pragma once
// Screen effects: the model base every full-screen shader effect derives
// from (its clock, mask, effect loading and the shared ways of drawing over
// the whole screen or on its own grid) and DS_BrushObj, the one runtime
// object class that runs a private clone of any of them.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "player/doc_res_manager.h"
#include "player/file_links.h"
#include "player/meshes.h"
#include "player/render_target_set.h"
#include "player/scene_object.h"

struct ID3DXEffect;
class DS_IOF_Archive;

class DS_FX_Constructor : public DS_ABObj_Constructor {
 public:
  DS_FX_Constructor();
  // Copies every value; shares the mask texture, the effect and the grid.
  DS_FX_Constructor(const DS_FX_Constructor& other);
  ~DS_FX_Constructor() override;

  // The class name under which the effect asks for its stand-in.
  virtual std::u16string_view ClassName() const = 0;

  void ResetTime() override;
  void LoadMask() override;
  int32_t GetKind() const override { return 3; }
  // One rectangle from corners 0 and 3 of the quad; false.
  bool GetScreenRects(std::vector<ScreenRect>& list) override;
  DS_ABObj* CreateRuntime() override;
  void NewMask() override;
  bool IsScreenObject() const override { return false; }

  virtual void LoadEffect(TextureHolder* maskHolder);
  virtual void UpdateMaskQuad();
  virtual TextureHolder* GetMaskTexture() { return &maskTexture; }
  virtual void AdvanceTime(float t);
  virtual void DrawEffect(DS_ABRender* context) = 0;
  virtual bool IsActive() const { return mode.value > 0; }
  virtual bool IsMode1() const { return mode.value == 1; }
  virtual bool IsEraseMode() const { return mode.value == 2; }
  virtual bool ClearsOnBackgroundStep() const { return true; }
  virtual void SetMaskPosition(float x, float y, float z) { maskPosition = D3DXVECTOR3(x, y, z); }
  virtual bool IsDisplacement() const { return false; }
  virtual void SetMaskTexture(TextureHolder* holder);
  virtual DS_FX_Constructor* Clone() const = 0;

  // The "DS_FX_Constructor" fields for the version, then the base record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // A subclass's base part: class name and version, then ReadRecord.
  void ReadFXBase(DS_IOF_Archive& ar);

  // Wave shapes of the effect clock: 2 triangle, 3 sine, 4 noise, 5 two
  // sines; any other kind 0.
  float WaveValue(int32_t kind) const;
  void DrawFullScreen(DS_ABRender* context);
  void DrawOnGrid(DS_ABRender* context);
  void SetCommonParams(DS_ABRender* context);
  void SetMaskPositionParam(DS_ABRender* context);

  // The current visibility of the model's timeline.
  float Visibility();
  // The loaded effect, or null.
  ID3DXEffect* Effect() const { return effect.Get(); }
  float Time() const { return speed.elapsed; }
  float LastTime() const { return speed.last_time; }
  float LastStep() const { return speed.step; }

  MediaSpeedParam speed;
  MediaParamT<int> mode{0};
  DS_HLSLEffectFile effectFile;
  UINTSclaleTo<float> scale;
  MediaQuad quad;
  MediaParamTB<int> reserved{0};
  UINTSclaleTo<float> phase;
  NamedGuid mask;
  uint8_t maskFlag = 1;
  TextureHolder maskTexture;
  D3DXVECTOR3 maskPosition{0.0f, 0.0f, 0.0f};
  ComPtr<ID3DXEffect> effect;
  GridMesh grid;

 protected:
  // The grid form of LoadEffect: the base, then MakeGrid.
  void LoadEffectOnGrid(TextureHolder* maskHolder);
  // A 2 x 2 cell grid, filled from the quad.
  void MakeGrid();
};

// Runtime object of every screen effect; owns the clone it runs.
class DS_BrushObj : public DS_ABObj {
 public:
  explicit DS_BrushObj(DS_FX_Constructor* clone);

  void Draw(DS_ABRender* context) override;
  // A background step first in background-step mode, then Draw.
  void Render(DS_ABRender* context, int* counter) override;
  // One step while running when the effect takes one: in background-step
  // mode (Render takes it) or as an eraser (the slide takes it).
  int32_t NeedsBackground() override;
  bool IsEraser() override { return fx->IsEraseMode(); }
  void SetOffset(float x, float y, float z) override { fx->SetMaskPosition(x, y, z); }
  void Update(float localTime) override { fx->AdvanceTime(localTime); }
  int32_t GetKind() override { return 4; }
  bool ReadsBackground() override { return fx->IsDisplacement(); }

  DS_FX_Constructor* fx;
};

// A model's own device objects (the copy's and the blur's targets) follow the
// document's device loss and reset through this holder.
class DeviceObjectsGuard : public ZVI_LosableObj {
 public:
  explicit DeviceObjectsGuard(ZVI_RenderObjData* owner) : owner_(owner) {}
  ~DeviceObjectsGuard() override = default;
  void OnLost() override { owner_->ReleaseDeviceObjects(); }
  void OnReset() override { owner_->CreateDeviceObjects(); }

 private:
  ZVI_RenderObjData* owner_;
};

// Creates the set at k x the back buffer for k from the framework's
// supersample factor down to 1, stopping at the first success; false (and
// no textures) when none succeeds.
bool CreateBackBufferTargets(RenderTargetSet& targets);

// The current render context's viewport size (the picture's size while the
// camera shows all of it); zero without a context.
D3DXVECTOR2 ViewportSize();

// (r, g, b) / 255 of a COLORREF, red in the low byte.
void ColourRGB(COLORREF colour, float* r, float* g, float* b);

// Sends float values by name.
inline void SetFloats(ID3DXEffect* e, const char* name, std::initializer_list<float> values) {
  e->SetFloatArray(name, values.begin(), static_cast<UINT>(values.size()));
}
