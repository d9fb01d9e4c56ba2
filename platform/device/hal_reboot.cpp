// The hardware layer's restart request (IOCTL_HAL_REBOOT).
#include "internal/device_restart.h"
#include "internal/device_root.h"
#include "internal/kernel_io_control.h"
#include "internal/last_error.h"
#include "internal/profile_value.h"

#include <unistd.h>

#include <cstdio>

namespace kelvane {

// A restart that succeeds does not return: the calling program goes with
// the device's memory. The profile's "rebootFails" makes the hardware layer
// refuse, as one that cannot restart the device does.
BOOL AnswerReboot(LPVOID, DWORD, LPVOID, DWORD, LPDWORD) {
  if (ReadFlag(MemberOf(Profile(), "rebootFails"), "rebootFails", false)) return Fail(ERROR_NOT_SUPPORTED, FALSE);
  std::fprintf(stderr, "device: restarting\n");
  std::fflush(nullptr);
  RestartDevice();
  std::fprintf(stderr, "device: restarted\n");
  _exit(0);
}

}  // namespace kelvane
