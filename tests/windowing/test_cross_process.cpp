// Another program on the same device: FindWindowW finds its window,
// SetForegroundWindow reaches it, and its table entry goes with it.
#include "window_test.h"

#include "support/screen_dump.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using kelvane::testing::ReadScreenDump;
using kelvane::testing::ScreenDump;
using kelvane::testing::WindowTest;

constexpr const WCHAR* kHelperClass = L"KelvaneHelperClass";

// Another process's progress is waited for on the host clock, generously:
// it is a bound for a broken build, not a timing under test.
bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

class CrossProcessTest : public WindowTest {
 protected:
  void TearDown() override {
    if (helper_ > 0) {
      kill(helper_, SIGKILL);
      waitpid(helper_, nullptr, 0);
    }
    WindowTest::TearDown();
  }

  // Starts the helper program on this device and waits for its window.
  HWND StartHelper() {
    std::vector<std::string> env_text{"KELVANE_DEVICE_ROOT=" + root().string()};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("KELVANE_DEVICE_ROOT=", 0) != 0) env_text.push_back(*e);
    std::vector<char*> env;
    for (auto& e : env_text) env.push_back(e.data());
    env.push_back(nullptr);
    char path[] = KELVANE_WINDOW_HELPER;
    char* argv[] = {path, nullptr};
    if (posix_spawn(&helper_, path, nullptr, nullptr, argv, env.data()) != 0) return nullptr;
    HWND found = nullptr;
    Eventually([&] { return (found = FindWindowW(kHelperClass, nullptr)) != nullptr; });
    return found;
  }

  // The helper's exit code, or -1 when it did not exit normally.
  int WaitForHelper() {
    int status = 0;
    const pid_t pid = helper_;
    helper_ = -1;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  pid_t helper_ = -1;
};

TEST_F(CrossProcessTest, FindWindowAndSetForegroundWindowReachTheOtherProcess) {
  HWND helper = StartHelper();
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(FindWindowW(L"kelvanehelperclass", L"HELPER"), helper) << "names compare without case";
  EXPECT_EQ(FindWindowW(kHelperClass, L"Other"), nullptr);
  EXPECT_TRUE(IsWindow(helper));
  ScreenDump dump;
  ASSERT_TRUE(Eventually([&] { return ReadScreenDump(root(), &dump) && dump.text[0] == "activated 1"; }))
      << ReadHostFile("screen.txt");
  EXPECT_EQ(dump.window.hwnd, helper);
  EXPECT_EQ(dump.window.pid, helper_);

  // Our own window takes the front, and the dump is ours.
  HWND mine = CreateTestWindow(L"Mine");
  EXPECT_EQ(GetForegroundWindow(), mine);
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  EXPECT_EQ(dump.window.hwnd, mine);

  // As a second instance does: the handle with its lowest bit set.
  ASSERT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(helper) | 1)));
  EXPECT_EQ(GetForegroundWindow(), helper);
  ASSERT_TRUE(Eventually([&] { return ReadScreenDump(root(), &dump) && dump.text[0] == "activated 2"; }))
      << ReadHostFile("screen.txt");
  EXPECT_EQ(dump.window.hwnd, helper);
  EXPECT_EQ(dump.window.activations, 2);
  const auto activations = Recorded(WM_ACTIVATE);
  ASSERT_FALSE(activations.empty());
  EXPECT_EQ(LOWORD(activations.back().wParam), WA_INACTIVE) << "our window was deactivated";

  // A posted message reaches it too; its window closes and the entry goes.
  ASSERT_TRUE(PostMessageW(helper, WM_CLOSE, 0, 0));
  EXPECT_EQ(WaitForHelper(), 7);
  EXPECT_EQ(FindWindowW(kHelperClass, nullptr), nullptr);
  EXPECT_FALSE(IsWindow(helper));
}

// The helper's resources lack the high-resolution marker, this test
// program's carry it (test_menus.cpp).
TEST_F(CrossProcessTest, OnAHighResolutionScreenOnlyAProgramWithoutTheMarkerIsEnlarged) {
  Json::Value profile;
  profile["displayColumns"] = 80;
  profile["displayRows"] = 40;
  profile["displayScale"] = 2;
  WriteProfile(profile);
  HWND helper = StartHelper();
  ASSERT_NE(helper, nullptr);
  ScreenDump dump;
  // Shown, then painted once it has been activated.
  ASSERT_TRUE(Eventually([&] {
    return ReadScreenDump(root(), &dump) && dump.window.hwnd == helper && dump.text[0] == "a c t i v a t e d   1";
  })) << ReadHostFile("screen.txt");
  // Its whole-screen window is 40 x 20 of its cells, each two by two of the device's.
  EXPECT_EQ(dump.columns, 80);
  EXPECT_EQ(dump.rows, 40);
  EXPECT_EQ(dump.window_rect.right, 80);
  EXPECT_EQ(dump.window_rect.bottom, 40);
  EXPECT_EQ(dump.text[0], "a c t i v a t e d   1");
  EXPECT_EQ(dump.text[1], "");

  HWND mine = CreateTestWindow(L"Mine");
  RECT r;
  ASSERT_TRUE(GetClientRect(mine, &r));
  EXPECT_EQ(r.right, 80) << "a marked program sees the device's grid";
  EXPECT_EQ(r.bottom, 40);
  ASSERT_TRUE(PostMessageW(helper, WM_CLOSE, 0, 0));
  EXPECT_EQ(WaitForHelper(), 7);
}

TEST_F(CrossProcessTest, AKilledProgramsWindowIsNotFound) {
  HWND helper = StartHelper();
  ASSERT_NE(helper, nullptr);
  kill(helper_, SIGKILL);
  EXPECT_EQ(WaitForHelper(), -1);
  EXPECT_EQ(FindWindowW(kHelperClass, nullptr), nullptr);
  EXPECT_FALSE(IsWindow(helper));
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SetForegroundWindow(helper));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(PostMessageW(helper, WM_CLOSE, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(CrossProcessTest, SigtermClosesTheProgramAsTheShellWould) {
  ASSERT_NE(StartHelper(), nullptr);
  kill(helper_, SIGTERM);
  EXPECT_EQ(WaitForHelper(), 7) << "WM_CLOSE, WM_DESTROY and WM_QUIT ran their course";
  EXPECT_EQ(FindWindowW(kHelperClass, nullptr), nullptr);
}

}  // namespace
