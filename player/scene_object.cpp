#include "player/scene_object.h"

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "player/render_context.h"

namespace {

DS_SafePtr<ZVI_Timing> MakeTimelineOfKind(int kind) {
  switch (kind) {
    case 0: return DS_SafePtr<ZVI_Timing>(new ZVI_ContinuesTimeLine());
    case 1: return DS_SafePtr<ZVI_Timing>(new ZVI_RandomTimeLine());
    case 2: return DS_SafePtr<ZVI_Timing>(new ZVI_ManualTimeLine());
    case 3: return DS_SafePtr<ZVI_Timing>(new ZVI_DependedTimeLine());
    default: return DS_SafePtr<ZVI_Timing>();
  }
}

bool IsKind(int kind) { return kind >= 0 && kind < 4; }

void ReadHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

}  // namespace

// ---------------------------------------------------------------------------

ZVI_SmartTiming::ZVI_SmartTiming() : MediaParamT<int>(0) { SelectKind(); }

ZVI_SmartTiming::ZVI_SmartTiming(const ZVI_SmartTiming& other)
    : DS_IOF_Item(other),
      MediaParamT<int>(other),
      timeMode(other.timeMode),
      current(other.current),
      flags(other.flags),
      defaultFadeIn(other.defaultFadeIn),
      defaultShown(other.defaultShown),
      defaultFadeOut(other.defaultFadeOut),
      lastTime(other.lastTime),
      localTime(other.localTime) {
  for (int i = 0; i < 4; ++i) byKind[i] = other.byKind[i];
}

ZVI_SmartTiming& ZVI_SmartTiming::operator=(const ZVI_SmartTiming& other) {
  if (this == &other) return *this;
  MediaParamT<int>::operator=(other);
  timeMode = other.timeMode;
  current = other.current;
  for (int i = 0; i < 4; ++i) byKind[i] = other.byKind[i];
  flags = other.flags;
  defaultFadeIn = other.defaultFadeIn;
  defaultShown = other.defaultShown;
  defaultFadeOut = other.defaultFadeOut;
  lastTime = other.lastTime;
  localTime = other.localTime;
  return *this;
}

ZVI_SmartTiming::~ZVI_SmartTiming() = default;

void ZVI_SmartTiming::SelectKind() {
  if (!IsKind(value)) return;
  DS_SafePtr<ZVI_Timing>& cached = byKind[value];
  if (cached) {
    current = cached;
    return;
  }
  DS_SafePtr<ZVI_Timing> made = CreateTimingByName(kTimelineClassNames[value]);
  if (!made) made = MakeTimelineOfKind(value);
  cached = made;
  current = made;
  made->TakeDefaults(*this);
}

void ZVI_SmartTiming::Notify(MediaControl* source) {
  SelectKind();
  MediaParamT<int>::Notify(source);
}

void ZVI_SmartTiming::StoreForKind(const DS_SafePtr<ZVI_Timing>& timeline) {
  current = timeline;
  if (IsKind(value)) byKind[value] = timeline;
}

void ZVI_SmartTiming::SetCurrentTimeline(ZVI_Timing* timeline) {
  StoreForKind(DS_SafePtr<ZVI_Timing>(timeline));
}

void ZVI_SmartTiming::SetCurrentTimeline(const DS_SafePtr<ZVI_Timing>& timeline) { StoreForKind(timeline); }

void ZVI_SmartTiming::SetRandomTimeline(const DS_SafePtr<ZVI_Timing>& timeline) {
  byKind[1] = timeline;
  if (value == 1) current = timeline;
}

ZVI_Timing* ZVI_SmartTiming::Current() {
  // An object is never left without a timeline: it then plays continuously.
  if (!current) current = DS_SafePtr<ZVI_Timing>(new ZVI_ContinuesTimeLine());
  return current.get();
}

void ZVI_SmartTiming::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  uint32_t kind = 0, mode = 0, f = 0;
  ar.ReadUInt(&kind);
  ar.ReadUInt(&mode);
  ar.ReadUInt(&f);
  value = static_cast<int>(kind);
  undo.OnChanged(nullptr);
  timeMode = static_cast<int>(mode);
  flags = f;
  DS_SafePtr<ZVI_Timing> t = ReadTiming(ar);
  if (t) {
    StoreForKind(t);
    t->Reset();
  } else {
    Current();
  }
}

// ---------------------------------------------------------------------------

void ZVI_RenderObjData::ReadDataRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadGuid(&guid);
  int32_t timingVersion = 0;
  ReadHeader(ar, &timingVersion);
  timing.ReadRecord(ar, timingVersion);
  if (version > 1) {
    uint32_t flag = 1;
    ar.ReadUInt(&flag);
    resetFlag = static_cast<int>(flag);
  }
}

// ---------------------------------------------------------------------------

DS_ABObj_Constructor::DS_ABObj_Constructor(const DS_ABObj_Constructor& other)
    : ZVI_RenderObjData(other),
      depth(other.depth),
      name(other.name),
      parentGroup(GUID_NULL),
      unsavedValue(other.unsavedValue) {}

bool DS_ABObj_Constructor::GetScreenRects(std::vector<ScreenRect>& list) {
  ScreenRect r;
  if (RenderContext* rc = CurrentRenderContext()) {
    r.width = rc->sceneSize.x;
    r.height = rc->sceneSize.y;
  }
  list.push_back(r);
  return true;
}

ZVI_GroupNode* DS_ABObj_Constructor::GetGroupNode() {
  if (IsNullGuid(parentGroup)) return nullptr;
  DS_ABObj* group = FindRuntimeObject(parentGroup);
  if (!group || group->Model() == this) return nullptr;
  return group->Model()->GetGroupNode();
}

void DS_ABObj_Constructor::GetOrCreateRuntime(RuntimeObjects& objects, RuntimeMap& map) {
  if (!IsNullGuid(guid)) {
    auto it = map.find(guid);
    if (it != map.end()) {
      objects.push_back(it->second);
      return;
    }
  }
  DS_SafePtr<DS_ABObj> made(CreateRuntime());
  objects.push_back(made);
  map[guid] = made;
}

bool DS_ABObj_Constructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadWideString(&name);
  if (version >= 3) {
    uint32_t d = 100;
    ar.ReadUInt(&d);
    depth = static_cast<int>(d);
  }
  if (version <= 1) {
    timing.SetValue(0);
    return true;
  }
  if (version <= 3) {
    int32_t oldVersion = 0;
    ReadHeader(ar, &oldVersion);
    DS_TimeLineControl old;
    old.ReadRecord(ar, oldVersion);
    timing.value = old.mode.value;
    timing.undo.OnChanged(nullptr);
    DS_SafePtr<ZVI_Timing> t = old.MakeTimeline();
    if (t) timing.SetCurrentTimeline(t);
    timing.timeMode.SetValue(old.second.value);
    return true;
  }
  int32_t dataVersion = 0;
  ReadHeader(ar, &dataVersion);
  ReadDataRecord(ar, dataVersion);
  return true;
}

bool DS_ABObj_Constructor::ReadConstructorBase(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadHeader(ar, &version);
  return DS_ABObj_Constructor::ReadRecord(ar, version);
}

// ---------------------------------------------------------------------------

void ZVI_RenderObj::Render(DS_ABRender* context, int* counter) {
  if (NeedsBackground() != 0) context->BackgroundStep(counter, true);
  Draw(context);
}

ZVI_SmartTiming* ZVI_RenderObj::GetTiming() { return model ? &model->timing : nullptr; }

void ZVI_RenderObj::ResetTiming() {
  if (!model || model->resetFlag.value == 0) return;
  model->timing.Current()->Reset();
  model->ResetTime();
}

void ZVI_RenderObj::Restart() {
  if (!model) return;
  model->timing.lastTime = 0.0f;
  model->timing.localTime = 0.0f;
  model->timing.Current()->Reset();
  model->ResetTime();
}

void ZVI_RenderObj::UpdateTime(float tau) {
  ZVI_SmartTiming& timing = model->timing;
  float previous = timing.lastTime;
  timing.lastTime = tau;
  ZVI_Timing* timeline = timing.Current();
  timeline->Advance(tau);
  float dt = tau - previous;
  if ((timing.flags & kTimingFlagNoTimeScale) == 0 && timing.timeMode.value == kTimeModeScaledByVisibility) {
    dt = dt * timeline->GetVisibility();
  }
  timing.localTime += dt;
  Update(timing.localTime);
}

// ---------------------------------------------------------------------------

GuidObjectMap& GlobalObjectMap() {
  // Never destroyed: runtime objects held by static documents outlive it.
  static GuidObjectMap* map = new GuidObjectMap();
  return *map;
}

DS_ABObj* FindRuntimeObject(const GUID& guid) {
  GuidObjectMap& map = GlobalObjectMap();
  auto it = map.find(guid);
  return it == map.end() ? nullptr : it->second;
}

DS_ABObj::DS_ABObj(DS_ABObj_Constructor* ownedModel) {
  model = ownedModel;
  if (IsNullGuid(ownedModel->guid) || !ownedModel->guidValid) CoCreateGuid(&ownedModel->guid);
  GlobalObjectMap()[ownedModel->guid] = this;
}

DS_ABObj::~DS_ABObj() {
  GuidObjectMap& map = GlobalObjectMap();
  auto it = map.find(model->guid);
  // Another object registered later under the same GUID keeps its entry.
  if (it != map.end() && it->second == this) map.erase(it);
  delete model;
  model = nullptr;
}

// ---------------------------------------------------------------------------

std::unique_ptr<DS_ABObj_Constructor> ReadObject(DS_IOF_Archive& ar) {
  return ReadObjectOf<DS_ABObj_Constructor>(ar);
}

void ReadObjectList(DS_IOF_Archive& ar, ModelList* list) {
  // Every model record holds at least a class name and a version.
  uint32_t count = ar.ReadCount(8);
  for (uint32_t i = 0; i < count; ++i) list->push_back(ReadObject(ar));
}
