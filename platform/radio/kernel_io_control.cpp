// KernelIoControl: the codes this device's HAL answers. A code missing from
// the table is refused as the HAL refuses it, with ERROR_NOT_SUPPORTED.
#include <windows.h>
#include <pkfuncs.h>

#include "internal/kernel_io_control.h"
#include "internal/last_error.h"

namespace {

struct KernelIoCode {
  DWORD code;
  kelvane::KernelIoHandler handler;
};

const KernelIoCode kCodes[] = {
    {IOCTL_PROCESSOR_INFORMATION, kelvane::AnswerProcessorInformation},
    {IOCTL_HAL_REBOOT, kelvane::AnswerReboot},
};

}  // namespace

// ---- KernelIoControl ----
BOOL WINAPI KernelIoControl(DWORD dwIoControlCode, LPVOID lpInBuf, DWORD nInBufSize, LPVOID lpOutBuf,
                            DWORD nOutBufSize, LPDWORD lpBytesReturned) {
  for (const KernelIoCode& c : kCodes)
    if (c.code == dwIoControlCode) return c.handler(lpInBuf, nInBufSize, lpOutBuf, nOutBufSize, lpBytesReturned);
  return kelvane::Fail(ERROR_NOT_SUPPORTED, FALSE);
}
