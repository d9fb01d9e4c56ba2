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
  ASSERT_TRUE(program.Send("command 40008")) << program.Output();  // Help > Log > Show
  EXPECT_TRUE(ScreenShows("1.54")) << program.Output();
  EXPECT_TRUE(ScreenShows("Test Phone 3000"));
  ASSERT_TRUE(program.Terminate());
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
  const std::string config = ReadHostFile("Program Files/Kelvane/config.ini");
  EXPECT_NE(config.find("Mode=1\nWiFiOn=1\n"), std::string::npos) << config;
  EXPECT_EQ(config.substr(config.size() - 16), "Mode=1\nWiFiOn=1\n") << config;
}

TEST_F(ProgramTest, ASecondStartReturnsAtOnceAndBringsTheFirstForward) {
  ProgramRun first(QuorvanePath(), root());
  ASSERT_TRUE(first.Send("key 0x26"));  // the window exists once the FIFO is read
  ScreenDump dump;
  ASSERT_TRUE(WaitUntil([&] { return ReadScreenDump(root(), &dump) && dump.window.pid == first.pid(); }, 20s));
  const int activations = dump.window.activations;
  ProgramRun second(QuorvanePath(), root());
  EXPECT_EQ(second.Wait(20s), 0) << second.Output();
  EXPECT_TRUE(WaitUntil(
      [&] { return ReadScreenDump(root(), &dump) && dump.window.activations > activations; }, 20s));
  first.Terminate();
  EXPECT_EQ(first.Wait(30s), 0);
}

TEST_F(ProgramTest, TheLogSavedByTheUserHoldsTheStartAndTheExitLine) {
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(program.Send("command 40009"));  // Help > Log > Save To File
  ASSERT_TRUE(WaitUntil([&] { return LogFile().find("1.54\nTest Phone 3000\n") != std::string::npos; }, 20s))
      << LogFile();
  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0);
}

TEST_F(ProgramTest, PressingZeroSelectsNoSourceAndTheStatusExplainsWhy) {
  ProgramRun program(QuorvanePath(), root());
  ASSERT_TRUE(program.Send("key 0x30"));
  EXPECT_TRUE(ScreenShows("GPS: Off"));
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
