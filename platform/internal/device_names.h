// Device names ("COM5:", "UIO1:", "VSP0:"): CreateFileW hands every name of
// that form to OpenDeviceName, the one place where the device manager routes
// opens to the stream driver that owns the name.
#ifndef KELVANE_PLATFORM_DEVICE_NAMES_H
#define KELVANE_PLATFORM_DEVICE_NAMES_H

#include <windows.h>

namespace kelvane {

// A name with no folder part that ends in ':'.
bool IsDeviceName(LPCWSTR name);

// Opens a device name with CreateFileW's arguments: a new handle, or
// INVALID_HANDLE_VALUE with the last error set.
HANDLE OpenDeviceName(LPCWSTR name, DWORD access, DWORD share, DWORD disposition);

}  // namespace kelvane

#endif
