// Tavrel, the virtual serial port: a stream-interface driver with the prefix
// COM. Each activated instance is one port name; the port can be open twice
// at once, and bytes written on one handle are read from the other.
//
// The device manager calls these entry points; the contexts are the driver's
// numbers, checked on every call (an unknown or closed one fails with
// ERROR_INVALID_HANDLE). Any thread may call any entry point, and a call
// blocked in a read, write or WaitCommEvent ends, without touching freed
// state, when its handle is closed or its instance deinitialised.
#ifndef TAVREL_TAVREL_H
#define TAVREL_TAVREL_H

#include <windows.h>

// Only these names leave the library (it is built with hidden visibility).
#define TAVREL_EXPORT extern "C" __attribute__((visibility("default")))

// What COM_Read, COM_Write and COM_Seek return on failure.
#define TAVREL_FAILED ((DWORD)-1)

TAVREL_EXPORT BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD dwReason, LPVOID lpvReserved);
TAVREL_EXPORT DWORD COM_Init(LPCTSTR pContext, LPCVOID lpvBusContext);
TAVREL_EXPORT BOOL COM_Deinit(DWORD hDeviceContext);
TAVREL_EXPORT DWORD COM_Open(DWORD hDeviceContext, DWORD AccessCode, DWORD ShareMode);
TAVREL_EXPORT BOOL COM_Close(DWORD hOpenContext);
TAVREL_EXPORT DWORD COM_Read(DWORD hOpenContext, LPVOID pBuffer, DWORD Count);
TAVREL_EXPORT DWORD COM_Write(DWORD hOpenContext, LPCVOID pBuffer, DWORD Count);
TAVREL_EXPORT DWORD COM_Seek(DWORD hOpenContext, long Amount, WORD Type);
TAVREL_EXPORT BOOL COM_IOControl(DWORD hOpenContext, DWORD dwCode, PBYTE pBufIn, DWORD dwLenIn, PBYTE pBufOut,
                                 DWORD dwLenOut, PDWORD pdwActualOut);

#endif
