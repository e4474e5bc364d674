#include "core/media_param.h"

#include <algorithm>

namespace {
UndoManager* g_undo_manager = nullptr;
}

UndoManager* GetUndoManager() { return g_undo_manager; }
void SetUndoManager(UndoManager* manager) { g_undo_manager = manager; }

MediaParam::~MediaParam() {
  std::list<MediaControl*> controls;
  controls.swap(controls_);
  for (MediaControl* c : controls)
    if (c) c->Detach();
}

void MediaParam::AddControl(MediaControl* control) { controls_.push_back(control); }

void MediaParam::RemoveControl(MediaControl* control) {
  if (!control) return;
  if (notify_depth_ > 0) {
    for (auto& c : controls_) {
      if (c == control) {
        c = nullptr;
        has_blanks_ = true;
      }
    }
    return;
  }
  controls_.remove(control);
}

void MediaParam::Notify(MediaControl* source) {
  ++notify_depth_;
  try {
    // Entries appended during the walk are reached as well; blanked ones are skipped.
    for (auto it = controls_.begin(); it != controls_.end(); ++it) {
      MediaControl* c = *it;
      if (c && c != source) c->OnChanged(source);
    }
  } catch (...) {
    if (--notify_depth_ == 0) Compact();
    throw;
  }
  if (--notify_depth_ == 0) Compact();
}

void MediaParam::Compact() {
  if (!has_blanks_) return;
  controls_.remove(nullptr);
  has_blanks_ = false;
}

std::vector<MediaControl*> MediaParam::Controls() const {
  std::vector<MediaControl*> out;
  for (MediaControl* c : controls_)
    if (c) out.push_back(c);
  return out;
}

size_t MediaParam::ControlCount() const {
  return static_cast<size_t>(std::count_if(controls_.begin(), controls_.end(), [](MediaControl* c) { return c; }));
}
