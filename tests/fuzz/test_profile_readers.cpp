// Members of the wrong type in a hand-written device.json: every reader of
// the profile reports the member by its path on standard error and goes on
// with the documented default, instead of letting the JSON library throw.
#include <windows.h>
#include <connmgr.h>
#include <connmgr_status.h>
#include <ras.h>
#include <simmgr.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <cstring>
#include <json/reader.h>

#include <fstream>
#include <sstream>
#include <functional>
#include <string>
#include <vector>

#include "internal/device_clock.h"
#include "internal/device_root.h"
#include "internal/display.h"
#include "internal/profile_value.h"
#include "internal/scenario.h"
#include "radio/ril_test_support.h"
#include "support/device_fixture.h"

namespace kelvane::testing {
namespace {

class ProfileReadersTest : public DeviceTest {
 protected:
  // Puts the profile text in place and reads it again.
  void UseProfileText(const std::string& text) {
    std::ofstream(root() / "device.json", std::ios::binary | std::ios::trunc) << text;
    ReloadProfile();
    ReloadDeviceClock();
  }
};

struct Case {
  const char* profile;
  std::vector<const char*> reported;  // each must appear on standard error
  std::function<void()> expect_defaults;
};

// The record information of the card's IMSI file, as the program asks for it.
HRESULT ImsiRecordInfo(DWORD* size = nullptr) {
  HSIM sim = nullptr;
  HRESULT hr = SimInitialize(SIM_INIT_NONE, nullptr, 0, &sim);
  if (FAILED(hr)) return hr;
  SIMRECORDINFO info = {};
  info.cbSize = sizeof info;
  hr = SimGetRecordInfo(sim, 0x6F07, &info);
  if (size) *size = info.dwSize;
  SimDeinitialize(sim);
  return hr;
}

DWORD StatusOfNewConnection() {
  CONNMGR_CONNECTIONINFO info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.dwParams = CONNMGR_PARAM_GUIDDESTNET;
  info.guidDestNet = IID_DestNetInternet;
  HANDLE connection = nullptr;
  if (ConnMgrEstablishConnection(&info, &connection) != S_OK) return 0;
  DWORD status = 0;
  ConnMgrConnectionStatus(connection, &status);
  ConnMgrReleaseConnection(connection, 0);
  return status;
}

std::wstring SystemText(UINT action) {
  WCHAR text[128] = L"unset";
  return SystemParametersInfoW(action, sizeof text, text, 0) ? text : L"failed";
}

// connect to a loopback port nobody listens on: refused, unless the profile
// takes the device off the network.
int ConnectError() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return -1;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(1);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int result = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  const int error = result == 0 ? 0 : WSAGetLastError();
  closesocket(s);
  WSACleanup();
  return error;
}

TEST_F(ProfileReadersTest, AMemberOfTheWrongTypeIsReportedByPathAndItsDefaultUsed) {
  const Case cases[] = {
      {R"({"network": 5})", {"\"network\" must be an object"},
       [] {
         WSADATA data;
         EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
         WSACleanup();
       }},
      {R"({"network": {"wsaStartupFails": "yes", "connectFails": 1}})",
       {"\"network.wsaStartupFails\" must be true or false", "\"network.connectFails\""},
       [] { EXPECT_EQ(ConnectError(), WSAECONNREFUSED); }},
      {R"({"network": {"hostResolver": "no"}})", {"\"network.hostResolver\""},
       [] {
         WSADATA data;
         ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
         addrinfo* list = nullptr;
         EXPECT_EQ(getaddrinfo("localhost", "80", nullptr, &list), 0);
         if (list) freeaddrinfo(list);
         WSACleanup();
       }},
      {R"({"connectionManager": ["delayed"]})", {"\"connectionManager\" must be an object"},
       [] { EXPECT_EQ(StatusOfNewConnection(), static_cast<DWORD>(CONNMGR_STATUS_CONNECTED)); }},
      {R"({"connectionManager": {"mode": 3}})", {"\"connectionManager.mode\" must be text"},
       [] { EXPECT_EQ(StatusOfNewConnection(), static_cast<DWORD>(CONNMGR_STATUS_CONNECTED)); }},
      {R"({"connectionManager": {"mode": "delayed", "delayMs": -5}})", {"\"connectionManager.delayMs\""},
       [] { EXPECT_EQ(StatusOfNewConnection(), static_cast<DWORD>(CONNMGR_STATUS_CONNECTED)); }},
      {R"({"rasConnections": {"GPRS": true}})", {"\"rasConnections\" must be a list"},
       [] {
         RASCONN record = {};
         record.dwSize = sizeof record;
         DWORD bytes = sizeof record, count = 99;
         EXPECT_EQ(RasEnumConnections(&record, &bytes, &count), 0u);
         EXPECT_EQ(count, 0u);
       }},
      {R"({"sim": {"imsi": "250011234567890", "present": "yes", "failInitialize": 1, "failRecordInfo": "no",
                   "recordSize": "12"}})",
       {"\"sim.present\"", "\"sim.failInitialize\"", "\"sim.failRecordInfo\"", "\"sim.recordSize\""},
       [] {
         DWORD size = 0;
         EXPECT_EQ(ImsiRecordInfo(&size), S_OK);
         EXPECT_EQ(size, 9u);
       }},
      {R"({"sim": {"imsi": 250011234567890}})", {"\"sim.imsi\" must be text"},
       [] { EXPECT_NE(ImsiRecordInfo(), S_OK); }},
      {R"({"sim": "inserted"})", {"\"sim\" must be an object"},
       [] { EXPECT_EQ(ImsiRecordInfo(), SIM_E_SIMNOTINSERTED); }},
      {R"({"ril": {"refuseInitialize": "yes", "refuseInitializeFor": -1, "devSpecificDelay": "fast"}})",
       {"\"ril.refuseInitialize\"", "\"ril.refuseInitializeFor\"", "\"ril.devSpecificDelay\""},
       [] {
         RilLibrary ril;
         ASSERT_TRUE(ril.Load());
         HRIL handle = nullptr;
         EXPECT_EQ(ril.Initialize(1, [](DWORD, HRESULT, const void*, DWORD, DWORD) {}, nullptr, 0, 0, &handle), S_OK);
         if (handle) ril.Deinitialize(handle);
         FreeLibrary(ril.module);
       }},
      {R"({"missingModules": "ril.dll", "missingExports": {"ril.dll": "RIL_Initialize"}})",
       {"\"missingModules\" must be a list", "\"missingExports.ril.dll\" must be a list"},
       [] {
         HMODULE module = LoadLibraryW(L"ril.dll");
         ASSERT_NE(module, nullptr);
         EXPECT_NE(GetProcAddressW(module, L"RIL_Initialize"), nullptr);
         FreeLibrary(module);
       }},
      {R"({"language": "en", "oemInfo": 5, "platformType": ["Smartphone"]})",
       {"\"language\"", "\"oemInfo\" must be text", "\"platformType\" must be text"},
       [] {
         EXPECT_EQ(GetUserDefaultUILanguage(), 0x0409);
         EXPECT_EQ(SystemText(SPI_GETOEMINFO), L"");
         EXPECT_EQ(SystemText(SPI_GETPLATFORMTYPE), L"PocketPC");
       }},
      {R"({"language": 70000, "displayColumns": "wide", "displayRows": 0, "displayScale": 0})",
       {"\"language\" must be a whole number from 1 to 65535", "\"displayColumns\"", "\"displayRows\"",
        "\"displayScale\" must be a whole number from 1 to 4"},
       [] {
         EXPECT_EQ(GetUserDefaultUILanguage(), 0x0409);
         EXPECT_EQ(ScreenSize().cx, 40);
         EXPECT_EQ(ScreenSize().cy, 20);
       }},
      {R"({"registry": {"refuseWrites": "all"}})", {"\"registry.refuseWrites\" must be a list"},
       [] {
         HKEY key = nullptr;
         EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Typed", 0, nullptr, 0, 0, nullptr, &key, nullptr),
                   ERROR_SUCCESS);
         if (key) RegCloseKey(key);
       }},
      {R"({"timeScale": "fast", "tickStart": -1})", {"\"timeScale\" must be a number", "\"tickStart\""},
       [] {
         EXPECT_EQ(TimeScale(), 1.0);
         EXPECT_LT(DeviceMilliseconds(), 60000u);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    ::testing::internal::CaptureStderr();
    UseProfileText(c.profile);
    EXPECT_NO_THROW(c.expect_defaults());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    for (const char* text : c.reported) EXPECT_NE(errors.find(text), std::string::npos) << text << "\n" << errors;
  }
}

// The built-in ports are read once, when the device's name table is made.
TEST_F(ProfileReadersTest, PortsOfTheWrongShapeAreLeftOutAndTheRestOpen) {
  UseProfileText(R"({"ports": {"COM6:": {"kind": "existing"}, "COM7:": 5, "COM8:": {"kind": ["tty"]},
                                "COM9:": {"kind": "tty", "path": 7}},
                     "bridges": "COM6:"})");
  ::testing::internal::CaptureStderr();
  HANDLE good = CreateFileW(L"COM6:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  std::vector<HANDLE> bad;
  for (const wchar_t* name : {L"COM7:", L"COM8:", L"COM9:"})
    bad.push_back(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(good, INVALID_HANDLE_VALUE);
  if (good != INVALID_HANDLE_VALUE) CloseHandle(good);
  for (HANDLE h : bad) EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  for (const char* text : {"port COM7: has no usable kind", "\"ports.COM8:.kind\" must be text",
                           "\"ports.COM9:.path\" must be text", "\"bridges\" must be a list"})
    EXPECT_NE(errors.find(text), std::string::npos) << text << "\n" << errors;
}

// The registry seed is read once, when a new device's registry is made;
// the refused writes at every write.
TEST_F(ProfileReadersTest, ARegistrySectionThatIsNoObjectIsReportedAndTheBaseKeysRemain) {
  UseProfileText(R"({"registry": ["seed"]})");
  ::testing::internal::CaptureStderr();
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Drivers", 0, 0, &key), ERROR_SUCCESS);
  if (key) RegCloseKey(key);
  key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kept", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (key) RegCloseKey(key);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("\"registry\" must be an object"), std::string::npos) << errors;
}

// A problem read in a loop is said once per reading of the profile.
TEST_F(ProfileReadersTest, AProblemIsReportedOnceUntilTheProfileIsReadAgain) {
  UseProfileText(R"({"network": {"connectFails": "yes"}})");
  auto reports = [] {
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) ProfileFlag("network", "connectFails", false);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    size_t count = 0;
    for (size_t at = errors.find("connectFails"); at != std::string::npos; at = errors.find("connectFails", at + 1))
      ++count;
    return count;
  };
  EXPECT_EQ(reports(), 1u);
  ReloadProfile();
  EXPECT_EQ(reports(), 1u);
}

TEST_F(ProfileReadersTest, NumbersAreTakenOnlyWholeAndInRange) {
  Json::Value values;
  std::string errors;
  std::istringstream text(R"([1.5, -1, 1e30, 18446744073709551615, 4294967296, 7, "7", true])");
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), text, &values, &errors)) << errors;
  ::testing::internal::CaptureStderr();
  const std::vector<uint64_t> counts = {ReadCount(values[0], "a", 9),  ReadCount(values[1], "b", 9),
                                        ReadCount(values[2], "c", 9),  ReadCount(values[3], "d", 9),
                                        ReadCount(values[4], "e", 9, UINT32_MAX), ReadCount(values[5], "f", 9),
                                        ReadCount(values[6], "g", 9),  ReadCount(values[7], "h", 9)};
  const int64_t below = ReadInteger(values[1], "i", 3, 0, 10);
  const int64_t huge = ReadInteger(values[3], "j", 3, INT64_MIN, INT64_MAX);
  const double text_number = ReadNumber(values[6], "k", 2.5);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(counts, (std::vector<uint64_t>{9, 9, 9, UINT64_MAX, 9, 7, 9, 9}));
  EXPECT_EQ(below, 3);
  EXPECT_EQ(huge, 3);
  EXPECT_EQ(text_number, 2.5);
}

}  // namespace
}  // namespace kelvane::testing
