// The program as a user meets it: started headless on a device, driven
// through the display's FIFO, closed as the shell closes it.
#include "support/device_fixture.h"
#include "support/program_runner.h"
#include "support/registry_text.h"
#include "support/screen_dump.h"

#include <signal.h>
#include <windows.h>

#include <fstream>

namespace {

using namespace std::chrono_literals;
using kelvane::testing::DeviceTest;
using kelvane::testing::ProgramRun;
using kelvane::testing::QuorvanePath;
using kelvane::testing::ReadScreenDump;
using kelvane::testing::RegistryText;
using kelvane::testing::SetRegistryText;
using kelvane::testing::ScreenDump;
using kelvane::testing::WaitUntil;

class ProgramTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    Json::Value profile;
    profile["oemInfo"] = "Test Phone 3000";
    profile["timeScale"] = 20;
    WriteProfile(profile);
  }
  // The screen, once it shows a row containing text.
  bool ScreenShows(const std::string& text, std::chrono::milliseconds limit = 20s) {
    return WaitUntil(
        [&] {
          ScreenDump dump;
          return ReadScreenDump(root(), &dump) && dump.FindRow(text) >= 0;
        },
        limit);
  }
  std::string LogFile() { return ReadHostFile("Program Files/Kelvane/log.txt"); }
  static void SetCurrentDriver(const WCHAR* name) {
    ASSERT_TRUE(SetRegistryText(kGpsDrivers, L"CurrentDriver", name));
  }
  static constexpr const WCHAR* kGpsDrivers = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers";
  static constexpr const WCHAR* kProgramDriver =
      L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers\\Kelvane";
};

TEST_F(ProgramTest, LogsVersionAndDeviceAndSavesTheModeAtExit) {
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(program.Send("command 40009")) << program.Output();  // Help > Log > Save To File
  EXPECT_TRUE(WaitUntil([&] { return LogFile().rfind("1.54\nTest Phone 3000\n", 0) == 0; }, 20s)) << LogFile();
  ASSERT_TRUE(program.Send("command 40008"));  // Help > Log > Show: the newest line at the bottom
  // The device's OEM text is a line of the diagnostic log only.
  EXPECT_TRUE(ScreenShows("Test Phone 3000"));
  ASSERT_TRUE(program.Terminate());
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
  const std::string config = ReadHostFile("Program Files/Kelvane/config.ini");
  ASSERT_GE(config.size(), 16u) << config;
  EXPECT_EQ(config.substr(config.size() - 16), "Mode=1\nWiFiOn=1\n") << config;
}

TEST_F(ProgramTest, ASecondStartReturnsAtOnceWithoutAWindowOfItsOwn) {
  SetCurrentDriver(L"GPSOne");
  ProgramRun first(QuorvanePath(), root());
  ASSERT_TRUE(first.Send("key 0x26"));  // the window exists once the FIFO is read
  ScreenDump dump;
  ASSERT_TRUE(WaitUntil([&] { return ReadScreenDump(root(), &dump) && dump.window.pid == first.pid(); }, 20s));
  ASSERT_TRUE(ScreenShows("driver: On")) << first.Output();
  ProgramRun second(QuorvanePath(), root());
  EXPECT_EQ(second.Wait(20s), 0) << second.Output();
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  EXPECT_EQ(dump.window.pid, first.pid());
  EXPECT_EQ(first.Wait(0ms), -1);  // still running
  // The first instance's outputs are still registered.
  EXPECT_EQ(RegistryText(kGpsDrivers, L"CurrentDriver"), L"Kelvane");
  EXPECT_EQ(RegistryText(kProgramDriver, L"InterfaceType"), L"File");
  EXPECT_EQ(RegistryText(L"Drivers\\KelvanePorts\\0", L"Dll"), L"Tavrel.dll");
  first.Terminate();
  EXPECT_EQ(first.Wait(30s), 0);
}

TEST_F(ProgramTest, AKilledRunThenTwoCleanRunsLeaveTheUsersPreviousDriver) {
  SetCurrentDriver(L"GPSOne");
  for (int run = 0; run < 3; ++run) {
    ProgramRun program(QuorvanePath(), root());
    ASSERT_TRUE(program.Send("key 0x26")) << run;
    ASSERT_TRUE(ScreenShows("driver: On")) << run << program.Output();
    if (run == 0) {
      kill(program.pid(), SIGKILL);
      program.Wait(30s);
      ASSERT_EQ(RegistryText(kGpsDrivers, L"CurrentDriver"), L"Kelvane");
      std::filesystem::remove(root() / "screen.txt");  // the next run's screen, not this one's
      continue;
    }
    ASSERT_TRUE(program.Terminate());
    EXPECT_EQ(program.Wait(30s), 0) << run << program.Output();
    std::filesystem::remove(root() / "screen.txt");
  }
  EXPECT_EQ(RegistryText(kGpsDrivers, L"CurrentDriver"), L"GPSOne");
  EXPECT_EQ(RegistryText(kProgramDriver, L"InterfaceType"), L"<no key>");
  EXPECT_EQ(RegistryText(L"Drivers\\KelvanePorts\\0", L"Dll"), L"<no key>");
}

TEST_F(ProgramTest, PressingZeroSelectsNoSourceAndTheStatusExplainsWhy) {
  // A radio with a cell but no way to the services: the reason is the connection.
  Json::Value profile;
  profile["timeScale"] = 20;
  profile["network"]["hostResolver"] = false;
  Json::Value cell;
  cell["mcc"] = 250;
  cell["mnc"] = 1;
  cell["lac"] = 7712;
  cell["cellId"] = 40031;
  profile["scenario"]["steps"][0]["duration"] = 1000000;
  profile["scenario"]["steps"][0]["serving"] = cell;
  WriteProfile(profile);
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(ScreenShows("no internet connection")) << program.Output();
  ASSERT_TRUE(program.Send("key 0x30"));
  EXPECT_TRUE(ScreenShows("device is not supported"));
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  const int row = dump.FindRow("GPS: Off");
  ASSERT_GE(row, 0);
  EXPECT_EQ(dump.At(row, 1).fg, 255u);  // red
  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0);
  EXPECT_NE(ReadHostFile("Program Files/Kelvane/config.ini").find("Mode=0\n"), std::string::npos);
}

}  // namespace
