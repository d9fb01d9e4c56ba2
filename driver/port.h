// The port's state: one device context per activated instance, one open
// context per open handle (at most two, cross-connected like the two ends of
// a null-modem cable).
//
// Lock rule: every member of a device context and of its open contexts is
// read and changed only with the device's lock held. Calls block only on an
// open context's events, with the lock left; after every wait they enter the
// lock again and check with IsOpen that their handle still exists.
#ifndef TAVREL_PORT_H
#define TAVREL_PORT_H

#include <windows.h>
#include <pegdser.h>

#include "context_table.h"

namespace tavrel {

struct OpenContext;

struct DeviceContext {
  Counted counted;
  CRITICAL_SECTION lock;
  LONG open_count;        // 0..2
  OpenContext* opens[2];  // in the order the handles were opened
  BOOL deinitialised;     // COM_Deinit ran: nothing opens any more
};

// The seven auto-reset events of an open context, in this order.
enum PortEvent {
  kRxEvent,       // bytes arrived (WaitCommEvent)
  kTxEvent,       // the peer took bytes (WaitCommEvent)
  kMaskChanged,   // SetCommMask, close or process exit: WaitCommEvent ends
  kRxData,        // bytes arrived (a blocked read)
  kReadAbort,     // a blocked read ends
  kTxSpace,       // the peer made room (a blocked write)
  kWriteAbort,    // a blocked write ends
  kEventCount
};

struct OpenContext {
  Counted counted;
  DeviceContext* device;
  OpenContext* peer;
  DWORD read_waiting;
  DWORD write_waiting;
  DCB dcb;
  DWORD input_queue_size;
  DWORD output_queue_size;
  SERIAL_DEV_STATUS status;
  COMMTIMEOUTS timeouts;
  COMMPROP properties;
  DWORD modem_status;
  DWORD event_mask;
  HANDLE events[kEventCount];
  BYTE* receive_buffer;
  DWORD receive_capacity;
  DWORD received_count;
  // A WaitCommEvent is blocked on this handle: a second one is refused, as a
  // second blocked read or write is, since one signal could end only one.
  DWORD mask_waiting;
};

const DWORD kDefaultQueueSize = 512;

// Open contexts (open_context.cpp). All but NewOpenContext and
// DestroyOpenContext are called with the device's lock held.

// A new open context of `device` with the defaults, a receive buffer of the
// default input queue size and its events; null with the last error set.
// It holds a pin on its device until it is destroyed.
OpenContext* NewOpenContext(DeviceContext* device);
// The `destroy` of an open context: events, buffer, the device's pin, memory.
void DestroyOpenContext(Counted* counted);
// Gives the receive buffer this capacity, keeping the oldest bytes that fit.
// FALSE, with the old buffer kept, when the memory cannot be had.
BOOL ResizeReceiveBuffer(OpenContext* open, ULONGLONG capacity);
// Whether the handle is still one of its device's open handles.
BOOL IsOpen(const OpenContext* open);
void Signal(OpenContext* open, PortEvent event);
void Reset(OpenContext* open, PortEvent event);
// Takes the signal of an event if it is set.
BOOL TakeSignal(OpenContext* open, PortEvent event);
// Ends every call blocked on the handle: waiting flags cleared, the
// mask-changed, read-abort and write-abort events signalled.
void AbortBlockedCalls(OpenContext* open);

}  // namespace tavrel

#endif
