// The headless display's outside controls: injected input through the
// device's FIFO, SIGTERM, and message boxes answered from the profile.
#include "window_test.h"

#include "support/screen_dump.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <string>

namespace {

using kelvane::testing::ReadScreenDump;
using kelvane::testing::RecordedMessage;
using kelvane::testing::ScreenDump;
using kelvane::testing::WindowTest;
class HeadlessTest : public WindowTest {
 protected:
  void QuitOnDestroy(int code) {
    handler_ = [code](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
      if (message == WM_DESTROY) PostQuitMessage(code);
      return false;
    };
  }
  bool Inject(const std::string& text) {
    const int fd = open((root() / "input").c_str(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return written;
  }
};

TEST_F(HeadlessTest, InjectedKeysAndCommandsReachTheMainWindowAndCloseEndsIt) {
  HWND main_window = CreateTestWindow(L"Main");
  HWND second = CreateTestWindow(L"Second");
  ASSERT_NE(second, nullptr);
  QuitOnDestroy(9);
  ASSERT_TRUE(Inject("key 0x30\ncommand 40008\nwobble 3\nkey " + std::string(300, '7') + "\nkey 38\n"));
  ASSERT_TRUE(Inject("close\n"));
  EXPECT_EQ(RunMessageLoop(), 9);
  const auto keys = Recorded(WM_KEYDOWN);
  ASSERT_EQ(keys.size(), 2u) << "the unknown and the overlong line were dropped";
  EXPECT_EQ(keys[0].hwnd, main_window);
  EXPECT_EQ(keys[0].wParam, 0x30u);
  EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>(VK_UP));
  EXPECT_EQ(Recorded(WM_KEYUP).size(), 2u);
  const auto chars = Recorded(WM_CHAR);
  ASSERT_EQ(chars.size(), 1u) << "TranslateMessage made '0' of the digit key, nothing of VK_UP";
  EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>(L'0'));
  const auto commands = Recorded(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].hwnd, main_window);
  EXPECT_EQ(LOWORD(commands[0].wParam), 40008);
  const auto closes = Recorded(WM_CLOSE);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].hwnd, main_window);
  EXPECT_FALSE(IsWindow(main_window));
  EXPECT_TRUE(IsWindow(second));
}

TEST_F(HeadlessTest, SigtermClosesTheMainWindow) {
  HWND hwnd = CreateTestWindow(L"Main");
  QuitOnDestroy(4);
  ASSERT_EQ(raise(SIGTERM), 0);
  EXPECT_EQ(RunMessageLoop(), 4);
  ASSERT_EQ(Recorded(WM_CLOSE).size(), 1u);
  EXPECT_FALSE(IsWindow(hwnd));
  // With no window left, the signal's own disposition is back.
  struct sigaction action;
  sigaction(SIGTERM, nullptr, &action);
  EXPECT_EQ(action.sa_handler, SIG_DFL);
}

TEST_F(HeadlessTest, MessageBoxesAreAnsweredFromTheProfileAndShownInTheDump) {
  HWND hwnd = CreateTestWindow(L"Main");
  // Without a configured answer the default button answers.
  EXPECT_EQ(MessageBoxW(hwnd, L"Reboot now?", L"Setup", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(MessageBoxW(hwnd, L"Reboot now?", L"Setup", MB_YESNO | MB_DEFBUTTON2), IDNO);
  Json::Value profile;
  profile["messageBoxAnswer"] = "IDNO";
  WriteProfile(profile);
  EXPECT_EQ(MessageBoxW(nullptr, L"Reboot now?", L"Setup", MB_YESNO), IDNO);
  // A box without that button takes its default.
  EXPECT_EQ(MessageBoxW(hwnd, L"line one\nline \"two\"", L"", MB_OK), IDOK);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MessageBoxW(reinterpret_cast<HWND>(0x5550), L"x", L"y", MB_OK), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MessageBoxW(hwnd, L"x", L"y", 0x0000000F), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  ASSERT_EQ(dump.message_boxes.size(), 4u);
  EXPECT_EQ(dump.message_boxes[0].caption, L"Setup");
  EXPECT_EQ(dump.message_boxes[0].text, L"Reboot now?");
  EXPECT_EQ(dump.message_boxes[0].answer, IDYES);
  EXPECT_EQ(dump.message_boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(dump.message_boxes[2].answer, IDNO);
  EXPECT_EQ(dump.message_boxes[3].text, L"line one\nline \"two\"");
  EXPECT_EQ(dump.message_boxes[3].caption, L"");
  EXPECT_EQ(dump.window.hwnd, hwnd);
}

}  // namespace
