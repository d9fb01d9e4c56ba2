// Message queues: posting and sending across threads, retrieval order,
// WM_QUIT, WM_CLOSE's default processing.
#include "window_test.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using kelvane::testing::WindowTest;
class MessageTest : public WindowTest {};

constexpr UINT kPing = WM_USER + 1;

TEST_F(MessageTest, GetMessageReturnsZeroOnWmQuitWithTheExitCodeAfterPostedMessages) {
  HWND hwnd = CreateTestWindow(L"Test", 0);
  ASSERT_TRUE(PostMessageW(hwnd, kPing, 1, 0));
  PostQuitMessage(42);
  ASSERT_TRUE(PostMessageW(hwnd, kPing, 2, 0));
  MSG msg;
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.wParam, 1u);
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 42u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is retrieved once";
}

TEST_F(MessageTest, GetMessageFailsWithMinusOne) {
  MSG msg;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetMessageW(&msg, reinterpret_cast<HWND>(0x4560), 0, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetMessageW(nullptr, nullptr, 0, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(MessageTest, MessagesPostedFromAnotherThreadArriveInOrderAndWakeTheLoop) {
  HWND hwnd = CreateTestWindow(L"Test", 0);
  constexpr int kCount = 200;
  std::thread poster([hwnd] {
    for (int i = 0; i < kCount; ++i) PostMessageW(hwnd, kPing, static_cast<WPARAM>(i), 0);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
  });
  handler_ = [](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_DESTROY) PostQuitMessage(5);
    return false;
  };
  EXPECT_EQ(RunMessageLoop(), 5);
  poster.join();
  const auto pings = Recorded(kPing);
  ASSERT_EQ(pings.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(pings[i].wParam, static_cast<WPARAM>(i));
    EXPECT_EQ(pings[i].thread, GetCurrentThreadId()) << "dispatched on the window's thread";
  }
}

TEST_F(MessageTest, SendMessageFromAnotherThreadRunsOnTheWindowThreadAndReturnsItsResult) {
  HWND hwnd = CreateTestWindow(L"Test", 0);
  handler_ = [](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != kPing) return false;
    *result = static_cast<LRESULT>(wParam * 2);
    return true;
  };
  // The same thread calls the procedure directly.
  EXPECT_EQ(SendMessageW(hwnd, kPing, 4, 0), 8);
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] {
    answer = SendMessageW(hwnd, kPing, 21, 0);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
  });
  // The sent message is delivered inside GetMessageW, not returned by it.
  MSG msg;
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
  sender.join();
  EXPECT_EQ(answer.load(), 42);
  const auto pings = Recorded(kPing);
  ASSERT_EQ(pings.size(), 2u);
  EXPECT_EQ(pings[1].thread, GetCurrentThreadId());
}

TEST_F(MessageTest, ThreadsSendingToEachOtherAnswerWhileTheyWait) {
  constexpr UINT kPong = WM_USER + 2;
  HWND mine = CreateTestWindow(L"Mine", 0);
  std::atomic<HWND> theirs{nullptr};
  std::atomic<LRESULT> answer{0};
  // Our procedure answers kPing by sending kPong back to the other thread's
  // window while that thread is still waiting for our answer.
  handler_ = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message == kPing && hwnd == mine) {
      *result = SendMessageW(theirs, kPong, 0, 0) + 1;
      return true;
    }
    if (message == kPong) {
      *result = 7;
      return true;
    }
    return false;
  };
  std::thread other([&] {
    theirs = CreateTestWindow(L"Theirs", 0);
    answer = SendMessageW(mine, kPing, 0, 0);
    DestroyWindow(theirs);
    PostMessageW(mine, WM_CLOSE, 0, 0);
  });
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_CLOSE) DispatchMessageW(&msg);
  other.join();
  EXPECT_EQ(answer.load(), 8);
  const auto pongs = Recorded(kPong);
  ASSERT_EQ(pongs.size(), 1u);
  EXPECT_NE(pongs[0].thread, GetCurrentThreadId()) << "answered on the other window's thread";
}

TEST_F(MessageTest, SenderGetsZeroWhenTheWindowThreadEndsWithoutAnswering) {
  std::atomic<HWND> hwnd{nullptr};
  std::atomic<bool> message_sent{false};
  std::thread owner([&] {
    hwnd = CreateTestWindow(L"Test", 0);
    while (!message_sent) std::this_thread::yield();
    // Ends without retrieving messages: its window goes with it.
  });
  while (!hwnd) std::this_thread::yield();
  std::thread releaser([&] {
    // Gives the sender below time to block; should it not have, it finds
    // the window gone and gets 0 all the same.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    message_sent = true;
  });
  EXPECT_EQ(SendMessageW(hwnd, kPing, 1, 0), 0);
  owner.join();
  releaser.join();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(Recorded(kPing).empty());
}

TEST_F(MessageTest, DefaultProcessingOfWmCloseDestroysTheWindow) {
  HWND hwnd = CreateTestWindow(L"Test", 0);
  handler_ = [](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_DESTROY) PostQuitMessage(3);
    return false;
  };
  EXPECT_EQ(SendMessageW(hwnd, WM_CLOSE, 0, 0), 0);
  ASSERT_EQ(Recorded(WM_DESTROY).size(), 1u);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(RunMessageLoop(), 3);
}

TEST_F(MessageTest, OnlyTheWindowThreadMayDestroyIt) {
  HWND hwnd = CreateTestWindow(L"Test", 0);
  BOOL destroyed = TRUE;
  DWORD error = 0;
  std::thread other([&] {
    SetLastError(0xdeadbeef);
    destroyed = DestroyWindow(hwnd);
    error = GetLastError();
  });
  other.join();
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(MessageTest, PostingToAMissingWindowOrAFullQueueFails) {
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x7770), kPing, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  HWND hwnd = CreateTestWindow(L"Test", 0);
  int posted = 0;
  while (PostMessageW(hwnd, kPing, 0, 0) && posted < 20000) ++posted;
  EXPECT_EQ(posted, 10000);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA));
}

TEST_F(MessageTest, TranslateMessagePutsTheCharacterBeforeTheKeyUp) {
  HWND hwnd = CreateTestWindow(L"Test", 0);
  PostMessageW(hwnd, WM_KEYDOWN, '2', 1);
  PostMessageW(hwnd, WM_KEYUP, '2', 0xC0000001);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_TRUE(TranslateMessage(&msg));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(L'2'));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYUP));
}

TEST_F(MessageTest, FiltersSelectByWindowAndRange) {
  HWND first = CreateTestWindow(L"First", 0);
  HWND second = CreateTestWindow(L"Second", 0);
  PostMessageW(first, kPing, 1, 0);
  PostMessageW(second, kPing + 1, 2, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, second, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 2u);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, kPing + 1, kPing + 1, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, second);
  EXPECT_FALSE(PeekMessageW(&msg, second, 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, first);
}

}  // namespace
