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

// KernelIoControl codes of the hardware abstraction layer.
#define FILE_DEVICE_HAL 0x00000101
#define IOCTL_PROCESSOR_INFORMATION CTL_CODE(FILE_DEVICE_HAL, 25, METHOD_BUFFERED, FILE_ANY_ACCESS)
// Restarts the device; takes no buffers.
#define IOCTL_HAL_REBOOT CTL_CODE(FILE_DEVICE_HAL, 15, METHOD_BUFFERED, FILE_ANY_ACCESS)

// The answer to IOCTL_PROCESSOR_INFORMATION. 576 bytes on the device; larger
// here, where WCHAR is 4 bytes: callers pass sizeof(PROCESSOR_INFO).
typedef struct _PROCESSOR_INFO {
  WORD wVersion;
  WCHAR szProcessCore[40];
  WORD wCoreRevision;
  WCHAR szProcessorName[40];
  WORD wProcessorRevision;
  WCHAR szCatalogNumber[100];
  WCHAR szVendor[100];
  DWORD dwInstructionSet;
  DWORD dwClockSpeed;
} PROCESSOR_INFO, *PPROCESSOR_INFO;

BOOL WINAPI KernelIoControl(DWORD dwIoControlCode, LPVOID lpInBuf, DWORD nInBufSize, LPVOID lpOutBuf,
                            DWORD nOutBufSize, LPDWORD lpBytesReturned);

// Kernel mode and process permissions of the calling thread; each returns the
// previous value, so a caller can restore it.
BOOL WINAPI SetKMode(BOOL fMode);
DWORD WINAPI SetProcPermissions(DWORD newperms);

#endif
