// Waits that block: which of them a signal ends, and what each one consumes.
#include "support/device_fixture.h"

#include <windows.h>

#include <vector>

namespace {

using kelvane::testing::DeviceTest;
class BlockedWaitTest : public DeviceTest {};

// Long enough for a started thread to be blocked in its wait.
const DWORD kSettleMs = 50;

// One WaitForMultipleObjects on a thread of its own; the thread's exit code
// is the wait's result.
struct WaitCall {
  std::vector<HANDLE> handles;
  BOOL wait_all;
  DWORD timeout;
};

DWORD WINAPI RunWait(LPVOID parameter) {
  const auto* call = static_cast<const WaitCall*>(parameter);
  return WaitForMultipleObjects(static_cast<DWORD>(call->handles.size()), call->handles.data(), call->wait_all,
                                call->timeout);
}

HANDLE StartWait(const WaitCall& call) {
  return CreateThread(nullptr, 0, RunWait, const_cast<WaitCall*>(&call), 0, nullptr);
}

// The wait's result once its thread ended, or WAIT_TIMEOUT while it still waits.
DWORD ResultWithin(HANDLE thread, DWORD ms) {
  if (WaitForSingleObject(thread, ms) != WAIT_OBJECT_0) return WAIT_TIMEOUT;
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  return code;
}

TEST_F(BlockedWaitTest, ManualResetEventEndsEveryBlockedWaitAndStaysSignalled) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const WaitCall call = {{event}, FALSE, INFINITE};
  HANDLE threads[3];
  for (HANDLE& t : threads) t = StartWait(call);
  EXPECT_EQ(ResultWithin(threads[0], kSettleMs), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(event));
  for (HANDLE t : threads) {
    EXPECT_EQ(ResultWithin(t, 2000), WAIT_OBJECT_0);
    CloseHandle(t);
  }
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  CloseHandle(event);
}

TEST_F(BlockedWaitTest, SignalEndsOnlyTheWaitsOnThatObject) {
  HANDLE events[2] = {CreateEventW(nullptr, FALSE, FALSE, nullptr), CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  const WaitCall first = {{events[0]}, FALSE, INFINITE}, second = {{events[1]}, FALSE, INFINITE};
  HANDLE threads[2] = {StartWait(first), StartWait(second)};
  EXPECT_EQ(ResultWithin(threads[0], kSettleMs), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(events[1]));
  EXPECT_EQ(ResultWithin(threads[1], 2000), WAIT_OBJECT_0);
  EXPECT_EQ(ResultWithin(threads[0], kSettleMs), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(events[0]));
  EXPECT_EQ(ResultWithin(threads[0], 2000), WAIT_OBJECT_0);
  for (HANDLE h : threads) CloseHandle(h);
  for (HANDLE h : events) CloseHandle(h);
}

TEST_F(BlockedWaitTest, BlockedWaitAllEndsOnTheLastSignalAndConsumesEach) {
  HANDLE events[2] = {CreateEventW(nullptr, FALSE, FALSE, nullptr), CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  const WaitCall call = {{events[0], events[1]}, TRUE, INFINITE};
  HANDLE thread = StartWait(call);
  ASSERT_TRUE(SetEvent(events[0]));
  // One of two is not enough, and the wait takes nothing meanwhile.
  EXPECT_EQ(ResultWithin(thread, kSettleMs), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_OBJECT_0);
  ASSERT_TRUE(SetEvent(events[1]));
  EXPECT_EQ(ResultWithin(thread, kSettleMs), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(events[0]));
  EXPECT_EQ(ResultWithin(thread, 2000), WAIT_OBJECT_0);
  for (HANDLE e : events) EXPECT_EQ(WaitForSingleObject(e, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(thread);
  for (HANDLE e : events) CloseHandle(e);
}

TEST_F(BlockedWaitTest, BlockedWaitAnyAnswersTheIndexOfTheObjectSignalled) {
  HANDLE events[2] = {CreateEventW(nullptr, FALSE, FALSE, nullptr), CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  const WaitCall call = {{events[0], events[1]}, FALSE, INFINITE};
  HANDLE thread = StartWait(call);
  EXPECT_EQ(ResultWithin(thread, kSettleMs), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(events[1]));
  EXPECT_EQ(ResultWithin(thread, 2000), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForSingleObject(events[1], 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(thread);
  for (HANDLE e : events) CloseHandle(e);
}

TEST_F(BlockedWaitTest, TimedOutWaitLeavesTheNextSignalForTheNextWait) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  CloseHandle(event);
}

TEST_F(BlockedWaitTest, WaitGoesOnWhenItsHandleIsClosedAndEndsBySignalThroughAnother) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, L"KelvaneBlockedWait");
  HANDLE same = CreateEventW(nullptr, FALSE, FALSE, L"KelvaneBlockedWait");
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  const WaitCall call = {{event}, FALSE, INFINITE};
  HANDLE thread = StartWait(call);
  EXPECT_EQ(ResultWithin(thread, kSettleMs), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(CloseHandle(event));
  EXPECT_EQ(ResultWithin(thread, kSettleMs), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(same));
  EXPECT_EQ(ResultWithin(thread, 2000), WAIT_OBJECT_0);
  CloseHandle(thread);
  CloseHandle(same);
}

}  // namespace
