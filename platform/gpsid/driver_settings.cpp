// The GPS Intermediate Driver's registry key.
#include "gpsid/driver_settings.h"

#include "internal/device_root.h"

#include <windows.h>
#include <winreg.h>

#include <algorithm>

namespace kelvane {
namespace {

const wchar_t kDriversKey[] = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers";

// A REG_SZ value up to its first terminator: programs write these values
// from zero-filled buffers larger than the text.
bool ReadText(HKEY key, const wchar_t* name, std::wstring* text) {
  WCHAR buffer[MAX_PATH];
  DWORD type = 0, size = sizeof(buffer);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  const size_t length = size / sizeof(WCHAR);
  text->assign(buffer, std::find(buffer, buffer + length, L'\0'));
  return true;
}

}  // namespace

bool CurrentDriverFile(std::wstring* device_path) {
  HKEY drivers = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDriversKey, 0, KEY_READ, &drivers) != ERROR_SUCCESS) return false;
  std::wstring current, interface_type;
  HKEY driver = nullptr;
  bool found = ReadText(drivers, L"CurrentDriver", &current) && !current.empty() &&
               RegOpenKeyExW(drivers, current.c_str(), 0, KEY_READ, &driver) == ERROR_SUCCESS;
  RegCloseKey(drivers);
  if (!found) return false;
  // The interface type is compared as the device compares registry names.
  found = ReadText(driver, L"InterfaceType", &interface_type) && SameTextIgnoringCase(interface_type, L"File") &&
          ReadText(driver, L"File1", device_path) && !device_path->empty();
  RegCloseKey(driver);
  return found;
}

}  // namespace kelvane
