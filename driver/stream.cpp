// The instance's life: library entry point, Init, Deinit, Open, Close, Seek.
#include "handle_call.h"
#include "port.h"
#include "tavrel.h"

namespace tavrel {
namespace {

void DestroyDeviceContext(Counted* counted) {
  auto* device = reinterpret_cast<DeviceContext*>(counted);
  DeleteCriticalSection(&device->lock);
  LocalFree(device);
}

// Pairs a new handle with the one already open: each receives into a buffer of
// its own input queue size plus the other's output queue size. Called with the
// device's lock held.
BOOL Pair(OpenContext* existing, OpenContext* added) {
  if (!ResizeReceiveBuffer(added, ULONGLONG{added->input_queue_size} + existing->output_queue_size)) return FALSE;
  if (!ResizeReceiveBuffer(existing, ULONGLONG{existing->input_queue_size} + added->output_queue_size)) return FALSE;
  existing->peer = added;
  added->peer = existing;
  return TRUE;
}

// The survivor of a pair keeps only its own input queue, emptied; a writer
// blocked on it continues and, finding no peer, completes. Called with the
// device's lock held.
void Unpair(OpenContext* survivor) {
  survivor->peer = nullptr;
  survivor->received_count = 0;
  ResizeReceiveBuffer(survivor, survivor->input_queue_size);  // shrinking keeps the block when it cannot move
  Signal(survivor, kTxEvent);
  Signal(survivor, kTxSpace);
}

void RemoveFromOpens(DeviceContext* device, OpenContext* open) {
  LONG i = 0;
  while (device->opens[i] != open) ++i;
  for (; i + 1 < device->open_count; ++i) device->opens[i] = device->opens[i + 1];
  device->opens[--device->open_count] = nullptr;
}

}  // namespace
}  // namespace tavrel

using namespace tavrel;

// ---- DllMain ----
// The driver keeps no per-thread state, so thread notifications are turned off.
BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(reinterpret_cast<HMODULE>(hinstDLL));
  return TRUE;
}

// ---- COM_Init ----
// The registry context is not read: the port needs no settings.
DWORD COM_Init(LPCTSTR, LPCVOID) {
  auto* device = static_cast<DeviceContext*>(LocalAlloc(LPTR, sizeof(DeviceContext)));
  if (!device) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  InitializeCriticalSection(&device->lock);
  return Publish(&device->counted, kDeviceKind, DestroyDeviceContext);
}

// ---- COM_Deinit ----
// Calls still blocked on the instance's handles wake up, find their handle
// gone and fail with ERROR_INVALID_HANDLE; each context is freed when the last
// such call has left it, and the device context after its last open context.
BOOL COM_Deinit(DWORD hDeviceContext) {
  Counted* pinned = Pin(hDeviceContext, kDeviceKind);
  if (!pinned) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto* device = reinterpret_cast<DeviceContext*>(pinned);
  OpenContext* retired[2] = {nullptr, nullptr};
  EnterCriticalSection(&device->lock);
  device->deinitialised = TRUE;
  for (LONG i = 0; i < device->open_count; ++i) {
    OpenContext* open = device->opens[i];
    AbortBlockedCalls(open);
    open->peer = nullptr;
    if (Retire(&open->counted)) retired[i] = open;
    device->opens[i] = nullptr;
  }
  device->open_count = 0;
  const BOOL device_retired = Retire(&device->counted);
  LeaveCriticalSection(&device->lock);
  for (OpenContext* open : retired)
    if (open) Unpin(&open->counted);
  if (device_retired) Unpin(&device->counted);
  Unpin(&device->counted);
  return TRUE;
}

// ---- COM_Open ----
// Access and share mode do not matter: a port has exactly two ends.
DWORD COM_Open(DWORD hDeviceContext, DWORD, DWORD) {
  Counted* pinned = Pin(hDeviceContext, kDeviceKind);
  if (!pinned) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  auto* device = reinterpret_cast<DeviceContext*>(pinned);
  DWORD number = 0;
  EnterCriticalSection(&device->lock);
  if (device->deinitialised) {
    // Deinitialised between the look-up and the lock.
    SetLastError(ERROR_INVALID_HANDLE);
  } else if (device->open_count >= 2) {
    // A third opener of the same port name is always refused.
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
  } else if (OpenContext* open = NewOpenContext(device)) {
    if (device->open_count == 1 && !Pair(device->opens[0], open)) {
      DestroyOpenContext(&open->counted);
    } else {
      device->opens[device->open_count++] = open;
      number = Publish(&open->counted, kOpenKind, DestroyOpenContext);
    }
  }
  LeaveCriticalSection(&device->lock);
  Unpin(&device->counted);
  return number;
}

// ---- COM_Close ----
BOOL COM_Close(DWORD hOpenContext) {
  OpenContext* open;
  BOOL retired;
  {
    HandleCall call(hOpenContext);
    open = call.open();
    if (!open) return FALSE;
    AbortBlockedCalls(open);
    if (open->peer) Unpair(open->peer);
    open->peer = nullptr;
    RemoveFromOpens(open->device, open);
    retired = Retire(&open->counted);
  }
  // The context goes when the calls still blocked on it have left.
  if (retired) Unpin(&open->counted);
  return TRUE;
}

// ---- COM_Seek ----
// A serial port has no position.
DWORD COM_Seek(DWORD, long, WORD) { return TAVREL_FAILED; }
