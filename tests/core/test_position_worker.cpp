// The worker's pass timing and its reaction to a source chosen by the user,
// on a device whose radio answers slowly and whose network has no way out.
#include "support/device_fixture.h"
#include "support/scenario_profile.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "core/app_state.h"
#include "core/cell_source_holder.h"
#include "core/flags.h"
#include "core/lookup_retry.h"
#include "core/position.h"
#include "core/position_worker.h"
#include "core/process_state.h"
#include "lookup/tower_cache.h"
#include "settings/message_list.h"
#include "wifi/wifi_source.h"

namespace {

using kelvane::testing::DeviceTest;
using kelvane::testing::ScenarioCell;
using kelvane::testing::ScenarioStep;

constexpr DWORD kAnswerDelay = 3000;  // device ms the radio takes per reading

class PositionWorkerTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    Json::Value profile;
    profile["timeScale"] = 5;
    profile["network"]["hostResolver"] = false;
    profile["ril"]["answerDelay"] = kAnswerDelay;
    profile["scenario"]["steps"][0] = ScenarioStep(100000000, ScenarioCell(250, 1, 7712, 40031));
    WriteProfile(profile);
    CreatePositionLock();
    WakeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetAppMode(1);
  }
  void TearDown() override {
    if (worker_) {
      SetFlag(StopRequest | Interrupt);
      SetEvent(WakeEvent);
      EXPECT_EQ(WaitForSingleObject(worker_, 60000), WAIT_OBJECT_0);
      CloseHandle(worker_);
    }
    CloseHandle(WakeEvent);
    DeletePositionLock();
    DeviceTest::TearDown();
  }
  // The Wi-Fi source outlives the worker: TearDown ends the worker first.
  void StartWorker(DWORD tower_period, std::unique_ptr<WifiSource> wifi = nullptr) {
    GetAppState().settings.tower_period = tower_period;
    wifi_ = std::move(wifi);
    worker_ = CreateThread(nullptr, 0, PositionWorker, wifi_.get(), 0, nullptr);
    ASSERT_NE(worker_, nullptr);
  }
  static size_t CountLines(MessageList& list, const std::wstring& text) {
    const std::list<MessageLine> lines = list.Lines();
    return static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const MessageLine& line) { return line.text == text; }));
  }
  // Polls the list until it holds the line, for at most `limit` device ms.
  static bool Shows(MessageList& list, const std::wstring& text, DWORD limit) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < limit) {
      if (CountLines(list, text) > 0) return true;
      Sleep(20);
    }
    return false;
  }

  std::unique_ptr<WifiSource> wifi_;
  HANDLE worker_ = nullptr;
};

TEST_F(PositionWorkerTest, APassLongerThanThePeriodIsFollowedAtOnceByTheNext) {
  // Each pass waits kAnswerDelay for the radio, longer than the period: the
  // next reading must start as soon as a pass ends, not a period later.
  const DWORD period = 2000;
  StartWorker(period);
  const std::wstring reading = L"r 250 1 7712 40031";
  std::vector<DWORD> seen_at;
  size_t seen = 0;
  const DWORD start = GetTickCount();
  while (seen_at.size() < 6 && GetTickCount() - start < 60000) {
    const size_t now = CountLines(DiagnosticLog(), reading);
    if (now > seen) {
      seen = now;
      seen_at.push_back(GetTickCount());
    }
    Sleep(5);
  }
  ASSERT_EQ(seen_at.size(), 6u) << "the radio was read " << seen << " times";
  // The first reading is the source's trial reading at open; the passes
  // follow. Host delays only lengthen gaps, so the shortest tells the schedule.
  DWORD shortest = MAXDWORD;
  for (size_t i = 2; i < seen_at.size(); ++i) shortest = std::min(shortest, seen_at[i] - seen_at[i - 1]);
  EXPECT_GE(shortest, kAnswerDelay - 200);
  EXPECT_LT(shortest, kAnswerDelay + period / 2);
}

TEST_F(PositionWorkerTest, ASourceChosenByTheUserEndsTheWaitAndRebuildsTheStatus) {
  const DWORD period = 600000;  // the worker would sleep ten device minutes
  StartWorker(period);
  ASSERT_TRUE(Shows(StatusList(), L"no internet connection", 60000));
  EXPECT_EQ(TheCellSourceHolder().ActiveMode(), 1);

  const DWORD chosen_at = GetTickCount();
  RequestMode(0);
  ASSERT_TRUE(Shows(StatusList(), L"device is not supported", 60000));
  EXPECT_LT(GetTickCount() - chosen_at, period / 10);
  // The list was emptied, not appended to: the old reason is gone.
  EXPECT_EQ(CountLines(StatusList(), L"no internet connection"), 0u);
  EXPECT_EQ(CountLines(StatusList(), L"GPS: Off"), 1u);
  EXPECT_EQ(TheCellSourceHolder().ActiveMode(), 0);
  EXPECT_EQ(AppMode(), 0u);
  EXPECT_FALSE(TestFlag(ModeChange));
  EXPECT_FALSE(TestFlag(Interrupt));
}

// Access points that change once and resolve to one answer; used by the
// worker thread only once the worker runs.
class OneAnswerWifi : public WifiSource {
 public:
  explicit OneAnswerWifi(const Position& answer) : answer_(answer) {}
  int Scan() override { return changed_ ? -1 : (changed_ = true, 0); }
  void ClearList() override { changed_ = false; }
  int Resolve(Position* out) override {
    *out = answer_;
    return 0;
  }

 private:
  const Position answer_;
  bool changed_ = false;
};

TEST_F(PositionWorkerTest, AWifiAnswerIsPublishedWhenTheTowerLookupFails) {
  // The device has no way out: the tower lookup fails, the Wi-Fi one answers.
  StartWorker(2000, std::make_unique<OneAnswerWifi>(Position{55.5f, 37.25f, 40}));
  ASSERT_TRUE(Shows(StatusList(), L"latitude: 55.500000", 60000));
  EXPECT_EQ(CountLines(StatusList(), L"longitude: 37.250000"), 1u);
  EXPECT_EQ(CountLines(StatusList(), L"accuracy: 40m"), 1u);
  EXPECT_TRUE(TestFlag(PositionValid));
}

TEST_F(PositionWorkerTest, APositionOffTheGlobeNeverBecomesTheFix) {
  StartWorker(2000, std::make_unique<OneAnswerWifi>(Position{std::numeric_limits<float>::quiet_NaN(), 37.25f, 40}));
  ASSERT_TRUE(Shows(StatusList(), L"Wi-Fi triangulation:", 60000));
  EXPECT_EQ(CountLines(StatusList(), L"position is temporary unavailable"), 1u);
  EXPECT_EQ(CountLines(StatusList(), L"GPS: Off"), 1u);
  EXPECT_FALSE(TestFlag(PositionValid));
}

TEST_F(PositionWorkerTest, AStopThatCameWithAModeChangeEndsTheWorkerBeforeAnyOpen) {
  // A digit pressed just before Quit: both are pending at the top of a pass.
  SetFlag(ModeChange | Interrupt | StopRequest);
  StartWorker(7000);
  ASSERT_EQ(WaitForSingleObject(worker_, 60000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeThread(worker_, &code);
  EXPECT_EQ(code, 0u);
  // Only the start's attempt, which the interrupt cut short; no switch.
  EXPECT_EQ(CountLines(DiagnosticLog(), L"--- Trying RIL mode ---"), 1u);
  EXPECT_TRUE(TestFlag(Interrupt));
}

TEST_F(PositionWorkerTest, AFailedResolutionIsTriedAgainWhileTheCellStaysTheSame) {
  Json::Value profile;
  profile["timeScale"] = 20;
  profile["network"]["hostResolver"] = false;  // no way to the services
  profile["scenario"]["steps"][0] = ScenarioStep(100000000, ScenarioCell(250, 1, 7712, 40031));
  WriteProfile(profile);
  StartWorker(7000);
  ASSERT_TRUE(Shows(StatusList(), L"no internet connection", 60000));
  // The sync thread places the cell meanwhile, over a connection of its own.
  const CellRecord cell{250, 1, 7712, 40031, -1, -1};
  Position unplaced;
  LONG offset = -1;
  ASSERT_EQ(LookupTower(cell, &unplaced, &offset), -3);
  StoreTower(cell, Position{55.75f, 37.61f, 550}, false, offset);
  EXPECT_TRUE(Shows(StatusList(), L"GPS: On", LookupRetry::kLongestWait + 10000));
}

TEST(LookupRetryTest, TheFirstRetryComesAtTheNextPassThenAtMostOneAMinute) {
  const DWORD period = 7000;
  const DWORD boot = 0xFFFF0000u;  // the tick count wraps meanwhile
  LookupRetry retry;
  EXPECT_FALSE(retry.Due(boot));
  retry.Record(false, boot, period);
  std::vector<DWORD> attempts;
  DWORD now = boot;
  for (int pass = 1; pass <= 200; ++pass) {  // about 23 device minutes
    now = boot + static_cast<DWORD>(pass) * period;
    if (!retry.Due(now)) continue;
    attempts.push_back(now - boot);
    retry.Record(false, now, period);
  }
  ASSERT_GE(attempts.size(), 2u);
  EXPECT_EQ(attempts[0], period);
  for (size_t i = 1; i < attempts.size(); ++i) {
    EXPECT_LE(attempts[i] - attempts[i - 1], LookupRetry::kLongestWait + period) << i;
  }
  EXPECT_GE(attempts.back() - attempts[attempts.size() - 2], LookupRetry::kLongestWait);
  EXPECT_LE(attempts.size(), 200 * period / LookupRetry::kLongestWait + 4);
  retry.Record(true, now, period);
  EXPECT_FALSE(retry.Due(now + 10 * LookupRetry::kLongestWait));
}

}  // namespace
