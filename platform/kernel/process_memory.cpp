// Reading process memory. Only the current process is known here, and of its
// address space only the simulated upper half (the kernel's, 0x80000000 up):
// the lower half is the host's, which the program never reads this way.
#include <windows.h>

#include "internal/address_space.h"
#include "internal/kernel_mode.h"
#include "internal/last_error.h"

#include <cstdint>

namespace {

// The device's pseudo handle of the calling process.
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(0x42));

}  // namespace

// ---- GetCurrentProcess ----
HANDLE WINAPI GetCurrentProcess(void) { return kCurrentProcess; }

// ---- ReadProcessMemory ----
BOOL WINAPI ReadProcessMemory(HANDLE hProcess, LPCVOID lpBaseAddress, LPVOID lpBuffer, DWORD nSize,
                              LPDWORD lpNumberOfBytesRead) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  if (hProcess != kCurrentProcess) return kelvane::Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!lpBuffer && nSize > 0) return kelvane::Fail(ERROR_INVALID_PARAMETER, FALSE);
  const auto address = reinterpret_cast<uintptr_t>(lpBaseAddress);
  // The kernel's half faults in user mode; a fault, like a gap, reads nothing.
  if (address < kelvane::kUpperHalfStart || !kelvane::ThreadInKernelMode()) return kelvane::Fail(ERROR_NOACCESS, FALSE);
  if (!kelvane::ReadDeviceMemory(address, lpBuffer, nSize)) return kelvane::Fail(ERROR_NOACCESS, FALSE);
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = nSize;
  return TRUE;
}
