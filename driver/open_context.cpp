// Open contexts: defaults, receive buffer and events.
#include "port.h"

#include <string.h>

namespace tavrel {
namespace {

void SetDefaults(OpenContext* open) {
  DCB& dcb = open->dcb;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = CBR_115200;
  dcb.fBinary = 1;
  dcb.fTXContinueOnXoff = 1;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.ErrorChar = 0x15;
  dcb.EofChar = 0x04;

  open->input_queue_size = kDefaultQueueSize;
  open->output_queue_size = kDefaultQueueSize;

  // Reads return at once with what is there; writes wait without limit.
  open->timeouts.ReadIntervalTimeout = MAXDWORD;
  open->timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;

  COMMPROP& prop = open->properties;
  prop.wPacketLength = sizeof(COMMPROP);
  prop.wPacketVersion = 1;
  prop.dwServiceMask = SP_SERIALCOMM;
  prop.dwMaxBaud = BAUD_USER;
  prop.dwProvSubType = PST_RS232;
  prop.dwProvCapabilities = PCF_PARITY_CHECK | PCF_TOTALTIMEOUTS;
  prop.dwSettableParams = SP_PARITY | SP_BAUD | SP_DATABITS | SP_STOPBITS | SP_HANDSHAKING | SP_PARITY_CHECK;
  prop.dwSettableBaud = BAUD_USER;
  prop.wSettableData = DATABITS_7 | DATABITS_8;
  prop.wSettableStopParity =
      STOPBITS_10 | STOPBITS_15 | STOPBITS_20 | PARITY_NONE | PARITY_ODD | PARITY_EVEN | PARITY_MARK | PARITY_SPACE;
}

// Frees what an open context holds; its fields may be partly filled.
void FreeOpenContext(OpenContext* open) {
  for (HANDLE event : open->events)
    if (event) CloseHandle(event);
  if (open->receive_buffer) LocalFree(open->receive_buffer);
  LocalFree(open);
}

}  // namespace

OpenContext* NewOpenContext(DeviceContext* device) {
  auto* open = static_cast<OpenContext*>(LocalAlloc(LPTR, sizeof(OpenContext)));
  if (!open) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  open->device = device;
  SetDefaults(open);
  open->receive_buffer = static_cast<BYTE*>(LocalAlloc(LPTR, open->input_queue_size));
  bool made = open->receive_buffer != nullptr;
  for (HANDLE& event : open->events) {
    if (!made) break;
    event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    made = event != nullptr;
  }
  if (!made) {
    FreeOpenContext(open);
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return nullptr;
  }
  open->receive_capacity = open->input_queue_size;
  AddPin(&device->counted);
  return open;
}

void DestroyOpenContext(Counted* counted) {
  auto* open = reinterpret_cast<OpenContext*>(counted);
  DeviceContext* device = open->device;
  FreeOpenContext(open);
  Unpin(&device->counted);
}

BOOL ResizeReceiveBuffer(OpenContext* open, ULONGLONG capacity) {
  // Queue sizes come from callers; a sum past 32 bits is refused rather than
  // wrapped to a small buffer.
  if (capacity > MAXDWORD) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  const DWORD size = static_cast<DWORD>(capacity);
  if (size != open->receive_capacity) {
    HLOCAL moved = LocalReAlloc(open->receive_buffer, size, LMEM_MOVEABLE);
    if (!moved) return FALSE;
    open->receive_buffer = static_cast<BYTE*>(moved);
  }
  open->receive_capacity = size;
  if (open->received_count > size) open->received_count = size;
  return TRUE;
}

BOOL IsOpen(const OpenContext* open) {
  const DeviceContext* device = open->device;
  for (LONG i = 0; i < device->open_count; ++i)
    if (device->opens[i] == open) return TRUE;
  return FALSE;
}

void Signal(OpenContext* open, PortEvent event) { SetEvent(open->events[event]); }
void Reset(OpenContext* open, PortEvent event) { ResetEvent(open->events[event]); }
BOOL TakeSignal(OpenContext* open, PortEvent event) {
  return WaitForSingleObject(open->events[event], 0) == WAIT_OBJECT_0;
}

void AbortBlockedCalls(OpenContext* open) {
  open->read_waiting = FALSE;
  open->write_waiting = FALSE;
  Signal(open, kMaskChanged);
  Signal(open, kReadAbort);
  Signal(open, kWriteAbort);
}

}  // namespace tavrel
