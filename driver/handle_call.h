// One call on an open handle, from entry to return: the open context is
// pinned and its device's lock held for the whole call, except while the call
// waits. The destructor leaves the lock and then unpins, so a context that
// was closed meanwhile is freed only once no device lock is held.
#ifndef TAVREL_HANDLE_CALL_H
#define TAVREL_HANDLE_CALL_H

#include "port.h"

namespace tavrel {

class HandleCall {
 public:
  // Looks the number up; open() is null (ERROR_INVALID_HANDLE set) when it
  // names no open handle.
  explicit HandleCall(DWORD open_number);
  ~HandleCall();
  HandleCall(const HandleCall&) = delete;
  HandleCall& operator=(const HandleCall&) = delete;

  OpenContext* open() const { return open_; }

  // What Wait returns when the handle was closed while the call waited (the
  // last error is then ERROR_INVALID_HANDLE).
  static const DWORD kClosed = 0xFFFFFFFE;
  // Leaves the lock, waits up to `timeout` ms for the first of `events` and
  // enters the lock again. Returns the index in `events` of the event that
  // ended the wait (its signal taken), WAIT_TIMEOUT, or kClosed.
  DWORD Wait(const PortEvent* events, DWORD count, DWORD timeout);

  // Signals the event of `target` once the lock is left (before a wait, or
  // at the end of the call). A thread woken while the signaller still holds
  // the lock would only block on it again; waiters therefore take a wake-up
  // with nothing to do as a normal result and wait again.
  void SignalAfterUnlock(OpenContext* target, PortEvent event);

 private:
  // Sets the deferred events; called with the lock left. A handle closed
  // meanwhile makes SetEvent fail harmlessly, so the caller's last error is
  // kept.
  void FlushSignals();

  OpenContext* open_ = nullptr;
  HANDLE pending_[4] = {};
  DWORD pending_count_ = 0;
};

}  // namespace tavrel

#endif
