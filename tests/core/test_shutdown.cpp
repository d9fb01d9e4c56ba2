// Shut-down joins the threads in order and does not wait forever.
#include "support/device_fixture.h"

#include <windows.h>

#include "core/flags.h"
#include "core/position.h"
#include "core/process_state.h"
#include "core/startup.h"

namespace {

using kelvane::testing::DeviceTest;

DWORD WINAPI IgnoresTheStop(LPVOID) {
  Sleep(60000);
  return 0;
}

// Set by the thread itself when it returns: a terminated thread never sets it.
LONG volatile g_ended_on_the_stop = 0;

// Sleeps as the worker does: only the wake event ends its wait.
DWORD WINAPI EndsOnTheStop(LPVOID) {
  while (!TestFlag(StopRequest)) WaitForSingleObject(WakeEvent, INFINITE);
  InterlockedExchange(&g_ended_on_the_stop, 1);
  return 7;
}

class ShutDownTest : public DeviceTest {};

TEST_F(ShutDownTest, AThreadIgnoringTheStopIsTerminatedAndTheOthersAreStillJoined) {
  Json::Value profile;
  profile["timeScale"] = 10;  // 10000 device ms are one host second
  WriteProfile(profile);
  CreatePositionLock();
  WakeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE output = CreateThread(nullptr, 0, IgnoresTheStop, nullptr, 0, nullptr);
  HANDLE sync = CreateThread(nullptr, 0, EndsOnTheStop, nullptr, 0, nullptr);
  OutputThreadHandle = output;
  SyncThreadHandle = sync;
  WorkerThreadHandle = nullptr;  // the output thread never started the worker

  const DWORD start = GetTickCount();
  ShutDown();
  // One join limit for the thread that ignores the stop, none for the other:
  // a second limit would mean the wake event was never signalled.
  EXPECT_GE(GetTickCount() - start, 10000u);
  EXPECT_LT(GetTickCount() - start, 19000u);
  EXPECT_EQ(g_ended_on_the_stop, 1);
  EXPECT_EQ(OutputThreadHandle, nullptr);
  EXPECT_EQ(SyncThreadHandle, nullptr);
  EXPECT_EQ(WakeEvent, nullptr);
  EXPECT_TRUE(TestFlag(StopRequest));
  EXPECT_TRUE(TestFlag(Interrupt));
}

}  // namespace
