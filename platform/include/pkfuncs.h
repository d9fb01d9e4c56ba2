// Kernel functions and codes for drivers and system programs.
#ifndef KELVANE_PKFUNCS_H
#define KELVANE_PKFUNCS_H

#include <windef.h>
#include <winioctl.h>

// The device manager tells a driver, through its I/O control entry point, that
// a process holding an open handle is ending, so blocked calls can end.
#define FILE_DEVICE_PSL 259
#define IOCTL_PSL_NOTIFY CTL_CODE(FILE_DEVICE_PSL, 255, METHOD_NEITHER, FILE_ANY_ACCESS)
#define DLL_PROCESS_EXITING 4

typedef struct _DEVICE_PSL_NOTIFY {
  DWORD dwSize;
  DWORD dwFlags;
  HANDLE hProc;
  HANDLE hThread;
} DEVICE_PSL_NOTIFY, *PDEVICE_PSL_NOTIFY;

// Requests to the kernel and the OEM's hardware layer.
KELVANE_EXTERN_C BOOL WINAPI KernelIoControl(DWORD dwIoControlCode, LPVOID lpInBuf, DWORD nInBufSize, LPVOID lpOutBuf,
                                             DWORD nOutBufSize, LPDWORD lpBytesReturned);

// The hardware layer's device type, from Windows CE's winioctl.h (the
// desktop one lacks it).
#ifndef FILE_DEVICE_HAL
#define FILE_DEVICE_HAL 0x00000101
#endif

// Restarts the device; takes no buffers.
#define IOCTL_HAL_REBOOT CTL_CODE(FILE_DEVICE_HAL, 15, METHOD_BUFFERED, FILE_ANY_ACCESS)

#endif
