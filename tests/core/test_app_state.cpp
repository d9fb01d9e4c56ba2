// The application state: one construction under concurrent first use, and
// flag changes that never lose another thread's bit.
#include "support/device_fixture.h"

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/app_state.h"
#include "core/first_use.h"
#include "core/flags.h"

namespace {

using kelvane::testing::DeviceTest;

std::atomic<int> g_constructions{0};

struct Counted {
  Counted() {
    ++g_constructions;
    Sleep(5);  // widen the window in which a second constructor could start
  }
};

TEST(FirstUseTest, ConcurrentFirstCallsConstructOnceAndShareTheObject) {
  std::vector<Counted*> seen(8);
  std::vector<std::thread> threads;
  for (auto& slot : seen) threads.emplace_back([&slot] { slot = &FirstUse<Counted>::Get(); });
  for (auto& t : threads) t.join();
  EXPECT_EQ(g_constructions.load(), 1);
  for (Counted* p : seen) EXPECT_EQ(p, seen[0]);
}

class AppStateTest : public DeviceTest {};

TEST_F(AppStateTest, TwoThreadsRacingGetAppStateGetOneObject) {
  AppState* a = nullptr;
  AppState* b = nullptr;
  std::thread first([&] { a = &GetAppState(); });
  std::thread second([&] { b = &GetAppState(); });
  first.join();
  second.join();
  EXPECT_EQ(a, b);
  EXPECT_STREQ(a->settings.program_directory, L"\\Program Files\\Kelvane\\");
  EXPECT_STREQ(a->settings.config_path, L"\\Program Files\\Kelvane\\config.ini");
  EXPECT_EQ(a->settings.tower_period, 7000u);
}

TEST_F(AppStateTest, FlagChangesFromManyThreadsAreNeverLost) {
  for (int round = 0; round < 200; ++round) {
    ClearFlag(0xFFFFFFFF);
    std::thread stopper([] { SetFlag(StopRequest); });
    std::thread positioner([] { SetFlag(PositionValid); });
    std::thread toggler([] {
      ToggleFlag(LogView);
      ToggleFlag(LogView);
    });
    stopper.join();
    positioner.join();
    toggler.join();
    ASSERT_TRUE(TestFlag(StopRequest)) << round;
    ASSERT_TRUE(TestFlag(PositionValid)) << round;
    ASSERT_FALSE(TestFlag(LogView)) << round;
  }
}

}  // namespace
