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

 private:
  OpenContext* open_ = nullptr;
};

}  // namespace tavrel

#endif
