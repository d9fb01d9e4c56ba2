// The HAL's answers to KernelIoControl, one function per code. Each checks
// its own buffers and sets the last error when it fails.
#ifndef KELVANE_PLATFORM_KERNEL_IO_CONTROL_H
#define KELVANE_PLATFORM_KERNEL_IO_CONTROL_H

#include <windows.h>

namespace kelvane {

typedef BOOL (*KernelIoHandler)(LPVOID in, DWORD in_size, LPVOID out, DWORD out_size, LPDWORD returned);

// IOCTL_PROCESSOR_INFORMATION: the profile's processor.
BOOL AnswerProcessorInformation(LPVOID in, DWORD in_size, LPVOID out, DWORD out_size, LPDWORD returned);
// IOCTL_HAL_REBOOT: restarts the device (device_restart.h) and does not
// return; fails with ERROR_NOT_SUPPORTED when the profile's "rebootFails" says so.
BOOL AnswerReboot(LPVOID in, DWORD in_size, LPVOID out, DWORD out_size, LPDWORD returned);

}  // namespace kelvane

#endif
