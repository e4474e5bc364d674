#pragma once
// One slide: its timing, name, render context and scene objects. Read with
// the models in two lists; BuildRuntime turns them into runtime objects.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/io_item.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/zvi_string.h"
#include "player/render_context_base.h"
#include "player/scene_object.h"

class DS_IOF_Archive;

// Mode in which a slide stays until a link jumps.
constexpr int32_t kSlideModeUntilLink = 1;

class DS_SlideContainer : public DS_IOF_Item {
 public:
  DS_SlideContainer();
  ~DS_SlideContainer() override;
  DS_SlideContainer(const DS_SlideContainer&) = delete;
  DS_SlideContainer& operator=(const DS_SlideContainer&) = delete;

  void Write(DS_IOF_Archive& ar) const override {}
  // Drawn objects' models release their device objects, then the context.
  virtual void OnLostDevice();
  // Once the slide is no longer shown: its context's targets and the device
  // memory of its own device objects are let go (the objects stay).
  void ReleaseDeviceMemory();

  // The fields after the class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Builds the runtime objects from the models, then deletes the models.
  void BuildRuntime();
  // Draws the objects (the drawn-objects vector) over the background.
  void Render(RuntimeObjects& objects, int argument);
  // Updated-only objects first, then the drawn ones.
  void SetObjectsRunning(bool flag);
  void SetViewMode(int mode);

  int32_t Mode() const { return mode.value; }
  float FadeIn() const { return fadeIn.value; }
  float ShowTime() const { return showTime.value; }
  float FadeOut() const { return fadeOut.value; }
  DS_ABRender* RenderContext() const { return renderContext.get(); }

  MediaParamT<int> mode{0};
  ZVI_MediaFloat fadeIn;
  ZVI_MediaFloat fadeOut;
  ZVI_MediaFloat showTime;
  MediaParamT<int> second{0};
  MediaParamTB<zvi_string> name;
  DS_SafePtr<DS_2D_Light> renderContext;
  RuntimeObjects drawnObjects;
  RuntimeObjects updatedObjects;
  ModelList drawnModels;
  ModelList updatedModels;
};

// The slide readers: "DS_SlideContainer".
void RegisterSlideContainerReader();

// Gives the heap memory that slides let go of back to the system. It costs
// a few milliseconds, and memory given back is faulted in again when reused:
// during a show it is called a little after a slide change, not in the
// frame of the change.
void ReturnFreedHeapToSystem();
