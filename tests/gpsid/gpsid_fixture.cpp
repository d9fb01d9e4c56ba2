#include "gpsid/gpsid_fixture.h"

#include "gpsid/gps_intermediate_driver.h"

#include <winreg.h>

#include <cstring>

namespace kelvane::testing {

const char kBurst[] =
    "$GPGGA,120000.00,5530.0000,N,03730.0000,E,1,08,1.0,150.0,M,0.0,M,,*56\n"
    "$GPGLL,5530.0000,N,03730.0000,E,120000.00,A*03\n"
    "$GPGSA,A,3,01,02,03,04,05,06,07,08,,,,,1.8,1.0,1.5*36\n"
    "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,03,07,344,39,04,22,228,45*74\n"
    "$GPRMC,120000.00,A,5530.0000,N,03730.0000,E,0.0,0.0,311209,,*3C\n"
    "$GPVTG,0.0,T,,M,0.0,N,0.0,K*60\n";

namespace {

const wchar_t kDriversKey[] = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers";

void SetText128(HKEY key, const wchar_t* name, const std::wstring& text) {
  WCHAR buffer[128] = {};
  ASSERT_LT(text.size(), 128u);
  std::wmemcpy(buffer, text.c_str(), text.size());
  ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(buffer), sizeof(buffer)),
            ERROR_SUCCESS);
}

}  // namespace

std::string OfferedBurst() {
  std::string offered;
  for (const char* c = kBurst; *c; ++c) offered += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
  return offered;
}

void GpsidTest::SetUp() {
  DeviceTest::SetUp();
  SetUpDevice(Json::Value(Json::objectValue));
}

void GpsidTest::SetUpDevice(const Json::Value& extra) {
  Json::Value profile = extra;
  profile["timeScale"] = 20;
  if (!profile.isMember("gpsIntermediateDriver")) profile["gpsIntermediateDriver"]["port"] = "GPD0:";
  WriteProfile(profile);
}

void GpsidTest::TearDown() {
  StopGpsIntermediateDriver();
  DeviceTest::TearDown();
}

void GpsidTest::RegisterDriver(const std::wstring& name, const std::wstring& interface_type,
                               const std::wstring& file) {
  const std::wstring path = std::wstring(kDriversKey) + L"\\" + name;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  SetText128(key, L"File1", file);
  SetText128(key, L"FriendlyName", name + L" device");
  SetText128(key, L"InterfaceType", interface_type);
  RegCloseKey(key);
}

void GpsidTest::SetCurrentDriver(const std::wstring& name) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDriversKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  SetText128(key, L"CurrentDriver", name);
  RegCloseKey(key);
}

void GpsidTest::RegisterFileDriver() {
  RegisterDriver(L"Kelvane", L"File", L"\\windows\\gpsfile.dat");
  SetCurrentDriver(L"Kelvane");
}

void GpsidTest::WriteDeviceFile(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  EXPECT_EQ(written, text.size());
  CloseHandle(file);
}

HANDLE GpsidTest::OpenGps() {
  HANDLE port = CreateFileW(L"GPD0:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return port;
  COMMTIMEOUTS timeouts = {MAXDWORD, MAXDWORD, 200, 0, 0};
  EXPECT_TRUE(SetCommTimeouts(port, &timeouts));
  return port;
}

std::string GpsidTest::ReadFor(HANDLE port, DWORD device_ms, const std::string& until) {
  std::string got;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < device_ms && (until.empty() || got.find(until) == std::string::npos)) {
    char buffer[512];
    DWORD n = 0;
    if (!ReadFile(port, buffer, sizeof(buffer), &n, nullptr)) break;
    got.append(buffer, n);
  }
  return got;
}

void GpsidTest::ExpectNothingOffered(HANDLE port) {
  ReadFor(port, 2500);
  EXPECT_EQ(ReadFor(port, 3000), "");
}

}  // namespace kelvane::testing
