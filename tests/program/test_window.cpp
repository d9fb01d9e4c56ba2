// The main window as a user meets it on either kind of device: the soft
// keys, the menu and its check marks, the view switch, the help boxes and
// the web map. Each test runs the build the device's platform type names.
#include "support/device_fixture.h"
#include "support/program_runner.h"
#include "support/scenario_profile.h"
#include "support/screen_dump.h"

#include <fstream>

namespace {

using namespace std::chrono_literals;
using kelvane::testing::DeviceTest;
using kelvane::testing::ProgramRun;
using kelvane::testing::QuorvanePathFor;
using kelvane::testing::ReadScreenDump;
using kelvane::testing::ScenarioCell;
using kelvane::testing::ScenarioStep;
using kelvane::testing::ScreenDump;
using kelvane::testing::WaitUntil;

constexpr const char* kSoftKeyLeft = "key 0x70";
constexpr const char* kSoftKeyRight = "key 0x71";
constexpr const char* kUp = "key 0x26";
constexpr const char* kDown = "key 0x28";
constexpr const char* kEnter = "key 0x0d";

class WindowTest : public DeviceTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    profile_["platformType"] = GetParam();
    profile_["timeScale"] = 20;
    WriteProfile(profile_);
  }
  bool Touch() const { return GetParam() == "PocketPC"; }
  std::unique_ptr<ProgramRun> Start() { return std::make_unique<ProgramRun>(QuorvanePathFor(GetParam()), root()); }
  bool Send(ProgramRun& program, std::initializer_list<const char*> lines) {
    for (const char* line : lines)
      if (!program.Send(line)) return false;
    return true;
  }
  // Waits for a dump that satisfies the condition; the last one read is in *dump.
  bool ScreenUntil(const std::function<bool(const ScreenDump&)>& condition, ScreenDump* dump) {
    return WaitUntil([&] { return ReadScreenDump(root(), dump) && condition(*dump); }, 20s);
  }
  // Waits for the status view, whose "port:" line shows once the window is up.
  bool StatusShows(ScreenDump* dump) {
    return ScreenUntil([](const ScreenDump& d) { return d.FindRow("port:") >= 0; }, dump);
  }
  // Waits for the status and the soft-key bar: the bar is a window of its
  // own that paints apart from the status, after or before it.
  bool StatusAndSoftKeysShow(ScreenDump* dump) {
    return ScreenUntil(
        [](const ScreenDump& d) {
          return d.soft_keys.size() == 2 && d.FindRow("port:") >= 0 && d.FindRow("Quit") >= 0;
        },
        dump);
  }
  // Waits until the window has handled what was posted to it so far: the
  // start-up's check marks (its first paint may come before them), or the
  // command of a menu item (the menu closes before it is handled). Saving the
  // log is a command posted behind them, and the only writer of the log file.
  bool PostedMessagesHandled(ProgramRun& program) {
    const auto log = root() / "Program Files/Kelvane/log.txt";
    std::filesystem::remove(log);
    return program.Send("command 40009") && WaitUntil([&] { return std::filesystem::exists(log); }, 20s);
  }
  // Quits with the left soft key, or with the shell's close when the window has none.
  int Quit(ProgramRun& program, bool soft_keys = true) {
    if (soft_keys) program.Send(kSoftKeyLeft);
    else program.Terminate();
    return program.Wait(30s);
  }
  std::string ConfigAtExit() { return ReadHostFile("Program Files/Kelvane/config.ini"); }

  Json::Value profile_;
};

// Opens Menu > Help > Log with the keys, from a closed menu.
const std::initializer_list<const char*> kToLogMenu = {kSoftKeyRight, kUp, kEnter, kUp, kEnter};

TEST_P(WindowTest, SoftKeysSitUnderTheWindowOnATouchScreenAndOverItOnAKeypad) {
  auto program = Start();
  ScreenDump dump;
  ASSERT_TRUE(StatusAndSoftKeysShow(&dump)) << program->Output();
  EXPECT_EQ(dump.soft_keys, (std::vector<std::wstring>{L"Quit", L"Menu"}));
  EXPECT_EQ(dump.text[19].rfind("Quit", 0), 0u) << dump.text[19];
  EXPECT_EQ(dump.text[19].substr(dump.text[19].size() - 4), "Menu");
  ASSERT_TRUE(dump.has_window_rect);
  EXPECT_EQ(dump.window_rect.bottom, Touch() ? 19 : 20);
  // Only the touch-screen build hands its activation to the shell.
  if (Touch())
    EXPECT_GE(dump.shell_activations, 1);
  else
    EXPECT_EQ(dump.shell_activations, 0);
  EXPECT_EQ(Quit(*program), 0) << program->Output();
}

TEST_P(WindowTest, TheWindowShowsTheProgramsIconWithItsLargeAndSmallImage) {
  auto program = Start();
  ScreenDump dump;
  ASSERT_TRUE(StatusShows(&dump)) << program->Output();
  ASSERT_TRUE(dump.has_class_icon);
  EXPECT_EQ(dump.class_icon_id, 103u);
  EXPECT_EQ(dump.class_icon_images, (std::vector<ScreenDump::IconImage>{{32, 32, 16}, {16, 16, 16}}));
  EXPECT_EQ(Quit(*program), 0) << program->Output();
}

TEST_P(WindowTest, ShowSwitchesToTheLogAndBackWithItsCheckMarkAndTheOffsetReset) {
  auto program = Start();
  ScreenDump dump;
  ASSERT_TRUE(StatusShows(&dump)) << program->Output();
  ASSERT_TRUE(Send(*program, kToLogMenu));
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.FindMenuItem(L"Show") != nullptr; }, &dump));
  EXPECT_FALSE(dump.FindMenuItem(L"Show")->checked);
  ASSERT_TRUE(program->Send(kEnter));  // Show
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.menus.empty() && d.FindRow("port:") < 0; }, &dump));
  const int version_row = dump.FindRow("1.54");
  ASSERT_GE(version_row, 0) << "the log shows the version line";
  EXPECT_EQ(dump.text[version_row], "1.54");
  // Scrolled right, the log's lines move out to the left.
  ASSERT_TRUE(program->Send("key 0x27"));
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.FindRow("1.54") < 0 && d.FindRow("port:") < 0; }, &dump));
  // Show again: the status, then Show once more: the log from its first column.
  ASSERT_TRUE(Send(*program, kToLogMenu));
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.FindMenuItem(L"Show") != nullptr; }, &dump));
  EXPECT_TRUE(dump.FindMenuItem(L"Show")->checked);
  ASSERT_TRUE(program->Send(kEnter));
  ASSERT_TRUE(StatusShows(&dump));
  ASSERT_TRUE(program->Send("command 40008"));
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.FindRow("1.54") >= 0; }, &dump));
  EXPECT_EQ(dump.text[dump.FindRow("1.54")], "1.54");
  EXPECT_EQ(Quit(*program), 0) << program->Output();
}

TEST_P(WindowTest, DigitsSelectTheSourceOnlyInTheStatusView) {
  ScreenDump dump;
  {
    auto program = Start();
    ASSERT_TRUE(StatusShows(&dump)) << program->Output();
    ASSERT_TRUE(Send(*program, {"command 40008", "key 0x32", "key 0x62"}));  // "2" and numpad 2 in the log view
    ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.FindRow("1.54") >= 0; }, &dump));
    EXPECT_EQ(Quit(*program), 0) << program->Output();
    EXPECT_NE(ConfigAtExit().find("Mode=1\n"), std::string::npos) << ConfigAtExit();
  }
  auto program = Start();
  ASSERT_TRUE(StatusShows(&dump)) << program->Output();
  // Numpad 3 starts the modem search over the silent ports; quitting at once
  // must still end the worker in time and the program cleanly.
  ASSERT_TRUE(program->Send("key 0x63"));  // numpad 3 in the status view
  EXPECT_EQ(Quit(*program), 0) << program->Output();
  EXPECT_NE(ConfigAtExit().find("Mode=3\n"), std::string::npos) << ConfigAtExit();
}

TEST_P(WindowTest, KeepWifiOnTogglesTheSettingAndItsCheckMark) {
  auto program = Start();
  ScreenDump dump;
  // The check marks are set once start-up is done.
  ASSERT_TRUE(StatusShows(&dump)) << program->Output();
  ASSERT_TRUE(PostedMessagesHandled(*program));
  ASSERT_TRUE(Send(*program, {kSoftKeyRight, kDown, kEnter}));  // Menu > Options
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.FindMenuItem(L"Keep Wi-Fi On") != nullptr; }, &dump));
  EXPECT_TRUE(dump.FindMenuItem(L"Keep Wi-Fi On")->checked) << "WiFiOn is 1 by default";
  ASSERT_TRUE(program->Send(kEnter));
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.menus.empty(); }, &dump));
  ASSERT_TRUE(PostedMessagesHandled(*program));
  ASSERT_TRUE(Send(*program, {kSoftKeyRight, kDown, kEnter}));
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.FindMenuItem(L"Keep Wi-Fi On") != nullptr; }, &dump));
  EXPECT_FALSE(dump.FindMenuItem(L"Keep Wi-Fi On")->checked);
  ASSERT_TRUE(Send(*program, {"key 0x1b", "key 0x1b"}));  // closes the menu, level by level
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.menus.empty(); }, &dump));
  EXPECT_EQ(Quit(*program), 0) << program->Output();
  EXPECT_NE(ConfigAtExit().find("WiFiOn=0\n"), std::string::npos) << ConfigAtExit();
}

TEST_P(WindowTest, AboutAndReadMeShowTheirTextsAndAMissingReadMeShowsNothing) {
  auto program = Start();
  ScreenDump dump;
  ASSERT_TRUE(Send(*program, {"command 40014", "command 40013"}));  // ReadMe (missing), About
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return !d.message_boxes.empty(); }, &dump)) << program->Output();
  ASSERT_EQ(dump.message_boxes.size(), 1u) << "no box for the missing read-me";
  const std::wstring about = dump.message_boxes[0].text;
  EXPECT_EQ(dump.message_boxes[0].caption, L"About");
  EXPECT_NE(about.find(L"1.54"), std::wstring::npos);
  const std::wstring maker = L"http://kelvane.example.org/";
  EXPECT_EQ(about.substr(about.size() - maker.size()), maker) << "the maker's address ends the text";
  {
    std::ofstream(root() / "Program Files/Kelvane/readme.txt") << "Line one\nLine two\n";
  }
  ASSERT_TRUE(program->Send("command 40014"));
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.message_boxes.size() == 2; }, &dump));
  EXPECT_EQ(dump.message_boxes[1].text, L"Line one\nLine two\n");
  EXPECT_EQ(dump.message_boxes[1].caption, L"");
  EXPECT_EQ(dump.message_boxes[1].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(Quit(*program), 0) << program->Output();
}

TEST_P(WindowTest, TheWebMapOpensAtZeroBeforeAnyPosition) {
  auto program = Start();
  ASSERT_TRUE(Send(*program, {kSoftKeyRight, kEnter, kEnter}));  // Menu > Maps > the map
  EXPECT_TRUE(WaitUntil([&] { return !ReadHostFile("shell.log").empty(); }, 20s)) << program->Output();
  EXPECT_EQ(ReadHostFile("shell.log"), "Open http://wikimapia.org/#lat=0.000000&lon=0.000000&z=13\n");
  EXPECT_EQ(Quit(*program), 0) << program->Output();
}

TEST_P(WindowTest, TheWaitCursorShowsWhileASourceIsBusy) {
  auto program = Start();
  ScreenDump dump;
  ASSERT_TRUE(StatusShows(&dump)) << program->Output();
  // As a cell source posts them: MSG_BUSY, then MSG_IDLE with its result.
  auto post = [&](int message, int lparam) {
    std::ofstream port(root() / "display" / (std::to_string(program->pid()) + ".port"));
    port << "post " << std::hex << reinterpret_cast<uintptr_t>(dump.window.hwnd) << std::dec << " " << message
         << " 0 " << lparam << "\n";
  };
  post(0x464, 0);
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.cursor == "wait"; }, &dump));
  post(0x465, -1);
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.cursor == "none"; }, &dump));
  EXPECT_EQ(Quit(*program), 0) << program->Output();
}

TEST_P(WindowTest, WithoutAMenuBarTheWindowKeepsItsHeightAndKeysStillWork) {
  profile_["menuBarFails"] = true;
  WriteProfile(profile_);
  auto program = Start();
  ScreenDump dump;
  ASSERT_TRUE(StatusShows(&dump)) << program->Output();
  EXPECT_TRUE(dump.soft_keys.empty());
  EXPECT_EQ(dump.window_rect.bottom, 20);
  ASSERT_TRUE(Send(*program, {kSoftKeyRight, "key 0x30"}));  // no menu opens; "0" selects no source
  ASSERT_TRUE(ScreenUntil([](const ScreenDump& d) { return d.FindRow("device is not supported") >= 0; }, &dump));
  EXPECT_TRUE(dump.menus.empty());
  EXPECT_EQ(Quit(*program, false), 0) << program->Output();
}

// The worker waits 6 device seconds for the first service's name when Quit
// comes. Until the threads are joined the window stays on the device, so a
// second start still finds the running instance; the Russian cell has a second
// service, whose name an interrupted lookup must not wait for as well, or the
// join would run out and end the worker by force.
TEST_P(WindowTest, QuitDuringALookupKeepsTheWindowUntilTheWorkerIsJoined) {
  profile_["timeScale"] = 2;
  profile_["network"]["hostResolver"] = false;
  profile_["network"]["resolveDelayMs"] = 6000;
  profile_["scenario"]["steps"][0] = ScenarioStep(1000000, ScenarioCell(250, 1, 7712, 40031));
  WriteProfile(profile_);
  auto program = Start();
  ASSERT_TRUE(WaitUntil([&] { return ReadHostFile("connmgr.log").find("establish") != std::string::npos; }, 20s))
      << program->Output();
  ScreenDump dump;
  ASSERT_TRUE(ScreenUntil([&](const ScreenDump& d) { return d.window.pid == program->pid(); }, &dump));
  const HWND first_window = dump.window.hwnd;
  const DWORD quit_at = GetTickCount();
  ASSERT_TRUE(program->Send(kSoftKeyLeft));
  Sleep(1000);  // device time for the window to take the key and begin to shut down
  ProgramRun second(QuorvanePathFor(GetParam()), root());
  EXPECT_EQ(second.Wait(20s), 0) << "the second start found the first's window";
  EXPECT_EQ(program->Wait(0ms), -1) << "the first was still winding down";
  EXPECT_TRUE(IsWindow(first_window)) << "its window stays while it winds down";
  EXPECT_EQ(program->Wait(30s), 0) << program->Output();
  EXPECT_LT(GetTickCount() - quit_at, 10000u) << "the worker was joined, not ended by force";
  EXPECT_FALSE(IsWindow(first_window)) << "its window went with it";
}

// The program's resources mark it as aware of high-resolution screens, so
// the shell does not enlarge it: it lays out its status on the whole grid.
TEST_P(WindowTest, OnAHighResolutionScreenTheProgramDrawsOnTheWholeGrid) {
  profile_["displayColumns"] = 80;
  profile_["displayRows"] = 40;
  profile_["displayScale"] = 2;
  WriteProfile(profile_);
  auto program = Start();
  ScreenDump dump;
  ASSERT_TRUE(StatusAndSoftKeysShow(&dump)) << program->Output() << ReadHostFile("screen.txt");
  EXPECT_EQ(dump.window_rect.right, 80);
  EXPECT_EQ(dump.window_rect.bottom, Touch() ? 39 : 40);
  EXPECT_EQ(dump.text[39].rfind("Quit", 0), 0u) << dump.text[39];
  EXPECT_EQ(dump.text[39].substr(dump.text[39].size() - 4), "Menu");
  EXPECT_EQ(Quit(*program), 0) << program->Output();
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, WindowTest, ::testing::Values("PocketPC", "Smartphone"),
                         [](const auto& info) { return info.param == "PocketPC" ? "TouchScreen" : "Keypad"; });

}  // namespace
