// Message boxes that wait for keys: the caller's thread keeps dispatching
// its messages until a key answers.
#include "window_test.h"

#include "internal/display.h"
#include "internal/overlays.h"
#include "support/program_runner.h"
#include "support/screen_dump.h"

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;
using kelvane::AnswerMessageBox;
using kelvane::OpenBoxes;
using kelvane::PressKey;
using kelvane::testing::ReadScreenDump;
using kelvane::testing::ScreenDump;
using kelvane::testing::WaitUntil;
using kelvane::testing::WindowTest;

constexpr UINT kPing = WM_USER + 7;
constexpr UINT kQuitNow = WM_USER + 8;
constexpr UINT kAskAgain = WM_USER + 9;

class ModalBoxTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Json::Value profile;
    profile["messageBoxAnswer"] = "keys";
    WriteProfile(profile);
    handler_ = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
      if (message == kQuitNow) PostQuitMessage(5);
      *result = 0;
      return message == kPing || message == kQuitNow;
    };
  }
  // A thread with a window that shows a box over it; *answer gets the box's
  // answer, *after the exit code its message loop ends with afterwards.
  std::thread ShowBox(UINT type, std::atomic<HWND>* window, std::atomic<int>* answer, std::atomic<int>* after) {
    return std::thread([=] {
      const HWND hwnd = CreateTestWindow();
      *window = hwnd;
      *answer = MessageBoxW(hwnd, L"Reboot now?", L"Setup", type);
      MSG msg;
      BOOL got;
      while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) DispatchMessageW(&msg);
      *after = got == 0 ? static_cast<int>(msg.wParam) : -1;
      DestroyWindow(hwnd);
    });
  }
};

TEST_F(ModalBoxTest, KeysChooseTheAnswerWhileTheCallersMessagesAreDispatched) {
  std::atomic<HWND> window{nullptr};
  std::atomic<int> answer{0}, after{0};
  std::thread owner = ShowBox(MB_YESNO, &window, &answer, &after);
  ASSERT_TRUE(WaitUntil([] { return OpenBoxes().size() == 1; }, 10s));
  ASSERT_TRUE(PostMessageW(window, kPing, 0, 0));
  EXPECT_TRUE(WaitUntil([&] { return !Recorded(kPing).empty(); }, 10s)) << "the box's loop dispatches";
  ScreenDump dump;
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  ASSERT_EQ(dump.open_boxes.size(), 1u);
  EXPECT_EQ(dump.open_boxes[0].selected, IDYES);
  EXPECT_GE(dump.FindRow("[ Yes ] [ No ]"), 0);
  PressKey(VK_ESCAPE);  // a box without Cancel stays
  PressKey(VK_DOWN);    // scrolls, answers nothing
  PressKey(VK_RIGHT);
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  ASSERT_EQ(dump.open_boxes.size(), 1u);
  EXPECT_EQ(dump.open_boxes[0].selected, IDNO);
  EXPECT_EQ(answer.load(), 0);
  PressKey(VK_RETURN);
  ASSERT_TRUE(PostMessageW(window, kQuitNow, 0, 0));
  owner.join();
  EXPECT_EQ(answer.load(), IDNO);
  EXPECT_EQ(after.load(), 5);
  ASSERT_TRUE(ReadScreenDump(root(), &dump));
  EXPECT_TRUE(dump.open_boxes.empty());
  ASSERT_FALSE(dump.message_boxes.empty());
  EXPECT_EQ(dump.message_boxes.back().answer, IDNO);
}

TEST_F(ModalBoxTest, EscapeCancelsAndTheSoftKeysAnswerWithTheOuterButtons) {
  const struct {
    UINT type;
    UINT key;
    int expected;
  } cases[] = {{MB_OKCANCEL, VK_ESCAPE, IDCANCEL},
               {MB_OK, VK_ESCAPE, IDOK},
               {MB_YESNOCANCEL | MB_DEFBUTTON2, VK_RETURN, IDNO},
               {MB_YESNOCANCEL, VK_TSOFT1, IDYES},
               {MB_YESNOCANCEL, VK_TSOFT2, IDCANCEL}};
  for (const auto& c : cases) {
    std::atomic<HWND> window{nullptr};
    std::atomic<int> answer{0}, after{0};
    std::thread owner = ShowBox(c.type, &window, &answer, &after);
    ASSERT_TRUE(WaitUntil([] { return OpenBoxes().size() == 1; }, 10s));
    PressKey(c.key);
    ASSERT_TRUE(WaitUntil([&] { return answer.load() != 0; }, 10s)) << c.type << " " << c.key;
    PostMessageW(window, kQuitNow, 0, 0);
    owner.join();
    EXPECT_EQ(answer.load(), c.expected) << c.type << " " << c.key;
  }
}

TEST_F(ModalBoxTest, AQuitWhileTheBoxWaitsEndsItAndReachesTheCallersLoop) {
  std::atomic<HWND> window{nullptr};
  std::atomic<int> answer{0}, after{0};
  std::thread owner = ShowBox(MB_OKCANCEL | MB_DEFBUTTON2, &window, &answer, &after);
  ASSERT_TRUE(WaitUntil([] { return OpenBoxes().size() == 1; }, 10s));
  ASSERT_TRUE(PostMessageW(window, kQuitNow, 0, 0));
  owner.join();
  EXPECT_EQ(answer.load(), IDCANCEL) << "the default button";
  EXPECT_EQ(after.load(), 5) << "the quit is left for the caller";
  EXPECT_TRUE(OpenBoxes().empty());
}

// An injected answer goes to the oldest box that has the button, even while
// a box opened over it waits; the loop of the box over it takes the older
// box's wake-up, and the older box still ends when the newer one does.
TEST_F(ModalBoxTest, AnOlderBoxAnsweredUnderANewerOneEndsWhenTheNewerOneIsAnswered) {
  std::atomic<int> newer{0};
  handler_ = [&newer](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message == kQuitNow) PostQuitMessage(5);
    if (message == kAskAgain) newer = MessageBoxW(hwnd, L"Sure?", L"Setup", MB_YESNO);
    *result = 0;
    return message == kPing || message == kQuitNow || message == kAskAgain;
  };
  std::atomic<HWND> window{nullptr};
  std::atomic<int> answer{0}, after{0};
  std::thread owner = ShowBox(MB_OKCANCEL, &window, &answer, &after);
  ASSERT_TRUE(WaitUntil([] { return OpenBoxes().size() == 1; }, 10s));
  ASSERT_TRUE(PostMessageW(window, kAskAgain, 0, 0));
  ASSERT_TRUE(WaitUntil([] { return OpenBoxes().size() == 2; }, 10s));
  ASSERT_TRUE(AnswerMessageBox(IDOK));  // only the older box has OK
  // Once the ping is dispatched, the newer box's loop has taken the wake-up.
  ASSERT_TRUE(PostMessageW(window, kPing, 0, 0));
  ASSERT_TRUE(WaitUntil([&] { return !Recorded(kPing).empty(); }, 10s));
  PressKey(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return answer.load() != 0; }, 10s)) << "the older box still waits";
  PostMessageW(window, kQuitNow, 0, 0);
  owner.join();
  EXPECT_EQ(newer.load(), IDYES);
  EXPECT_EQ(answer.load(), IDOK);
}

TEST_F(ModalBoxTest, AProcessWithoutAWindowCannotHearKeysSoItsBoxIsAnsweredAtOnce) {
  EXPECT_EQ(MessageBoxW(nullptr, L"Reboot now?", L"Setup", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_TRUE(OpenBoxes().empty());
}

}  // namespace
