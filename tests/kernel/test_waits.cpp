// Events, waits and threads, checked against the platform's documented results.
#include "support/device_fixture.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using kelvane::testing::DeviceTest;
class WaitTest : public DeviceTest {};

DWORD WINAPI WaitOnEvent(LPVOID event) { return WaitForSingleObject(static_cast<HANDLE>(event), INFINITE); }
DWORD WINAPI ReturnParameter(LPVOID value) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(value)); }
DWORD WINAPI SleepForever(LPVOID) {
  Sleep(INFINITE);
  return 0;
}

TEST_F(WaitTest, AutoResetEventWakesExactlyOneWaiter) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  HANDLE threads[2] = {CreateThread(nullptr, 0, WaitOnEvent, event, 0, nullptr),
                       CreateThread(nullptr, 0, WaitOnEvent, event, 0, nullptr)};
  ASSERT_TRUE(SetEvent(event));
  // One of the two ends; the other keeps waiting until the second signal.
  DWORD first = WaitForMultipleObjects(2, threads, FALSE, 2000);
  ASSERT_LT(first, WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForSingleObject(threads[1 - (first - WAIT_OBJECT_0)], 100), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, 2000), WAIT_OBJECT_0);
  // Both signals were consumed.
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  for (HANDLE t : threads) CloseHandle(t);
  CloseHandle(event);
}

TEST_F(WaitTest, ManualResetEventStaysSignalledUntilReset) {
  HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  ASSERT_TRUE(ResetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(event);
}

TEST_F(WaitTest, WaitAnyReturnsLowestSignalledIndexAndConsumesOnlyIt) {
  HANDLE events[3];
  for (auto& e : events) e = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  SetEvent(events[2]);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  for (HANDLE e : events) CloseHandle(e);
}

TEST_F(WaitTest, WaitAllNeedsEveryObjectAtOnce) {
  HANDLE events[2] = {CreateEventW(nullptr, FALSE, TRUE, nullptr), CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  // The failed wait-all consumed nothing.
  EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_OBJECT_0);
  for (HANDLE e : events) CloseHandle(e);
}

TEST_F(WaitTest, BadArgumentsFailWithTheDocumentedErrors) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  struct Case {
    DWORD count;
    const HANDLE* handles;
    DWORD error;
  };
  HANDLE bogus = reinterpret_cast<HANDLE>(0x7777);
  HANDLE too_many[MAXIMUM_WAIT_OBJECTS + 1];
  for (auto& h : too_many) h = event;
  const Case cases[] = {{0, &event, ERROR_INVALID_PARAMETER},
                        {1, nullptr, ERROR_INVALID_PARAMETER},
                        {MAXIMUM_WAIT_OBJECTS + 1, too_many, ERROR_INVALID_PARAMETER},
                        {1, &bogus, ERROR_INVALID_HANDLE}};
  for (const Case& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), c.error) << "count " << c.count;
  }
  CloseHandle(event);
}

TEST_F(WaitTest, HandleMisuseGivesInvalidHandle) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(CloseHandle(event));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SetEvent(event));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // A thread handle is not an event.
  HANDLE thread = CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, nullptr);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SetEvent(thread));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

TEST_F(WaitTest, ThreadExitCodeAndPriority) {
  HANDLE thread = CreateThread(nullptr, 0, ReturnParameter, reinterpret_cast<LPVOID>(uintptr_t{77}), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL));
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_BELOW_NORMAL);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SetThreadPriority(thread, 8));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ASSERT_EQ(WaitForSingleObject(thread, 2000), WAIT_OBJECT_0);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 77u);
  CloseHandle(thread);
}

TEST_F(WaitTest, TerminatedThreadIsSeenEndedWithTheGivenCode) {
  HANDLE thread = CreateThread(nullptr, 0, SleepForever, nullptr, 0, nullptr);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(thread, 10), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(TerminateThread(thread, static_cast<DWORD>(-1)));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(-1));
  CloseHandle(thread);
}

std::atomic<int> g_steps_after_termination{0};

DWORD WINAPI SleepThenCount(LPVOID) {
  Sleep(300);
  ++g_steps_after_termination;
  return 0;
}

DWORD WINAPI WaitThenCount(LPVOID event) {
  WaitForSingleObject(static_cast<HANDLE>(event), 300);
  ++g_steps_after_termination;
  return 0;
}

// Terminated in a sleep or a wait, a thread runs none of the code after it,
// however long the process goes on.
TEST_F(WaitTest, ATerminatedThreadRunsNothingAfterItsSleepOrWait) {
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE threads[2] = {CreateThread(nullptr, 0, SleepThenCount, nullptr, 0, nullptr),
                       CreateThread(nullptr, 0, WaitThenCount, never, 0, nullptr)};
  ASSERT_NE(threads[0], nullptr);
  ASSERT_NE(threads[1], nullptr);
  Sleep(50);
  for (HANDLE thread : threads) ASSERT_TRUE(TerminateThread(thread, 5));
  Sleep(1000);
  EXPECT_EQ(g_steps_after_termination.load(), 0);
  for (HANDLE thread : threads) {
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 5u);
    CloseHandle(thread);
  }
  CloseHandle(never);
}

std::atomic<int> g_yields{0};

DWORD WINAPI YieldForever(LPVOID) {
  for (;;) {
    Sleep(0);
    ++g_yields;
  }
}

// Sleep(0) gives up the rest of the time slice: a sleep too, so a thread
// terminated while it spins on it goes no further than its next one.
TEST_F(WaitTest, ATerminatedThreadStopsAtItsNextYield) {
  HANDLE thread = CreateThread(nullptr, 0, YieldForever, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  Sleep(50);
  ASSERT_TRUE(TerminateThread(thread, 5));
  Sleep(50);  // the step under way when it was terminated ends
  const int stopped_at = g_yields.load();
  Sleep(300);
  EXPECT_EQ(g_yields.load(), stopped_at);
  CloseHandle(thread);
}

TEST_F(WaitTest, LastErrorIsKeptPerThread) {
  SetLastError(11);
  std::thread other([] {
    EXPECT_EQ(GetLastError(), 0u);
    SetLastError(22);
    EXPECT_EQ(GetLastError(), 22u);
  });
  other.join();
  EXPECT_EQ(GetLastError(), 11u);
}

TEST_F(WaitTest, TimeoutsRunOnDeviceTime) {
  Json::Value profile;
  profile["timeScale"] = 20;
  WriteProfile(profile);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const auto host_start = std::chrono::steady_clock::now();
  const DWORD device_start = GetTickCount();
  EXPECT_EQ(WaitForSingleObject(event, 7000), static_cast<DWORD>(WAIT_TIMEOUT));
  const auto host_ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - host_start).count();
  EXPECT_GE(GetTickCount() - device_start, 7000u);
  // 7000 device ms at scale 20 are 350 host ms; the bound only rules out an unscaled wait.
  EXPECT_GE(host_ms, 340);
  EXPECT_LT(host_ms, 3000);
  CloseHandle(event);
}

TEST_F(WaitTest, SleepRunsOnDeviceTime) {
  Json::Value profile;
  profile["timeScale"] = 20;
  WriteProfile(profile);
  const auto host_start = std::chrono::steady_clock::now();
  Sleep(7000);
  const auto host_ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - host_start).count();
  EXPECT_GE(host_ms, 340);
  EXPECT_LT(host_ms, 3000);
}

TEST_F(WaitTest, TickCountWrapsAt32BitsAndDifferencesStayRight) {
  // Two device seconds before the wrap, and a sleep that crosses it; the
  // margins leave room for a loaded host.
  Json::Value profile;
  profile["tickStart"] = Json::UInt64(0xFFFFFFFFull - 2000);
  profile["timeScale"] = 10;
  WriteProfile(profile);
  const DWORD before = GetTickCount();
  ASSERT_GE(before, 0xFFFFFFFFu - 2000);
  Sleep(3000);
  const DWORD after = GetTickCount();
  EXPECT_LT(after, 1000000u);  // wrapped, not run on past 2^32
  EXPECT_GE(after - before, 3000u);
  EXPECT_LT(after - before, 100000u);
}

}  // namespace
