#include "platform/win32/sync.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_set>

namespace {

struct EventObject {
  bool manualReset = false;
  bool signalled = false;
};

// One lock and one condition for every event keeps multi-object waits simple;
// the player has only a handful of events.
// Never destroyed: the mixer thread may still signal while statics go away.
std::mutex& Lock() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::condition_variable& Changed() {
  static std::condition_variable* cv = new std::condition_variable;
  return *cv;
}
std::unordered_set<EventObject*>& Live() {
  static std::unordered_set<EventObject*>* live = new std::unordered_set<EventObject*>;
  return *live;
}

EventObject* Find(HANDLE h) {
  auto* e = reinterpret_cast<EventObject*>(h);
  return Live().count(e) ? e : nullptr;
}

}  // namespace

HANDLE CreateEventW(void* security, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (security || name) return nullptr;
  auto* e = new EventObject;
  e->manualReset = manualReset != FALSE;
  e->signalled = initialState != FALSE;
  std::lock_guard<std::mutex> lock(Lock());
  Live().insert(e);
  return reinterpret_cast<HANDLE>(e);
}

BOOL SetEvent(HANDLE event) {
  {
    std::lock_guard<std::mutex> lock(Lock());
    EventObject* e = Find(event);
    if (!e) return FALSE;
    e->signalled = true;
  }
  Changed().notify_all();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  std::lock_guard<std::mutex> lock(Lock());
  EventObject* e = Find(event);
  if (!e) return FALSE;
  e->signalled = false;
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  EventObject* e;
  {
    std::lock_guard<std::mutex> lock(Lock());
    e = Find(handle);
    if (!e) return FALSE;
    Live().erase(e);
  }
  // Waiters on a closed handle wake and fail.
  Changed().notify_all();
  delete e;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) return WAIT_FAILED;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  std::unique_lock<std::mutex> lock(Lock());
  for (;;) {
    bool all = true;
    for (DWORD i = 0; i < count; ++i) {
      EventObject* e = Find(handles[i]);
      if (!e) return WAIT_FAILED;
      if (!e->signalled) {
        all = false;
      } else if (!waitAll) {
        if (!e->manualReset) e->signalled = false;
        return WAIT_OBJECT_0 + i;
      }
    }
    if (waitAll && all) {
      for (DWORD i = 0; i < count; ++i) {
        EventObject* e = Find(handles[i]);
        if (!e->manualReset) e->signalled = false;
      }
      return WAIT_OBJECT_0;
    }
    if (milliseconds == INFINITE) {
      Changed().wait(lock);
    } else if (Changed().wait_until(lock, deadline) == std::cv_status::timeout) {
      return WAIT_TIMEOUT;
    }
  }
}
