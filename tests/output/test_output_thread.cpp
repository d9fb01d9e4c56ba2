// Where the program puts its NMEA output when the device offers more or less.
#include "support/device_fixture.h"
#include "support/registry_text.h"

#include <windows.h>

#include <fstream>

#include "core/app_state.h"
#include "core/flags.h"
#include "core/position.h"
#include "core/process_state.h"
#include "output/gps_output.h"
#include "output/output_thread.h"
#include "output/port_name.h"
#include "output/virtual_port.h"
#include "settings/message_list.h"

namespace {

using kelvane::testing::DeviceTest;
using kelvane::testing::RegistryText;
using ShownLines = std::vector<std::pair<std::wstring, COLORREF>>;

// Runs the output thread on a device where no output opens: its exit code
// must be 1; the status lines it leaves.
ShownLines StatusAfterAFailedStart() {
  HANDLE thread = CreateThread(nullptr, 0, OutputThread, nullptr, 0, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 600000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  EXPECT_EQ(code, 1u);
  ShownLines shown;
  for (const MessageLine& line : StatusList().Lines()) shown.emplace_back(line.text, line.colour);
  return shown;
}

class PortSearchTest : public DeviceTest {
 protected:
  Json::Value profile_;
  void SetUp() override {
    DeviceTest::SetUp();
    profile_["timeScale"] = 100;  // each failed activation waits 800 device ms
  }
  void Configure(const char* text) { std::ofstream(root() / "Program Files/Kelvane/config.ini") << text; }
  std::wstring PortName() { return std::wstring(PortPrefix) + std::to_wstring(PortNumber); }
};

TEST_F(PortSearchTest, AFreeConfiguredPortIsCreatedAtOnce) {
  WriteProfile(profile_);
  Configure("Port=COM7\n");
  ASSERT_EQ(OpenAnyPort(), 0);
  EXPECT_EQ(PortName(), L"COM7");
  EXPECT_NE(TheGpsOutput().port_handle, nullptr);
  HKEY key;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Drivers\\KelvanePorts\\0", 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(PortSearchTest, AThreeCharacterPortIsIgnored) {
  WriteProfile(profile_);
  Configure("Port=COM\n");
  ASSERT_EQ(OpenAnyPort(), 0);
  EXPECT_EQ(PortName(), L"COM0");
}

TEST_F(PortSearchTest, ExistingPortsAreSkipped) {
  for (const char* name : {"COM0:", "COM1:", "COM2:"}) profile_["ports"][name]["kind"] = "existing";
  WriteProfile(profile_);
  ASSERT_EQ(OpenAnyPort(), 0);
  EXPECT_EQ(PortName(), L"COM3");
  size_t failures = 0;
  for (const MessageLine& line : DiagnosticLog().Lines()) failures += line.text == L"ERR: GPS, ActivateDevice() failed";
  EXPECT_EQ(failures, 3u);
}

TEST_F(PortSearchTest, AForeignPortIsUsedWhenNoInstanceCanBeMade) {
  profile_["registry"]["refuseWrites"].append("HKEY_LOCAL_MACHINE\\Drivers");
  profile_["ports"]["VSP2:"]["kind"] = "foreign";
  WriteProfile(profile_);
  ASSERT_EQ(OpenAnyPort(), 0);
  EXPECT_EQ(PortName(), L"VSP2");
}

TEST_F(PortSearchTest, OnlyTheLeadingDigitsOfTheConfiguredPortCount) {
  WriteProfile(profile_);
  Configure("Port=COM-3\n");
  ASSERT_EQ(OpenAnyPort(), 0);
  EXPECT_EQ(PortName(), L"COM0");
  HKEY key;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Drivers\\KelvanePorts\\-3", 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(PortSearchTest, NothingOpensWithoutARegistryFailureSuggestsAPortPair) {
  for (int n = 0; n < 20; ++n) profile_["ports"]["COM" + std::to_string(n) + ":"]["kind"] = "existing";
  WriteProfile(profile_);  // and no GPS Intermediate Driver key to register in
  const ShownLines expected = {
      {L"Cannot create virtual port.", kRed},
      {L"Try VSPD to create port pair,", kBlack},
      {L"VSPX-COMY, X,Y - any numbers.", kBlack},
      {L"GPS driver is not supported.", kRed},
      {L"Help->ReadMe for more info.", kBlack},
  };
  EXPECT_EQ(StatusAfterAFailedStart(), expected);
}

TEST_F(PortSearchTest, NothingOpensAfterARegistryFailureExplainsItself) {
  profile_["registry"]["refuseWrites"] = true;
  WriteProfile(profile_);
  const ShownLines expected = {
      {L"Cannot create virtual port.", kRed},
      {L"Please reboot device.", kBlack},
      {L"GPS driver is not supported.", kRed},
      {L"Help->ReadMe for more info.", kBlack},
  };
  EXPECT_EQ(StatusAfterAFailedStart(), expected);
  EXPECT_FALSE(TestFlag(PortOpen));
  EXPECT_FALSE(TestFlag(DriverActive));
}

// The output thread on a device where both outputs open, until shut-down.
class OutputThreadTest : public PortSearchTest {
 protected:
  void SetUp() override {
    PortSearchTest::SetUp();
    WriteProfile(profile_);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kGpsDrivers, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    CreatePositionLock();
    WakeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  void TearDown() override {
    CloseHandle(WakeEvent);
    CloseHandle(StopEvent);
    DeletePositionLock();
    PortSearchTest::TearDown();
  }
  static constexpr const WCHAR* kGpsDrivers = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers";
};

TEST_F(OutputThreadTest, OpensBothOutputsSavesThePortAndStopsAtOnceWhateverThePeriod) {
  const DWORD period = 600000;  // ten device minutes
  GetAppState().settings.output_period = period;
  HANDLE thread = CreateThread(nullptr, 0, OutputThread, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  const DWORD start = GetTickCount();
  // Ten device minutes, as for the join below: at this scale one minute is
  // only 0.6 host seconds, which a loaded host may need to open both outputs.
  while (!TestFlag(DriverActive) && GetTickCount() - start < 600000) Sleep(10);
  ASSERT_TRUE(TestFlag(DriverActive));
  EXPECT_TRUE(TestFlag(PortOpen));
  EXPECT_NE(ReadHostFile("Program Files/Kelvane/config.ini").find("Port=COM0\n"), std::string::npos);
  const WCHAR kInstance[] = L"Drivers\\KelvanePorts\\0";
  EXPECT_EQ(RegistryText(kInstance, L"Dll"), L"Tavrel.dll");
  EXPECT_EQ(RegistryText(kInstance, L"FriendlyName"), L"COM Port on COM0");
  EXPECT_EQ(RegistryText(kInstance, L"Prefix"), L"COM");
  DWORD index = 99, size = sizeof index, type = 0;
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstance, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(key, L"Index", nullptr, &type, reinterpret_cast<BYTE*>(&index), &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(index, 0u);

  Sleep(1000);  // the loop is in its wait
  const DWORD stop_at = GetTickCount();
  SetFlag(Interrupt | StopRequest);
  SetEvent(WakeEvent);
  SetEvent(StopEvent);
  ASSERT_EQ(WaitForSingleObject(thread, 600000), WAIT_OBJECT_0);
  EXPECT_LT(GetTickCount() - stop_at, period / 2);  // not the rest of the period
  DWORD code = 99;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(thread);
  ASSERT_NE(WorkerThreadHandle, nullptr);  // stored before the loop; the join orders the read
  EXPECT_EQ(WaitForSingleObject(WorkerThreadHandle, 600000), WAIT_OBJECT_0);
  CloseHandle(WorkerThreadHandle);
  WorkerThreadHandle = nullptr;
}

}  // namespace
