#include "handle_call.h"

namespace tavrel {

HandleCall::HandleCall(DWORD open_number) {
  Counted* pinned = Pin(open_number, kOpenKind);
  if (!pinned) {
    SetLastError(ERROR_INVALID_HANDLE);
    return;
  }
  OpenContext* open = reinterpret_cast<OpenContext*>(pinned);
  EnterCriticalSection(&open->device->lock);
  // The number was still published, but a close or deinitialisation may have
  // taken the handle away before the lock was ours.
  if (!IsOpen(open)) {
    LeaveCriticalSection(&open->device->lock);
    Unpin(pinned);
    SetLastError(ERROR_INVALID_HANDLE);
    return;
  }
  open_ = open;
}

HandleCall::~HandleCall() {
  if (!open_) return;
  LeaveCriticalSection(&open_->device->lock);
  FlushSignals();
  Unpin(&open_->counted);
}

void HandleCall::SignalAfterUnlock(OpenContext* target, PortEvent event) {
  const HANDLE handle = target->events[event];
  for (DWORD i = 0; i < pending_count_; ++i)
    if (pending_[i] == handle) return;
  if (pending_count_ == sizeof(pending_) / sizeof(pending_[0])) {
    Signal(target, event);  // no room left to defer: signal now
    return;
  }
  pending_[pending_count_++] = handle;
}

void HandleCall::FlushSignals() {
  if (pending_count_ == 0) return;
  const DWORD error = GetLastError();
  for (DWORD i = 0; i < pending_count_; ++i) SetEvent(pending_[i]);
  pending_count_ = 0;
  SetLastError(error);
}

DWORD HandleCall::Wait(const PortEvent* events, DWORD count, DWORD timeout) {
  HANDLE handles[kEventCount];
  for (DWORD i = 0; i < count; ++i) handles[i] = open_->events[events[i]];
  // The pin keeps the context, its events and (through the context's own pin)
  // the device's lock alive while the lock is left.
  DeviceContext* device = open_->device;
  LeaveCriticalSection(&device->lock);
  FlushSignals();
  const DWORD result = WaitForMultipleObjects(count, handles, FALSE, timeout);
  EnterCriticalSection(&device->lock);
  if (!IsOpen(open_)) {
    // Pass the wake-up on, in case another call still waits on this handle.
    AbortBlockedCalls(open_);
    SetLastError(ERROR_INVALID_HANDLE);
    return kClosed;
  }
  if (result == WAIT_TIMEOUT) return WAIT_TIMEOUT;
  return result - WAIT_OBJECT_0;
}

}  // namespace tavrel
