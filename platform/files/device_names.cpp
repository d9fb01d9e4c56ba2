// Device names in CreateFileW. No stream driver is loaded yet, so every
// device name is unknown, as on a device without that driver.
#include "internal/device_names.h"

#include "internal/last_error.h"

#include <cwchar>

namespace kelvane {

bool IsDeviceName(LPCWSTR name) {
  const size_t length = std::wcslen(name);
  return length > 1 && name[length - 1] == L':' && !std::wcschr(name, L'\\') && !std::wcschr(name, L'/');
}

HANDLE OpenDeviceName(LPCWSTR, DWORD, DWORD, DWORD) { return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE); }

}  // namespace kelvane
