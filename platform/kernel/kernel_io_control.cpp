// KernelIoControl: requests to the kernel and the OEM's hardware layer, one
// handler per code the device knows.
#include "internal/device_restart.h"
#include "internal/last_error.h"
#include "internal/profile_value.h"
#include "internal/device_root.h"

#include <pkfuncs.h>
#include <unistd.h>

#include <cstdio>

namespace kelvane {
namespace {

typedef BOOL (*KernelRequest)(LPVOID in, DWORD in_size, LPVOID out, DWORD out_size, LPDWORD returned);

// A restart that succeeds does not return: the calling program goes with
// the device's memory. The profile's "rebootFails" makes the hardware layer
// refuse, as one that cannot restart the device does.
BOOL Reboot(LPVOID, DWORD, LPVOID, DWORD, LPDWORD) {
  if (ReadFlag(MemberOf(Profile(), "rebootFails"), "rebootFails", false)) return Fail(ERROR_NOT_SUPPORTED, FALSE);
  std::fprintf(stderr, "device: restarting\n");
  std::fflush(nullptr);
  RestartDevice();
  std::fprintf(stderr, "device: restarted\n");
  _exit(0);
}

const struct {
  DWORD code;
  KernelRequest request;
} kRequests[] = {
    {IOCTL_HAL_REBOOT, Reboot},
};

}  // namespace
}  // namespace kelvane

using namespace kelvane;

// ---- KernelIoControl ----
// A code the device does not know fails with ERROR_NOT_SUPPORTED.
BOOL WINAPI KernelIoControl(DWORD dwIoControlCode, LPVOID lpInBuf, DWORD nInBufSize, LPVOID lpOutBuf,
                            DWORD nOutBufSize, LPDWORD lpBytesReturned) {
  for (const auto& entry : kRequests)
    if (entry.code == dwIoControlCode) return entry.request(lpInBuf, nInBufSize, lpOutBuf, nOutBufSize, lpBytesReturned);
  return Fail(ERROR_NOT_SUPPORTED, FALSE);
}
