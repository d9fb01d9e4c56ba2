// The device tool's installer as a user meets it: `kdevice install` onto a
// fresh device, the installed program started from its folder there, the
// reboot question answered Yes with that program running, and the removal.
#include "support/device_fixture.h"
#include "support/program_runner.h"
#include "support/program_screen.h"
#include "support/registry_text.h"
#include "support/screen_dump.h"

#include "internal/device_clock.h"

#include <windows.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using kelvane::testing::DeviceTest;
using kelvane::testing::ProgramRun;
using kelvane::testing::ReadScreenDump;
using kelvane::testing::RegistryText;
using kelvane::testing::SetRegistryText;
using kelvane::testing::ScreenDump;
using kelvane::testing::WaitForPaintedStatus;
using kelvane::testing::WaitUntil;

namespace fs = std::filesystem;

const WCHAR kDriversKey[] = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers";

class InstallerTest : public DeviceTest {
 protected:
  void Answer(const char* answer, double time_scale = 20) {
    Json::Value profile;
    profile["messageBoxAnswer"] = answer;
    profile["timeScale"] = time_scale;
    WriteProfile(profile);
  }
  // Runs `kdevice VERB ROOT`; its exit code, its output in *output.
  int Kdevice(const std::string& verb, std::string* output) {
    const fs::path out = root() / "kdevice.out";
    const std::string command = std::string(KELVANE_BINARY_DIR) + "/tools/device_tool/kdevice " + verb + " '" +
                                root().string() + "' > '" + out.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    *output = ReadHostFile("kdevice.out");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The host files the build's package puts in the program's folder.
  std::vector<fs::path> PackageFilesInProgramFolder() {
    std::vector<fs::path> files;
    std::ifstream list(std::string(KELVANE_BINARY_DIR) + "/package.txt");
    std::string line;
    while (std::getline(list, line)) {
      std::stringstream fields(line);
      std::string kind, device_path, build_file;
      std::getline(fields, kind, '\t');
      std::getline(fields, device_path, '\t');
      std::getline(fields, build_file, '\t');
      if (kind != "file") continue;
      std::string name = device_path.substr(device_path.rfind('\\') + 1);
      if (fs::path(build_file).extension() == ".so") name += ".so";
      files.push_back(root() / "Program Files" / "Kelvane" / name);
    }
    return files;
  }
  fs::path InstalledProgram() { return root() / "Program Files" / "Kelvane" / "Quorvane.exe"; }
  std::wstring CurrentDriver() { return RegistryText(kDriversKey, L"CurrentDriver"); }
  void SetCurrentDriver(const WCHAR* name) { ASSERT_TRUE(SetRegistryText(kDriversKey, L"CurrentDriver", name)); }
  // Whether the process has mapped this host file (a module it loaded).
  static bool Maps(pid_t pid, const fs::path& file) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return text.str().find(file.string()) != std::string::npos;
  }
  std::string Registry() { return ReadHostFile("registry"); }
};

TEST_F(InstallerTest, TheInstalledProgramRunsFromItsFolderAndNoKeepsTheDeviceRunning) {
  Answer("IDNO");
  std::string report;
  ASSERT_EQ(Kdevice("install", &report), 0) << report;
  EXPECT_NE(report.find("Install_Exit returned 0; the device keeps running"), std::string::npos) << report;
  for (const auto& file : PackageFilesInProgramFolder()) EXPECT_TRUE(fs::is_regular_file(file)) << file;
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  ASSERT_EQ(dump.message_boxes.size(), 1u);
  EXPECT_EQ(dump.message_boxes[0].answer, IDNO);

  ProgramRun program(InstalledProgram(), root());
  const fs::path installed_driver = root() / "Program Files" / "Kelvane" / "Tavrel.dll.so";
  EXPECT_TRUE(WaitUntil([&] { return Maps(program.pid(), installed_driver); }, 20s)) << program.Output();
  EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(program.pid()) + "/exe"), InstalledProgram());
  // The driver loads before the window is up; SIGTERM closes the program as
  // the shell does only once it has its window, and ends it before.
  ASSERT_TRUE(WaitForPaintedStatus(root(), program.pid())) << program.Output();
  // A second installation replaces the files of the running program; No
  // leaves it running.
  ASSERT_EQ(Kdevice("install", &report), 0) << report;
  EXPECT_NE(report.find("over the installed one"), std::string::npos) << report;
  EXPECT_EQ(program.Wait(0ms), -1);
  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
}

TEST_F(InstallerTest, YesClosesTheRunningProgramThroughItsShutDownAndRestartsTheTickCount) {
  Answer("IDNO");
  std::string report;
  ASSERT_EQ(Kdevice("install", &report), 0) << report;
  SetCurrentDriver(L"ReceiverOne");
  ProgramRun program(InstalledProgram(), root());
  const auto registered = [&] {
    return CurrentDriver() == L"Kelvane" && Registry().find("KelvanePorts\\") != std::string::npos;
  };
  ASSERT_TRUE(WaitUntil(registered, 20s)) << program.Output();
  // The start-up registers before the window is on the device, where the
  // restart looks for the programs it closes.
  ASSERT_TRUE(WaitForPaintedStatus(root(), program.pid())) << program.Output();
  // The device has been up for a minute of host time.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  std::ofstream(root() / "clock") << "boot=" << std::chrono::duration_cast<std::chrono::milliseconds>(now - 60s).count()
                                  << "\n";
  // At host speed the shell's grace for closing is ample on a loaded host.
  Answer("IDYES", 1);
  const uint64_t before = kelvane::DeviceMilliseconds();
  ASSERT_GE(before, 60000u);
  ASSERT_EQ(Kdevice("install", &report), 0) << report;
  EXPECT_NE(report.find("device: restarted"), std::string::npos) << report;
  EXPECT_EQ(report.find("the device keeps running"), std::string::npos) << report;
  EXPECT_EQ(program.Wait(5s), 0) << program.Output();  // ended by its own shut-down
  EXPECT_EQ(CurrentDriver(), L"ReceiverOne");
  EXPECT_EQ(Registry().find("KelvanePorts\\"), std::string::npos) << Registry();
  EXPECT_FALSE(fs::exists(root() / "display" / "windows"));
  kelvane::ReloadDeviceClock();
  EXPECT_LT(kelvane::DeviceMilliseconds(), before);
  // What is stored stays.
  EXPECT_TRUE(fs::is_regular_file(InstalledProgram()));
}

// The box waits for injected input; the running program reads the device's
// input and hands the answer to the installer, whose box it is.
TEST_F(InstallerTest, TheQuestionWaitsForAnInjectedAnswer) {
  Answer("IDNO");
  std::string report;
  ASSERT_EQ(Kdevice("install", &report), 0) << report;
  ProgramRun program(InstalledProgram(), root());
  ASSERT_TRUE(program.Send("key 0x26"));  // the program reads the input now
  // Shown after the installer's window, the program's would cover the box.
  ASSERT_TRUE(WaitForPaintedStatus(root(), program.pid())) << program.Output();
  Answer("input");
  int result = -1;
  std::thread installer([&] { result = Kdevice("install", &report); });
  const auto asked = [&] {
    ScreenDump dump;
    return ReadScreenDump(root(), &dump) && dump.message_boxes.size() == 1 && dump.message_boxes[0].answer == 0;
  };
  EXPECT_TRUE(WaitUntil(asked, 20s));
  EXPECT_TRUE(program.Send("answer 5"));  // a button the box lacks changes nothing
  EXPECT_TRUE(program.Send("answer IDNO"));
  installer.join();
  EXPECT_EQ(result, 0) << report;
  EXPECT_NE(report.find("the device keeps running"), std::string::npos) << report;
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  ASSERT_EQ(dump.message_boxes.size(), 1u);
  EXPECT_EQ(dump.message_boxes[0].answer, IDNO);
  EXPECT_EQ(program.Wait(0ms), -1);
  program.Terminate();
  EXPECT_EQ(program.Wait(30s), 0) << program.Output();
}

// A person at the installer's terminal answers the question.
TEST_F(InstallerTest, OnATerminalDisplayAPersonAnswersTheQuestion) {
  Json::Value profile;
  profile["display"] = "terminal";
  profile["timeScale"] = 20;
  WriteProfile(profile);
  int terminal = -1;
  const pid_t installer = forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(installer, 0);
  if (installer == 0) {
    setenv("TERM", "xterm", 1);  // the keys below are xterm's
    const std::string kdevice = std::string(KELVANE_BINARY_DIR) + "/tools/device_tool/kdevice";
    execl(kdevice.c_str(), kdevice.c_str(), "install", root().c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string seen;
  const auto read_until = [&](const std::string& wanted) {
    char buffer[256];
    pollfd ready{terminal, POLLIN, 0};
    while (seen.find(wanted) == std::string::npos && poll(&ready, 1, 20000) == 1) {
      const ssize_t n = read(terminal, buffer, sizeof buffer);
      if (n <= 0) break;
      seen.append(buffer, static_cast<size_t>(n));
    }
    return seen.find(wanted) != std::string::npos;
  };
  // The installer's window makes the terminal the device's screen: the box
  // is drawn there, and F2 (the right soft key) answers with its last button.
  EXPECT_TRUE(read_until("[ No ]")) << seen;
  EXPECT_NE(seen.find(" Installation "), std::string::npos) << seen;
  ASSERT_EQ(write(terminal, "\x1bOQ", 3), 3);
  EXPECT_TRUE(read_until("installation done")) << seen;
  EXPECT_NE(seen.find("the device keeps running"), std::string::npos) << seen;
  int status = 0;
  EXPECT_EQ(waitpid(installer, &status, 0), installer);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  close(terminal);
}

TEST_F(InstallerTest, RemovalShowsNothingNeverRebootsAndLeavesTheProgramsOwnFiles) {
  Answer("IDNO");
  std::string report;
  EXPECT_EQ(Kdevice("uninstall", &report), 1) << report;  // nothing installed yet
  ASSERT_EQ(Kdevice("install", &report), 0) << report;
  std::ofstream(root() / "Program Files" / "Kelvane" / "config.ini") << "Mode=1\n";
  Answer("IDYES");
  const std::string clock = ReadHostFile("clock");
  fs::remove(root() / "screen.txt");
  ASSERT_EQ(Kdevice("uninstall", &report), 0) << report;
  EXPECT_NE(report.find("Uninstall_Exit returned 0"), std::string::npos) << report;
  for (const auto& file : PackageFilesInProgramFolder()) EXPECT_FALSE(fs::exists(file)) << file;
  EXPECT_TRUE(fs::is_regular_file(root() / "Program Files" / "Kelvane" / "config.ini"));
  EXPECT_TRUE(fs::is_empty(root() / "windows" / "AppMgr"));
  ScreenDump dump;  // a box shown would have been written to the screen
  EXPECT_TRUE(!ReadScreenDump(root(), &dump) || dump.message_boxes.empty());
  EXPECT_EQ(ReadHostFile("clock"), clock);
}

}  // namespace
