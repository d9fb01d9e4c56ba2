// Moving bytes between the two handles: COM_Write fills the peer's receive
// buffer, COM_Read empties the caller's own.
#include "handle_call.h"
#include "port.h"
#include "tavrel.h"

#include <string.h>

namespace tavrel {
namespace {

// count x multiplier + constant, as a wait in milliseconds; a product past 32
// bits means "as long as a wait can be" rather than wrapping to a short one.
DWORD TotalTimeout(DWORD count, DWORD multiplier, DWORD constant) {
  const ULONGLONG total = ULONGLONG{count} * multiplier + constant;
  return total >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(total);
}

// How long a read may wait for its first byte: 0 returns at once, INFINITE
// waits without limit.
DWORD ReadTimeout(const COMMTIMEOUTS& t, DWORD count) {
  if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD)
    return t.ReadTotalTimeoutConstant;
  // The platform's documented "return at once with what is there": an
  // interval of MAXDWORD with both totals 0.
  if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0)
    return 0;
  const DWORD total = TotalTimeout(count, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant);
  return total == 0 ? INFINITE : total;
}

// Copies what fits into the peer's receive buffer and wakes its reader.
// Called with the device's lock held.
DWORD CopyToPeer(HandleCall& call, OpenContext* peer, const BYTE* bytes, DWORD count) {
  const DWORD room = peer->receive_capacity - peer->received_count;
  const DWORD n = count < room ? count : room;
  if (n == 0) return 0;
  memcpy(peer->receive_buffer + peer->received_count, bytes, n);
  peer->received_count += n;
  // Only a call already waiting needs the signal: a call looks at the buffer
  // under the lock before it waits. A signal nobody waits for would cost a
  // kernel call per write for nothing.
  if (peer->mask_waiting) call.SignalAfterUnlock(peer, kRxEvent);
  if (peer->read_waiting) call.SignalAfterUnlock(peer, kRxData);
  return n;
}

// Time left of `limit` ms counted from `start`: INFINITE when there is no
// limit, 0 once it has run out.
DWORD TimeLeft(DWORD start, DWORD limit) {
  if (limit == INFINITE) return INFINITE;
  const DWORD elapsed = GetTickCount() - start;
  return elapsed >= limit ? 0 : limit - elapsed;
}

// Waits, with the device's lock released, for `ready` or `abort` on the
// caller's handle, its waiting flag raised meanwhile so that the other side
// signals. Returns as HandleCall::Wait does: 0 aborted, 1 ready, WAIT_TIMEOUT,
// or kClosed, and then the handle is gone and nothing of it is touched.
DWORD AwaitTransfer(HandleCall& call, DWORD OpenContext::*waiting, PortEvent abort, PortEvent ready, DWORD wait) {
  OpenContext* open = call.open();
  Reset(open, ready);
  Reset(open, abort);
  open->*waiting = TRUE;
  const PortEvent events[] = {abort, ready};
  const DWORD woke = call.Wait(events, 2, wait);
  if (woke != HandleCall::kClosed) open->*waiting = FALSE;
  return woke;
}

// Called with the device's lock held (through `call`); returns with it held.
DWORD Write(HandleCall& call, const BYTE* bytes, DWORD count) {
  OpenContext* open = call.open();
  if (open->write_waiting) {
    SetLastError(ERROR_INVALID_ACCESS);
    return TAVREL_FAILED;
  }
  const COMMTIMEOUTS& t = open->timeouts;
  const DWORD total = TotalTimeout(count, t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant);
  const DWORD limit = total == 0 ? INFINITE : total;
  // The clock is read only when there is a limit to keep.
  const DWORD start = limit != INFINITE ? GetTickCount() : 0;
  DWORD written = 0;
  for (;;) {
    // With no second handle the bytes go nowhere, as on an unplugged line.
    if (!open->peer) return count;
    written += CopyToPeer(call, open->peer, bytes + written, count - written);
    if (written == count) return count;
    const DWORD wait = TimeLeft(start, limit);
    if (wait == 0) break;
    const DWORD woke = AwaitTransfer(call, &OpenContext::write_waiting, kWriteAbort, kTxSpace, wait);
    if (woke == HandleCall::kClosed) return TAVREL_FAILED;
    if (woke == 0) return written;  // aborted: what was moved stays moved
    if (woke == WAIT_TIMEOUT) break;
    if (woke != 1) return TAVREL_FAILED;  // the wait itself failed; its error stands
    if (TakeSignal(open, kWriteAbort)) return written;
  }
  // Out of time. The bytes already moved are with the peer and cannot be
  // taken back, so the caller is told how many there were; only a write that
  // moved nothing fails.
  if (written > 0) return written;
  SetLastError(ERROR_TIMEOUT);
  return TAVREL_FAILED;
}

// Called with the device's lock held (through `call`); returns with it held.
DWORD Read(HandleCall& call, BYTE* bytes, DWORD count) {
  OpenContext* open = call.open();
  if (open->read_waiting) {
    SetLastError(ERROR_INVALID_ACCESS);
    return TAVREL_FAILED;
  }
  DWORD n = count < open->received_count ? count : open->received_count;
  if (n == 0) {
    const DWORD timeout = ReadTimeout(open->timeouts, count);
    if (timeout == 0) return 0;
    const DWORD start = GetTickCount();
    while (n == 0) {
      const DWORD wait = TimeLeft(start, timeout);
      if (wait == 0) return 0;
      const DWORD woke = AwaitTransfer(call, &OpenContext::read_waiting, kReadAbort, kRxData, wait);
      if (woke == HandleCall::kClosed) return TAVREL_FAILED;
      if (woke == 0) {
        // Ended by SetCommTimeouts or the end of the owning process.
        SetLastError(ERROR_SUCCESS);
        return TAVREL_FAILED;
      }
      if (woke == WAIT_TIMEOUT || TakeSignal(open, kReadAbort)) return 0;
      if (woke != 1) return TAVREL_FAILED;
      // A signal deferred past a writer's lock may land after the wait it
      // was meant for: a wake-up that finds nothing waits again for the
      // rest of the time.
      n = count < open->received_count ? count : open->received_count;
    }
  }
  memcpy(bytes, open->receive_buffer, n);
  open->received_count -= n;
  memmove(open->receive_buffer, open->receive_buffer + n, open->received_count);
  if (OpenContext* peer = open->peer) {
    if (peer->mask_waiting) call.SignalAfterUnlock(peer, kTxEvent);
    if (peer->write_waiting) call.SignalAfterUnlock(peer, kTxSpace);
  }
  return n;
}

}  // namespace
}  // namespace tavrel

using namespace tavrel;

// ---- COM_Write ----
// Returns the bytes written or TAVREL_FAILED. A write waits while the peer's
// buffer is full, up to the write time-out (none by default).
DWORD COM_Write(DWORD hOpenContext, LPCVOID pBuffer, DWORD Count) {
  if (Count == 0) return 0;
  HandleCall call(hOpenContext);
  if (!call.open()) return TAVREL_FAILED;
  if (!pBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return TAVREL_FAILED;
  }
  return Write(call, static_cast<const BYTE*>(pBuffer), Count);
}

// ---- COM_Read ----
// Returns as soon as any byte is there, with up to Count bytes; with nothing
// there it waits up to the read time-out (by default not at all) and returns 0.
DWORD COM_Read(DWORD hOpenContext, LPVOID pBuffer, DWORD Count) {
  if (Count == 0) return 0;
  HandleCall call(hOpenContext);
  if (!call.open()) return TAVREL_FAILED;
  if (!pBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return TAVREL_FAILED;
  }
  return Read(call, static_cast<BYTE*>(pBuffer), Count);
}
