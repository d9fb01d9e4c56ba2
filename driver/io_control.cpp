// The serial I/O controls that the platform's communication functions send.
// Settings are kept per handle and returned as stored; none changes the data.
#include <pkfuncs.h>

#include "handle_call.h"
#include "port.h"
#include "tavrel.h"

#include <string.h>

namespace tavrel {
namespace {

// The buffers one I/O control needs. A request whose buffer is missing or too
// short, or that answers a length and has nowhere to put it, fails with
// ERROR_INVALID_PARAMETER before anything is touched.
struct Buffers {
  PBYTE in;
  DWORD in_size;
  PBYTE out;
  DWORD out_size;
  PDWORD returned;

  bool HasInput(DWORD size) const { return in && in_size >= size; }
  bool HasOutput(DWORD size) const { return out && out_size >= size && returned; }
};

BOOL Answer(const Buffers& b, const void* value, DWORD size) {
  if (!b.HasOutput(size)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  memcpy(b.out, value, size);
  *b.returned = size;
  return TRUE;
}

BOOL Store(const Buffers& b, void* value, DWORD size) {
  if (!b.HasInput(size)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  memcpy(value, b.in, size);
  return TRUE;
}

// Whether a WaitCommEvent for EV_TXEMPTY is satisfied: the peer's buffer holds
// no more than the peer's own input queue.
bool TransmitEmpty(const OpenContext* open) {
  return !open->peer || open->peer->received_count <= open->peer->input_queue_size;
}

// IOCTL_SERIAL_WAIT_ON_MASK. Called with the device's lock held (through
// `call`); returns with it held.
BOOL WaitOnMask(HandleCall& call, const Buffers& b) {
  OpenContext* open = call.open();
  if (!b.HasOutput(sizeof(DWORD)) || open->read_waiting || open->write_waiting || open->mask_waiting) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD result = 0;
  for (;;) {
    // Looked at before every wait, not only the first: bytes that came in
    // while the previous wake-up was handled must not be missed.
    if ((open->event_mask & EV_RXCHAR) && open->received_count > 0) {
      result = EV_RXCHAR;
      break;
    }
    Reset(open, kRxEvent);
    Reset(open, kTxEvent);
    Reset(open, kMaskChanged);
    open->mask_waiting = TRUE;
    static const PortEvent kEvents[] = {kMaskChanged, kRxEvent, kTxEvent};
    const DWORD woke = call.Wait(kEvents, 3, INFINITE);
    if (woke == HandleCall::kClosed) return FALSE;
    open->mask_waiting = FALSE;
    if (woke == 0) {
      // SetCommMask, a close or the end of the owning process.
      SetLastError(ERROR_SUCCESS);
      return FALSE;
    }
    if (woke > 2) return FALSE;  // the wait itself failed; its error stands
    const bool rx = woke == 1 || TakeSignal(open, kRxEvent);
    const bool tx = woke == 2 || TakeSignal(open, kTxEvent);
    if (rx && (open->event_mask & EV_RXCHAR)) result |= EV_RXCHAR;
    if (tx && (open->event_mask & EV_TXEMPTY) && TransmitEmpty(open)) result |= EV_TXEMPTY;
    if (result) break;
  }
  memcpy(b.out, &result, sizeof(result));
  *b.returned = sizeof(result);
  return TRUE;
}

// IOCTL_SERIAL_SET_QUEUE_SIZE: the receive buffers of both handles follow the
// new sizes. A size whose buffer cannot be had stays as it was, and the
// request then fails.
BOOL SetQueueSize(OpenContext* open, const Buffers& b) {
  SERIAL_QUEUE_SIZES sizes;
  if (!Store(b, &sizes, sizeof(sizes))) return FALSE;
  OpenContext* peer = open->peer;
  if (sizes.cbInQueue != open->input_queue_size &&
      ResizeReceiveBuffer(open, ULONGLONG{sizes.cbInQueue} + (peer ? peer->output_queue_size : 0)))
    open->input_queue_size = sizes.cbInQueue;
  if (sizes.cbOutQueue != open->output_queue_size &&
      (!peer || ResizeReceiveBuffer(peer, ULONGLONG{peer->input_queue_size} + sizes.cbOutQueue)))
    open->output_queue_size = sizes.cbOutQueue;
  if (open->input_queue_size == sizes.cbInQueue && open->output_queue_size == sizes.cbOutQueue) return TRUE;
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return FALSE;
}

// Called with the device's lock held (through `call`).
BOOL Control(HandleCall& call, DWORD code, const Buffers& b) {
  OpenContext* open = call.open();
  switch (code) {
    case IOCTL_SERIAL_SET_BREAK_ON:
    case IOCTL_SERIAL_SET_BREAK_OFF:
    case IOCTL_SERIAL_SET_DTR:
    case IOCTL_SERIAL_CLR_DTR:
    case IOCTL_SERIAL_SET_RTS:
    case IOCTL_SERIAL_CLR_RTS:
    case IOCTL_SERIAL_SET_XOFF:
    case IOCTL_SERIAL_SET_XON:
    case IOCTL_SERIAL_IMMEDIATE_CHAR:
    case IOCTL_SERIAL_ENABLE_IR:
    case IOCTL_SERIAL_DISABLE_IR:
      return TRUE;  // there is no line to drive
    case IOCTL_SERIAL_GET_WAIT_MASK:
      return Answer(b, &open->event_mask, sizeof(DWORD));
    case IOCTL_SERIAL_SET_WAIT_MASK:
      if (!Store(b, &open->event_mask, sizeof(DWORD))) return FALSE;
      Signal(open, kMaskChanged);
      return TRUE;
    case IOCTL_SERIAL_WAIT_ON_MASK:
      return WaitOnMask(call, b);
    case IOCTL_SERIAL_GET_COMMSTATUS:
      return Answer(b, &open->status, sizeof(SERIAL_DEV_STATUS));
    case IOCTL_SERIAL_GET_MODEMSTATUS:
      return Answer(b, &open->modem_status, sizeof(DWORD));
    case IOCTL_SERIAL_GET_PROPERTIES:
      return Answer(b, &open->properties, sizeof(COMMPROP));
    case IOCTL_SERIAL_SET_TIMEOUTS:
      if (!Store(b, &open->timeouts, sizeof(COMMTIMEOUTS))) return FALSE;
      // New time-outs end a blocked read or write, which starts again under them.
      open->read_waiting = FALSE;
      open->write_waiting = FALSE;
      Signal(open, kReadAbort);
      Signal(open, kWriteAbort);
      return TRUE;
    case IOCTL_SERIAL_GET_TIMEOUTS:
      return Answer(b, &open->timeouts, sizeof(COMMTIMEOUTS));
    case IOCTL_SERIAL_PURGE:
      // Accepted; the buffers are kept, so nothing already sent is lost.
      if (!b.HasInput(sizeof(DWORD))) break;
      return TRUE;
    case IOCTL_SERIAL_SET_QUEUE_SIZE:
      return SetQueueSize(open, b);
    case IOCTL_SERIAL_GET_DCB:
      return Answer(b, &open->dcb, sizeof(DCB));
    case IOCTL_SERIAL_SET_DCB:
      return Store(b, &open->dcb, sizeof(DCB));
    case IOCTL_PSL_NOTIFY:
      // The owning process is ending: whatever it has blocked here ends.
      AbortBlockedCalls(open);
      return FALSE;
    default:
      SetLastError(ERROR_INVALID_FUNCTION);
      return FALSE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // namespace
}  // namespace tavrel

using namespace tavrel;

// ---- COM_IOControl ----
BOOL COM_IOControl(DWORD hOpenContext, DWORD dwCode, PBYTE pBufIn, DWORD dwLenIn, PBYTE pBufOut, DWORD dwLenOut,
                   PDWORD pdwActualOut) {
  HandleCall call(hOpenContext);
  if (!call.open()) return FALSE;
  return Control(call, dwCode, Buffers{pBufIn, dwLenIn, pBufOut, dwLenOut, pdwActualOut});
}
