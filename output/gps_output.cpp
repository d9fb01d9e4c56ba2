#include "output/gps_output.h"

#include <string.h>

#include "output/nmea.h"
#include "output/registry_tree.h"
#include "settings/message_list.h"

namespace {

const WCHAR kDriversKey[] = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers";
const WCHAR kProgramDriverKey[] = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers\\Kelvane";
const WCHAR kPortsKey[] = L"Drivers\\KelvanePorts";
const WCHAR kDriverName[] = L"Kelvane";
// Under the program's driver key: the driver that was current before ours.
const WCHAR kPreviousDriverValue[] = L"PreviousDriver";

// Values are written from a zero-filled buffer of 128 characters, all of it,
// so each text is at most 127 characters.
constexpr size_t kValueChars = 128;
// "CurrentDriver" is saved only when it fits 129 characters and a terminator.
constexpr DWORD kSavedDriverLimit = 130 * sizeof(WCHAR);

LONG SetText(HKEY key, const WCHAR* name, const WCHAR* text) {
  WCHAR value[kValueChars] = {};
  wcsncpy(value, text, kValueChars - 1);
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
}

// Reads a text value of at most 129 characters into out (zero-filled, so
// always terminated); false and out emptied when there is none.
bool ReadSavedText(const WCHAR* path, const WCHAR* name, WCHAR* out) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    out[0] = L'\0';
    return false;
  }
  memset(out, 0, kSavedDriverLimit + sizeof(WCHAR));
  DWORD size = kSavedDriverLimit;
  DWORD type = 0;
  const bool read = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) == ERROR_SUCCESS &&
                    type == REG_SZ;
  RegCloseKey(key);
  if (!read) out[0] = L'\0';
  return read && out[0];
}

}  // namespace

GpsOutput::GpsOutput() {
  ReadSavedText(kDriversKey, L"CurrentDriver", saved_current_driver);
  // Our own name here means a run was killed before it could restore the
  // previous driver; that run kept it under its driver key.
  if (wcscmp(saved_current_driver, kDriverName) == 0) {
    ReadSavedText(kProgramDriverKey, kPreviousDriverValue, saved_current_driver);
    if (wcscmp(saved_current_driver, kDriverName) == 0) saved_current_driver[0] = L'\0';
  }
}

GpsOutput::~GpsOutput() {
  if (port_handle) CloseHandle(port_handle);
  if (device_handle) DeactivateDevice(device_handle);
  // A process that registered nothing (a second start) must not remove the
  // running instance's entries.
  if (!owns_registration_) return;
  if (!driver_file_path.empty()) DeleteFileW(driver_file_path.c_str());
  DeleteKeyWithTree(HKEY_LOCAL_MACHINE, kPortsKey);
  DeleteKeyWithTree(HKEY_LOCAL_MACHINE, kProgramDriverKey);
  if (saved_current_driver[0]) {
    HKEY drivers;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDriversKey, 0, KEY_ALL_ACCESS, &drivers) == ERROR_SUCCESS) {
      RegSetValueExW(drivers, L"CurrentDriver", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_current_driver),
                     static_cast<DWORD>((wcslen(saved_current_driver) + 1) * sizeof(WCHAR)));
      RegCloseKey(drivers);
    }
  }
}

void GpsOutput::TakeOverRegistration() {
  owns_registration_ = true;
  WCHAR stale_file[kSavedDriverLimit / sizeof(WCHAR) + 1] = {};
  if (ReadSavedText(kProgramDriverKey, L"File1", stale_file)) DeleteFileW(stale_file);
  DeleteKeyWithTree(HKEY_LOCAL_MACHINE, kPortsKey);
  DeleteKeyWithTree(HKEY_LOCAL_MACHINE, kProgramDriverKey);
}

int GpsOutput::RegisterDriverFile(const WCHAR* path) {
  if (!path) return 0;
  owns_registration_ = true;
  driver_file_path = path;
  bool registered = false;
  HKEY drivers;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDriversKey, 0, KEY_ALL_ACCESS, &drivers) == ERROR_SUCCESS) {
    HKEY driver;
    DWORD disposition;
    if (RegCreateKeyExW(drivers, kDriverName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &driver, &disposition) ==
        ERROR_SUCCESS) {
      // The previous driver is kept before "CurrentDriver" changes, so that
      // it survives a run that is killed.
      const bool previous = !saved_current_driver[0] ||
                            SetText(driver, kPreviousDriverValue, saved_current_driver) == ERROR_SUCCESS;
      const bool current = previous && SetText(drivers, L"CurrentDriver", kDriverName) == ERROR_SUCCESS;
      const bool file = SetText(driver, L"File1", path) == ERROR_SUCCESS;
      const bool friendly = SetText(driver, L"FriendlyName", L"Kelvane device") == ERROR_SUCCESS;
      const bool interface_type = SetText(driver, L"InterfaceType", L"File") == ERROR_SUCCESS;
      RegCloseKey(driver);
      registered = current && file && friendly && interface_type;
    }
    RegCloseKey(drivers);
  }
  if (registered) return 0;
  driver_file_path.clear();
  DiagnosticLog().Error(L"GPS driver, Can't access to registry");
  return -1;
}

int GpsOutput::WriteDriverFile(const Position& position) {
  if (driver_file_path.empty()) return -1;
  DiagnosticLog().AppendText(L"create gps file", kBlack);
  driver_file = _wfopen(driver_file_path.c_str(), L"w");
  if (!driver_file) {
    DiagnosticLog().Error(L"GPS, Can't create file");
    return -1;
  }
  const int result = WriteSentences(*this, position, false);
  fclose(driver_file);
  driver_file = nullptr;
  return result;
}

void GpsOutput::ClearDriverFile() {
  if (driver_file_path.empty()) return;
  DiagnosticLog().AppendText(L"clearing gps file", kBlack);
  if (FILE* file = _wfopen(driver_file_path.c_str(), L"w")) fclose(file);
}
