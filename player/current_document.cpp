#include "player/current_document.h"

#include "player/scene_object.h"
#include "player/slide_container.h"
#include "player/slide_show.h"

namespace {
DS_SlideShow_Light* g_document = nullptr;
}  // namespace

DS_SlideShow_Light* GetCurrentDocument() { return g_document; }
void SetCurrentDocument(DS_SlideShow_Light* document) { g_document = document; }

void GoToSlide(unsigned index) {
  DS_SlideShow_Light* doc = g_document;
  if (!doc || index >= doc->slides.size()) return;
  doc->nextSlideIndex = index;
  if (DS_SlideContainer* current = doc->CurrentSlide()) {
    for (auto& obj : current->updatedObjects)
      if (obj) obj->SetRunning(false);
    for (auto& obj : current->drawnObjects)
      if (obj) obj->SetRunning(false);
  }
  DS_SlideContainer* left = doc->CurrentSlide();
  doc->currentSlide = doc->slides[doc->nextSlideIndex];
  doc->LeaveSlide(left);
  doc->nextSlideIndex = index + 1 >= doc->slides.size() ? 0 : index + 1;
  doc->slideStartTime = doc->lastTime;
  doc->StartSlide();
}
