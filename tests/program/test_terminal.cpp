// The terminal display as a person uses it: the program runs in a terminal
// (a detached tmux session of the test's own), keys are typed into it and
// the terminal's contents are read back.
#include "support/device_fixture.h"
#include "support/program_runner.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>

namespace {

using namespace std::chrono_literals;
using kelvane::testing::DeviceTest;
using kelvane::testing::QuorvanePath;
using kelvane::testing::WaitUntil;

// Runs a shell command; its standard output.
std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  pclose(pipe);
  return out;
}

class TerminalTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (Shell("command -v tmux").empty()) GTEST_SKIP() << "tmux is not installed (tools/install-deps.sh)";
    Json::Value profile;
    profile["display"] = "terminal";
    profile["timeScale"] = 20;
    WriteProfile(profile);
    std::filesystem::copy_file(std::filesystem::path(KELVANE_BINARY_DIR) / "ui" / "readme.txt",
                               root() / "Program Files/Kelvane/readme.txt");
    tmux_ = "tmux -L kelvane-test-" + std::to_string(getpid()) + " ";
    const std::string program = "KELVANE_DEVICE_ROOT='" + root().string() + "' '" + QuorvanePath().string() +
                                "' 2>'" + (root() / "stderr.txt").string() + "'; echo EXIT=$?; sleep 600";
    Shell(tmux_ + "new-session -d -s phone -x 60 -y 26 \"" + program + "\"");
  }
  void TearDown() override {
    if (!tmux_.empty()) Shell(tmux_ + "kill-server 2>/dev/null");
    DeviceTest::TearDown();
  }
  void Press(const std::string& keys) { Shell(tmux_ + "send-keys -t phone " + keys); }
  std::string Screen() { return Shell(tmux_ + "capture-pane -p -t phone"); }
  bool Shows(const std::string& text) {
    return WaitUntil([&] { return Screen().find(text) != std::string::npos; }, 20s);
  }
  bool Hides(const std::string& text) {
    return WaitUntil([&] { return Screen().find(text) == std::string::npos; }, 20s);
  }

  std::string tmux_;
};

TEST_F(TerminalTest, APersonWalksTheMenuReadsTheBoxesAndQuitsWithF1) {
  ASSERT_TRUE(Shows("port: COM")) << Screen() << ReadHostFile("stderr.txt");
  ASSERT_TRUE(Shows("Quit                                Menu")) << Screen();
  EXPECT_EQ(Screen().rfind("\u2580\u2580 Kelvane", 0), 0u) << "the title row: the icon's mark, then the title";
  // Menu > Help > Log > Show: the log instead of the status.
  Press("F2");
  ASSERT_TRUE(Shows("Options")) << Screen();
  Press("Up Enter Up Enter");
  ASSERT_TRUE(Shows("Save To File")) << Screen();
  Press("Enter");
  ASSERT_TRUE(Hides("port: COM")) << Screen();
  ASSERT_TRUE(Shows("\n1.54\n")) << Screen();
  // And back.
  Press("F2 Up Enter Up Enter Enter");
  ASSERT_TRUE(Shows("port: COM")) << Screen();
  // Help > About, closed with Enter.
  Press("F2 Up Enter Enter");
  ASSERT_TRUE(Shows("kelvane.example.org")) << Screen();
  EXPECT_NE(Screen().find("[ OK ]"), std::string::npos);
  Press("Enter");
  ASSERT_TRUE(Hides("kelvane.example.org")) << Screen();
  // Help > ReadMe, closed with Escape.
  Press("F2 Up Enter Down Enter");
  ASSERT_TRUE(Shows("Kelvane makes your phone")) << Screen();
  Press("Escape");
  ASSERT_TRUE(Hides("Kelvane makes your phone")) << Screen();
  // A narrower terminal cuts the screen; a wider one shows it whole again.
  Shell(tmux_ + "resize-window -t phone -x 30 -y 26");
  ASSERT_TRUE(Hides("Menu")) << Screen();
  Shell(tmux_ + "resize-window -t phone -x 60 -y 26");
  ASSERT_TRUE(Shows("Quit                                Menu")) << Screen();
  Press("F1");
  EXPECT_TRUE(Shows("EXIT=0")) << Screen() << ReadHostFile("stderr.txt");
}

}  // namespace
