#include "devmgr/port_fixture.h"

#include <winreg.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kelvane::testing {

void PortTest::SetUp() {
  DeviceTest::SetUp();
  SetUpDevice();
}

void PortTest::SetUpDevice(const Json::Value& extra) {
  Json::Value profile = extra;
  profile["timeScale"] = 20;
  WriteProfile(profile);
}

void PortTest::TearDown() {
  TearDownActivations();
  DeviceTest::TearDown();
}

void PortTest::TearDownActivations() {
  for (HANDLE device : activated_) EXPECT_TRUE(DeactivateDevice(device));
  activated_.clear();
}

void PortTest::ForgetActivation(HANDLE device) {
  activated_.erase(std::remove(activated_.begin(), activated_.end(), device), activated_.end());
}

std::wstring PortTest::WritePortKey(DWORD index, const wchar_t* dll) {
  const std::wstring path = L"\\Drivers\\KelvanePorts\\" + std::to_wstring(index);
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return L"";
  const std::wstring prefix = L"COM", library = dll;
  RegSetValueExW(key, L"Dll", 0, REG_SZ, reinterpret_cast<const BYTE*>(library.c_str()),
                 static_cast<DWORD>((library.size() + 1) * sizeof(WCHAR)));
  RegSetValueExW(key, L"Prefix", 0, REG_SZ, reinterpret_cast<const BYTE*>(prefix.c_str()),
                 static_cast<DWORD>((prefix.size() + 1) * sizeof(WCHAR)));
  RegSetValueExW(key, L"Index", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&index), sizeof(index));
  RegCloseKey(key);
  return path;
}

HANDLE PortTest::Activate(DWORD index, const wchar_t* dll) {
  const std::wstring path = WritePortKey(index, dll);
  if (path.empty()) return INVALID_HANDLE_VALUE;
  HANDLE device = ActivateDevice(path.c_str(), 0);
  if (device != INVALID_HANDLE_VALUE && device != nullptr) activated_.push_back(device);
  return device;
}

HANDLE PortTest::OpenPort(const wchar_t* name, DWORD access) {
  return CreateFileW(name, access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

long PortTest::Write(HANDLE port, const std::string& bytes) {
  DWORD written = 0;
  if (!WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return -1;
  return static_cast<long>(written);
}

std::string PortTest::Read(HANDLE port, DWORD count) {
  std::vector<char> buffer(count);
  DWORD read = 0;
  if (!ReadFile(port, buffer.data(), count, &read, nullptr)) return "";
  return std::string(buffer.data(), read);
}

BOOL PortTest::SetTimeouts(HANDLE port, DWORD interval, DWORD multiplier, DWORD constant, DWORD write_multiplier,
                           DWORD write_constant) {
  COMMTIMEOUTS t = {interval, multiplier, constant, write_multiplier, write_constant};
  return SetCommTimeouts(port, &t);
}

}  // namespace kelvane::testing
