// Where the program puts its NMEA output when the device offers more or less.
#include "support/device_fixture.h"

#include <windows.h>

#include <fstream>

#include "core/flags.h"
#include "output/gps_output.h"
#include "output/output_thread.h"
#include "output/port_name.h"
#include "output/virtual_port.h"
#include "settings/message_list.h"

namespace {

using kelvane::testing::DeviceTest;

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

TEST_F(PortSearchTest, NothingOpensAfterARegistryFailureExplainsItself) {
  profile_["registry"]["refuseWrites"] = true;
  WriteProfile(profile_);
  HANDLE thread = CreateThread(nullptr, 0, OutputThread, nullptr, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  EXPECT_EQ(code, 1u);
  std::vector<std::pair<std::wstring, COLORREF>> shown;
  for (const MessageLine& line : StatusList().Lines()) shown.emplace_back(line.text, line.colour);
  const std::vector<std::pair<std::wstring, COLORREF>> expected = {
      {L"Cannot create virtual port.", kRed},
      {L"Please reboot device.", kBlack},
      {L"GPS driver is not supported.", kRed},
      {L"Help->ReadMe for more info.", kBlack},
  };
  EXPECT_EQ(shown, expected);
  EXPECT_FALSE(TestFlag(PortOpen));
  EXPECT_FALSE(TestFlag(DriverActive));
}

}  // namespace
