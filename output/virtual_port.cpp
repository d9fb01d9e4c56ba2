#include "output/virtual_port.h"

#include "output/gps_output.h"
#include "output/port_name.h"
#include "settings/config_file.h"
#include "settings/settings.h"
#include "settings/message_list.h"

namespace {

constexpr DWORD kActivationRetryMs = 10;
constexpr DWORD kActivationLimitMs = 800;
constexpr int kComPorts = 20;
constexpr int kForeignPorts = 10;
constexpr int kMaxPortNumber = 100000000;

LONG SetText(HKEY key, const WCHAR* name, const WCHAR* text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR)));
}

void UsePortName(const WCHAR* prefix, int number) {
  wcsncpy(PortPrefix, prefix, 3);
  PortPrefix[3] = L'\0';
  PortNumber = number;
}

// The decimal number at the start of text: leading digits only, none gives
// 0, so a sign never makes a negative instance number. Digits beyond what
// an instance number can be are ignored.
int LeadingNumber(const WCHAR* text) {
  int number = 0;
  for (; *text >= L'0' && *text <= L'9' && number < kMaxPortNumber / 10; ++text) number = number * 10 + (*text - L'0');
  return number;
}

}  // namespace

int RegisterPortDriver(int n) {
  HKEY drivers;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Drivers", 0, KEY_ALL_ACCESS, &drivers) != ERROR_SUCCESS) return -1;
  bool written = false;
  HKEY ports;
  if (RegCreateKeyExW(drivers, L"KelvanePorts", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &ports, nullptr) ==
      ERROR_SUCCESS) {
    WCHAR number[16];
    swprintf(number, 16, L"%d", n);
    HKEY instance;
    if (RegCreateKeyExW(ports, number, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &instance, nullptr) == ERROR_SUCCESS) {
      WCHAR friendly[64];
      swprintf(friendly, 64, L"COM Port on COM%d", n);
      const DWORD index = static_cast<DWORD>(n);
      written = SetText(instance, L"Dll", L"Tavrel.dll") == ERROR_SUCCESS &&
                SetText(instance, L"FriendlyName", friendly) == ERROR_SUCCESS &&
                SetText(instance, L"Prefix", L"COM") == ERROR_SUCCESS &&
                RegSetValueExW(instance, L"Index", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&index),
                               sizeof index) == ERROR_SUCCESS;
      if (written) {
        RegFlushKey(instance);
        RegFlushKey(ports);
      }
      RegCloseKey(instance);
    }
    RegCloseKey(ports);
  }
  RegCloseKey(drivers);
  return written ? 0 : -1;
}

int CreateVirtualPort(const WCHAR* prefix, int n) {
  if (RegisterPortDriver(n) != 0) {
    DiagnosticLog().Error(L"GPS, Can't access to registry");
    return -1;
  }
  WCHAR key_path[64];
  swprintf(key_path, 64, L"\\Drivers\\KelvanePorts\\%d", n);
  GpsOutput& output = TheGpsOutput();
  const DWORD first_try = GetTickCount();
  for (;;) {
    output.device_handle = ActivateDevice(key_path, 0);
    if (output.device_handle && output.device_handle != INVALID_HANDLE_VALUE) break;
    output.device_handle = nullptr;
    Sleep(kActivationRetryMs);
    if (GetTickCount() - first_try > kActivationLimitMs) {
      DiagnosticLog().Error(L"GPS, ActivateDevice() failed");
      return -2;
    }
  }
  if (OpenPort(prefix, n) == 0) return 0;
  DeactivateDevice(output.device_handle);
  output.device_handle = nullptr;
  return -3;
}

int OpenPort(const WCHAR* prefix, int n) {
  WCHAR name[32];
  swprintf(name, 32, L"%ls%d:", prefix, n);
  HANDLE port = CreateFileW(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    WCHAR error[64];
    swprintf(error, 64, L"CreateFile( %ls ) failed", name);
    DiagnosticLog().Error(error);
    return -3;
  }
  TheGpsOutput().port_handle = port;
  return 0;
}

int OpenAnyPort() {
  int result = -2;
  WCHAR configured[64];
  if (ReadText(KEY_PORT, configured) && wcslen(configured) > 3) {
    WCHAR prefix[4] = {};
    wcsncpy(prefix, configured, 3);
    const int number = LeadingNumber(configured + 3);
    result = CreateVirtualPort(prefix, number);
    if (result == 0) {
      UsePortName(prefix, number);
      return 0;
    }
  }
  for (int n = 0; n < kComPorts; ++n) {
    result = CreateVirtualPort(L"COM", n);
    if (result == 0) {
      UsePortName(L"COM", n);
      return 0;
    }
  }
  for (int n = 0; n < kForeignPorts; ++n) {
    if (OpenPort(L"VSP", n) == 0) {
      UsePortName(L"VSP", n);
      return 0;
    }
  }
  return result;
}

