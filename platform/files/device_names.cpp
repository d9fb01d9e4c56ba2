// Device names in CreateFileW; the device manager opens them
// (devmgr/activation.cpp).
#include "internal/device_names.h"

#include <cwchar>

namespace kelvane {

bool IsDeviceName(LPCWSTR name) {
  const size_t length = std::wcslen(name);
  return length > 1 && name[length - 1] == L':' && !std::wcschr(name, L'\\') && !std::wcschr(name, L'/');
}

}  // namespace kelvane
