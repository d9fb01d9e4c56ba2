// Kernel mode and process permissions. Both belong to the calling thread, as
// on the device: a thread that raises them does not raise them for others.
#include <windows.h>
#include <pkfuncs.h>

#include "internal/kernel_mode.h"

namespace {

thread_local BOOL t_kernel_mode = FALSE;
// A new thread may touch only its own process's slot.
thread_local DWORD t_permissions = 0x00000001;

}  // namespace

namespace kelvane {

bool ThreadInKernelMode() { return t_kernel_mode != FALSE; }

}  // namespace kelvane

// ---- SetKMode ----
BOOL WINAPI SetKMode(BOOL fMode) {
  const BOOL previous = t_kernel_mode;
  t_kernel_mode = fMode ? TRUE : FALSE;
  return previous;
}

// ---- SetProcPermissions ----
DWORD WINAPI SetProcPermissions(DWORD newperms) {
  const DWORD previous = t_permissions;
  t_permissions = newperms;
  return previous;
}
