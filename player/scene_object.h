#pragma once
// Scene objects exist twice: the model (DS_ABObj_Constructor), as stored in
// the project, and the runtime object (DS_ABObj) made from a private copy of
// it when a slide is built. Runtime objects are registered by GUID.
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "core/io_item.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/zvi_string.h"
#include "platform/com/com.h"
#include "player/ds_ab_render.h"
#include "player/timelines.h"

class DS_IOF_Archive;
class DS_ABObj;
class ZVI_GroupNode;
struct IDirect3DTexture9;

// Orders GUIDs by their bytes.
struct GuidBytesLess {
  bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
};
inline bool IsNullGuid(const GUID& g) { return g == GUID_NULL; }

// Time-mode value that scales the object's own clock by its visibility.
constexpr int32_t kTimeModeScaledByVisibility = 2;
// Timing flag: never scale the time step, whatever the time mode.
constexpr uint32_t kTimingFlagNoTimeScale = 0x20;

// The model's timing block. Its value is the timeline kind (0 continuous,
// 1 random, 2 manual, 3 depended); notifying a change of kind makes the
// cached timeline of that kind current, creating it when there is none.
class ZVI_SmartTiming : public DS_IOF_Item, public MediaParamT<int> {
 public:
  ZVI_SmartTiming();
  // Shares the current and the cached timelines.
  ZVI_SmartTiming(const ZVI_SmartTiming& other);
  ZVI_SmartTiming& operator=(const ZVI_SmartTiming& other);
  ~ZVI_SmartTiming() override;

  void Notify(MediaControl* source) override;

  // Wraps a new timeline and makes it current and the cached one of the kind.
  void SetCurrentTimeline(ZVI_Timing* timeline);
  void SetCurrentTimeline(const DS_SafePtr<ZVI_Timing>& timeline);
  // Stores the kind-1 timeline; current too when kind 1 is selected.
  void SetRandomTimeline(const DS_SafePtr<ZVI_Timing>& timeline);
  // The timeline in use; never null (a continuous one is made if missing).
  ZVI_Timing* Current();
  const DS_SafePtr<ZVI_Timing>& CurrentHolder() const { return current; }

  // The record body after its class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<int> timeMode{0};
  DS_SafePtr<ZVI_Timing> current;
  DS_SafePtr<ZVI_Timing> byKind[4];
  uint32_t flags = 0;
  float defaultFadeIn = 0.5f;
  float defaultShown = 1.0f;
  float defaultFadeOut = 0.5f;
  float lastTime = 0.0f;
  float localTime = 0.0f;

 private:
  void SelectKind();
  void StoreForKind(const DS_SafePtr<ZVI_Timing>& timeline);
};

// The saved identity and timing of every scene object.
class ZVI_RenderObjData : public DS_IOF_Item {
 public:
  ZVI_RenderObjData() = default;
  ZVI_RenderObjData(const ZVI_RenderObjData& other) = default;
  ~ZVI_RenderObjData() override = default;

  void Write(DS_IOF_Archive& ar) const override {}
  virtual bool Query1(int32_t) const { return false; }
  virtual bool FitTimeline(ZVI_Timing* timeline, float value) { return false; }
  virtual void ResetTime() {}
  virtual void CreateDeviceObjects() {}
  virtual void ReleaseDeviceObjects() {}

  // GUID, the timing block with its header, and from version 2 the reset flag.
  void ReadDataRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<int> resetFlag{1};
  ZVI_SmartTiming timing;
  GUID guid = GUID_NULL;
  bool guidValid = true;
};

// What an object shows as its preview.
struct PreviewImage {
  IDirect3DTexture9* texture = nullptr;
  uint32_t width = 0;
  uint32_t height = 0;
  float aspect = 1.0f;
};

class DocResourceSet;
using RuntimeMap = std::map<GUID, DS_SafePtr<DS_ABObj>, GuidBytesLess>;

// Base of every authored scene object.
class DS_ABObj_Constructor : public ZVI_RenderObjData {
 public:
  DS_ABObj_Constructor() = default;
  // Copies every field, sharing the timelines; the copy belongs to no group.
  DS_ABObj_Constructor(const DS_ABObj_Constructor& other);
  ~DS_ABObj_Constructor() override = default;

  virtual void LoadMask() {}
  // Non-zero when the point is over the object (text links set the cursor).
  virtual int32_t MouseOver(int32_t x, int32_t y) { return 0; }
  virtual void Click(int32_t x, int32_t y) {}
  virtual int32_t GetKind() const { return 3; }
  virtual void GetPreviewImage(PreviewImage* out) { *out = PreviewImage(); }
  virtual void Hook1(int32_t) {}
  // Appends the scene of the current render context and returns true.
  virtual bool GetScreenRects(std::vector<ScreenRect>& list);
  virtual void CollectResources(DocResourceSet& set) {}
  virtual ZVI_GroupNode* GetGroupNode();
  virtual DS_ABObj* CreateRuntime() = 0;
  virtual void GetOrCreateRuntime(RuntimeObjects& objects, RuntimeMap& map);
  virtual void NewMask() {}
  virtual bool IsScreenObject() const { return true; }
  virtual void Hook2(int32_t) {}
  virtual void Hook3() {}
  virtual zvi_string GetPresetFolder() const { return u"\\Animations Presets\\"; }
  virtual void Hook4(int32_t) {}
  virtual int32_t Query2(int32_t) { return 0; }
  virtual int32_t QueryRuntime(DS_ABObj* runtime) { return 0; }

  // The base part of a subclass record, after its class name and version.
  // Always succeeds; damaged data raises DS_Error.
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Reads the base header (class name, version; neither compared) and the
  // base part: what a subclass reader calls after its own fields.
  bool ReadConstructorBase(DS_IOF_Archive& ar);
  // The base part a subclass writer ends with; the player never writes.
  void WriteRecord(DS_IOF_Archive& ar) const {}

  MediaParamT<int> depth{100};
  zvi_string name;
  GUID parentGroup = GUID_NULL;
  int32_t unsavedValue = 0;
};

// Runtime base.
class ZVI_RenderObj {
 public:
  ZVI_RenderObj() = default;
  ZVI_RenderObj(const ZVI_RenderObj&) = delete;
  ZVI_RenderObj& operator=(const ZVI_RenderObj&) = delete;
  virtual ~ZVI_RenderObj() = default;

  virtual void Draw(DS_ABRender* context) {}
  // A background step first when the object needs one, then Draw.
  virtual void Render(DS_ABRender* context, int* counter);
  virtual int32_t NeedsBackground() { return 0; }
  virtual bool IsEraser() { return false; }
  // True when the next object may read this one's output (particle systems).
  virtual bool PassesOutput() { return false; }
  virtual void SetRunning(bool flag) { running = flag; }
  // When the model's reset flag is set: the timeline and the model's time.
  virtual void ResetTiming();
  virtual void SetOffset(float x, float y, float z) {}
  virtual void Restart();
  virtual ZVI_SmartTiming* GetTiming();
  virtual bool Query1(int32_t a) { return model ? model->Query1(a) : false; }
  // Advances the object to its local time.
  virtual void Update(float localTime) = 0;

  // Per-frame time step with the slide-local time tau.
  void UpdateTime(float tau);

  bool running = true;
  ZVI_RenderObjData* model = nullptr;
};

// Runtime base built from an owned model copy; registered by GUID.
class DS_ABObj : public ZVI_RenderObj {
 public:
  // Takes the model copy; gives it a GUID when it has none and registers.
  explicit DS_ABObj(DS_ABObj_Constructor* ownedModel);
  ~DS_ABObj() override;

  virtual void Hook2(int32_t a, int32_t b) {}
  virtual void SyncView() {}
  virtual int32_t GetKind() { return Model()->GetKind(); }
  virtual bool HitTest(float x, float y) { return false; }
  virtual int32_t QueryModel() { return Model()->QueryRuntime(this); }
  virtual bool GetScreenRects(std::vector<ScreenRect>& list) { return Model()->GetScreenRects(list); }
  virtual void CollectResources(DocResourceSet& set) { Model()->CollectResources(set); }
  virtual void WriteTrack(void* collector, bool last) {}
  // Standalone object files are written by the authoring tool only.
  virtual void ExportObject(const zvi_string& name) {}
  // Groups take the objects of [first, last) as their members.
  virtual bool SetMembers(RuntimeObjects::const_iterator first, RuntimeObjects::const_iterator last) {
    return false;
  }
  // Groups append their members instead of themselves.
  virtual bool AppendMembers(RuntimeObjects& objects) { return false; }
  virtual void ExpandMembers(int32_t index, RuntimeObjects& objects) {}
  virtual int32_t MemberCount() { return 0; }
  virtual bool ReadsBackground() { return false; }

  int32_t MouseOver(int32_t x, int32_t y) { return Model()->MouseOver(x, y); }
  void Click(int32_t x, int32_t y) { Model()->Click(x, y); }

  DS_ABObj_Constructor* Model() const { return static_cast<DS_ABObj_Constructor*>(model); }
  // Expires when this object is destroyed, so a holder of a plain pointer
  // to it (a timeline following it) knows when to let go.
  std::weak_ptr<const void> LifeToken() const { return alive_; }

 private:
  std::shared_ptr<const void> alive_ = std::make_shared<int>(0);
};

// The process-wide map from GUID to runtime object (not counted).
using GuidObjectMap = std::map<GUID, DS_ABObj*, GuidBytesLess>;
GuidObjectMap& GlobalObjectMap();
// The runtime object registered under the GUID, or null.
DS_ABObj* FindRuntimeObject(const GUID& guid);

// Reads one model by class name through the scene-object registry.
std::unique_ptr<DS_ABObj_Constructor> ReadObject(DS_IOF_Archive& ar);
using ModelList = std::vector<std::unique_ptr<DS_ABObj_Constructor>>;
// A u32 count, then that many models, appended (bounded by the data left).
void ReadObjectList(DS_IOF_Archive& ar, ModelList* list);
