#include "player/slide_container.h"

#include <cmath>

#include <malloc.h>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "platform/d3d9/d3d9.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"

namespace {
// Times that are not numbers would make every slide-local time NaN.
float FiniteOrZero(float v) { return std::isfinite(v) ? v : 0.0f; }
}  // namespace

DS_SlideContainer::DS_SlideContainer() {
  fadeIn.SetValue(1.0f);
  fadeOut.SetValue(1.0f);
  showTime.SetValue(10.0f);
}

DS_SlideContainer::~DS_SlideContainer() = default;

void DS_SlideContainer::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 5) {
    uint32_t m = 0;
    float in = 1.0f, out = 1.0f, show = 10.0f;
    ar.ReadUInt(&m);
    ar.ReadFloat(&in);
    ar.ReadFloat(&out);
    ar.ReadFloat(&show);
    mode.SetValue(static_cast<int>(m));
    fadeIn.SetValue(FiniteOrZero(in));
    fadeOut.SetValue(FiniteOrZero(out));
    showTime.SetValue(FiniteOrZero(show));
  } else {
    uint32_t in = 1, out = 1, show = 10;
    ar.ReadUInt(&in);
    ar.ReadUInt(&out);
    ar.ReadUInt(&show);
    fadeIn.SetValue(static_cast<float>(in));
    fadeOut.SetValue(static_cast<float>(out));
    showTime.SetValue(static_cast<float>(show));
  }
  uint32_t s = 0;
  ar.ReadUInt(&s);
  second.SetValue(static_cast<int>(s));
  zvi_string n;
  ar.ReadWideString(&n);
  name.SetValue(n);

  uint32_t legacyPeriod = 1000;
  if (version >= 3 && version <= 5) {
    ar.ReadUInt(&legacyPeriod);
    if (version == 3) legacyPeriod *= 100;
  }

  std::unique_ptr<DS_2D_Light> context = ReadObjectOf<DS_2D_Light>(ar);
  renderContext = DS_SafePtr<DS_2D_Light>(context.release());

  ReadObjectList(ar, &drawnModels);
  if (version >= 1 && version <= 5) {
    for (auto& model : drawnModels) {
      if (model) model->timing.Current()->SetPeriod(legacyPeriod);
    }
  }
  if (version >= 2) ReadObjectList(ar, &updatedModels);
}

void DS_SlideContainer::BuildRuntime() {
  // Device objects made for the runtime objects belong to this slide.
  LosableOwnerScope owner(this);
  if (DS_ABRender* rc = RenderContext()) {
    rc->BeginSlide();
    QuadCorners unit;
    unit.SetRect(1.0f, 1.0f);
    rc->SetupView(unit);
  }
  RuntimeMap map;
  for (auto& model : drawnModels) {
    if (model) model->GetOrCreateRuntime(drawnObjects, map);
  }
  for (auto& obj : drawnObjects) {
    if (obj) obj->model->timing.Current()->ResolveLinks();
  }
  for (auto& model : updatedModels) {
    if (model) updatedObjects.push_back(DS_SafePtr<DS_ABObj>(model->CreateRuntime()));
  }
  drawnModels.clear();
  updatedModels.clear();
}

void DS_SlideContainer::Render(RuntimeObjects& objects, int argument) {
  DS_ABRender* rc = RenderContext();
  if (!rc) return;
  int n = 0;
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    if (*it) n += (*it)->NeedsBackground();
  }
  if (rc->NeedsClear()) n += 1;
  if (n > 0) {
    if (IDirect3DDevice9* device = CurrentDevice()) device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    rc->BeginBackgroundChain();
  }
  rc->ClearBackground(argument);
  rc->RenderObjects(objects, n);
}

void DS_SlideContainer::SetObjectsRunning(bool flag) {
  for (auto& obj : updatedObjects) {
    if (obj) obj->SetRunning(flag);
  }
  for (auto& obj : drawnObjects) {
    if (obj) obj->SetRunning(flag);
  }
}

void DS_SlideContainer::SetViewMode(int m) {
  if (DS_ABRender* rc = RenderContext()) rc->SetViewMode(m);
}

void DS_SlideContainer::ReleaseDeviceMemory() {
  if (DS_ABRender* rc = RenderContext()) rc->OnLostDevice();
  if (DS_DocResManager* manager = CurrentDocResManager()) {
    manager->ReleaseOwner(this);
    manager->ReleaseTargetSetsOf(this);
  }
}

void ReturnFreedHeapToSystem() { malloc_trim(0); }

void DS_SlideContainer::OnLostDevice() {
  for (auto& obj : drawnObjects) {
    if (obj && obj->model) obj->model->ReleaseDeviceObjects();
  }
  if (DS_ABRender* rc = RenderContext()) rc->OnLostDevice();
}

void RegisterSlideContainerReader() {
  RegisterReader<DS_SlideContainer, DS_SlideContainer>(u"DS_SlideContainer");
}
