// What a killed program left under the device root goes when the next one
// starts: display ports of processes that are gone, the files of their
// bridges.
#include "devmgr/port_fixture.h"
#include "internal/leftovers.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using kelvane::testing::PortTest;
namespace fs = std::filesystem;

// The pid of a process that has ended.
pid_t EndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST_F(PortTest, DisplayPortsOfEndedProcessesAreRemoved) {
  const fs::path display = root() / "display";
  fs::create_directories(display);
  const fs::path dead = display / (std::to_string(EndedProcess()) + ".port");
  const fs::path alive = display / (std::to_string(getpid()) + ".port");
  const fs::path other = display / "windows";
  ASSERT_EQ(mkfifo(dead.c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(alive.c_str(), 0600), 0);
  std::ofstream(other) << "foreground 0x0\n";
  kelvane::RemoveDeadProcessPorts();
  EXPECT_FALSE(fs::exists(fs::symlink_status(dead)));
  EXPECT_TRUE(fs::exists(alive));
  EXPECT_TRUE(fs::exists(other));
}

TEST_F(PortTest, ABridgeStartRemovesWhatBridgesOfEndedProcessesLeft) {
  const fs::path dev = root() / "dev";
  fs::create_directories(dev);
  // A link whose terminal has closed.
  fs::create_symlink("/dev/pts/no-such-terminal", dev / "GPD0");
  std::ofstream(dev / "GPD0.tcp") << "127.0.0.1:10110\n";
  // A terminal that was closed and reused by another program since.
  fs::create_symlink("/dev/null", dev / "COM6");
  std::ofstream(dev / ".COM6.owner") << EndedProcess() << "\n";
  std::ofstream(dev / "COM6.tcp") << "127.0.0.1:10111\n";
  // The bridge of a process that still runs.
  fs::create_symlink("/dev/null", dev / "COM7");
  std::ofstream(dev / ".COM7.owner") << getpid() << "\n";
  Json::Value profile;
  profile["bridges"].append("COM5:");
  SetUpDevice(profile);
  ASSERT_NE(Activate(5), INVALID_HANDLE_VALUE);
  HANDLE program = OpenPort(L"COM5:");
  ASSERT_NE(program, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(fs::exists(dev / "COM5"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dev / "GPD0")));
  EXPECT_FALSE(fs::exists(dev / "GPD0.tcp"));
  for (const char* gone : {"COM6", "COM6.tcp", ".COM6.owner"}) EXPECT_FALSE(fs::exists(fs::symlink_status(dev / gone)));
  EXPECT_TRUE(fs::is_symlink(dev / "COM7"));
  EXPECT_TRUE(fs::exists(dev / ".COM7.owner"));
  EXPECT_TRUE(fs::exists(dev / ".COM5.owner"));
  CloseHandle(program);
  TearDownActivations();
  EXPECT_FALSE(fs::exists(dev / ".COM5.owner"));
}

}  // namespace
