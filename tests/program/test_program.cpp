// The program as a user meets it: started headless on a device, driven
// through the display's FIFO, closed as the shell closes it.
#include "support/device_fixture.h"
#include "support/program_runner.h"
#include "support/screen_dump.h"

#include <fstream>

namespace {

using namespace std::chrono_literals;
using kelvane::testing::DeviceTest;
using kelvane::testing::ProgramRun;
using kelvane::testing::QuorvanePath;
using kelvane::testing::ReadScreenDump;
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
};

TEST_F(ProgramTest, LogsVersionAndDeviceAndSavesTheModeAtExit) {
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(program.Send("command 40009")) << program.Output();  // Help > Log > Save To File
  EXPECT_TRUE(WaitUntil([&] { return LogFile().rfind("1.54\nTest Phone 3000\n", 0) == 0; }, 20s)) << LogFile();
  ASSERT_TRUE(program.Send("command 40008"));  // Help > Log > Show: the newest line at the bottom
  EXPECT_TRUE(ScreenShows("create gps file") || ScreenShows("r ") || ScreenShows("ERR: "));
  ASSERT_TRUE(program.Terminate());
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
  const std::string config = ReadHostFile("Program Files/Kelvane/config.ini");
  ASSERT_GE(config.size(), 16u) << config;
  EXPECT_EQ(config.substr(config.size() - 16), "Mode=1\nWiFiOn=1\n") << config;
}

TEST_F(ProgramTest, ASecondStartReturnsAtOnceWithoutAWindowOfItsOwn) {
  ProgramRun first(QuorvanePath(), root());
  ASSERT_TRUE(first.Send("key 0x26"));  // the window exists once the FIFO is read
  ScreenDump dump;
  ASSERT_TRUE(WaitUntil([&] { return ReadScreenDump(root(), &dump) && dump.window.pid == first.pid(); }, 20s));
  ProgramRun second(QuorvanePath(), root());
  EXPECT_EQ(second.Wait(20s), 0) << second.Output();
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  EXPECT_EQ(dump.window.pid, first.pid());
  EXPECT_EQ(first.Wait(0ms), -1);  // still running
  first.Terminate();
  EXPECT_EQ(first.Wait(30s), 0);
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
