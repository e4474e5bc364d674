#include "core/media_param.h"

#include <algorithm>

namespace {
UndoManager* g_undo_manager = nullptr;
}

UndoManager* GetUndoManager() { return g_undo_manager; }
void SetUndoManager(UndoManager* manager) { g_undo_manager = manager; }

MediaParam::~MediaParam() {
  if (alive_flag_) *alive_flag_ = false;
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
  // A control may destroy this parameter (its owner) while being told; the
  // flag lets every walk in progress stop without touching freed memory.
  bool alive = true;
  bool* outer_flag = alive_flag_;
  alive_flag_ = &alive;
  ++notify_depth_;
  auto finish = [&] {
    if (!alive) {
      if (outer_flag) *outer_flag = false;
      return;
    }
    alive_flag_ = outer_flag;
    if (--notify_depth_ == 0) Compact();
  };
  try {
    // Entries appended during the walk are reached as well; blanked ones are skipped.
    for (auto it = controls_.begin(); it != controls_.end(); ++it) {
      MediaControl* c = *it;
      if (c && c != source) {
        c->OnChanged(source);
        if (!alive) break;
      }
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
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
