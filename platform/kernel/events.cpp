// Events: manual and auto reset, optionally named within the process.
#include "internal/kernel_object.h"
#include "internal/last_error.h"

#include <map>
#include <string>

namespace kelvane {
namespace {

class EventObject : public WaitableObject {
 public:
  EventObject(bool manual_reset, bool initial) : manual_reset_(manual_reset), signalled_(initial) {}
  bool IsSignalled() const override { return signalled_; }
  void ConsumeSignal() override {
    if (!manual_reset_) signalled_ = false;
  }
  // Called with the wait lock held.
  void Set() { signalled_ = true; }
  void Reset() { signalled_ = false; }

 private:
  const bool manual_reset_;
  bool signalled_;
};

struct NamedEvents {
  std::mutex lock;
  std::map<std::wstring, std::weak_ptr<EventObject>> events;
};

NamedEvents& Names() {
  static auto* names = new NamedEvents;  // outlives static destructors
  return *names;
}

}  // namespace
}  // namespace kelvane

using namespace kelvane;

// ---- CreateEventW ----
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) {
  std::shared_ptr<EventObject> event;
  bool existed = false;
  if (lpName && *lpName) {
    NamedEvents& names = Names();
    std::lock_guard<std::mutex> guard(names.lock);
    auto& slot = names.events[lpName];
    event = slot.lock();
    existed = event != nullptr;
    if (!existed) slot = event = std::make_shared<EventObject>(bManualReset, bInitialState);
  } else {
    event = std::make_shared<EventObject>(bManualReset, bInitialState);
  }
  HANDLE handle = InsertHandle(event);
  if (handle) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

static BOOL ChangeEvent(HANDLE hEvent, bool set) {
  auto event = LookupHandleAs<EventObject>(hEvent);
  if (!event) return FALSE;
  WaitStateLock state;
  if (set) {
    event->Set();
    state.Signalled(*event);
  } else {
    event->Reset();
  }
  return TRUE;
}

// ---- SetEvent ----
BOOL WINAPI SetEvent(HANDLE hEvent) { return ChangeEvent(hEvent, true); }

// ---- ResetEvent ----
BOOL WINAPI ResetEvent(HANDLE hEvent) { return ChangeEvent(hEvent, false); }
