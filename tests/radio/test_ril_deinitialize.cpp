// RIL_Deinitialize and unloading: once they return, no callback of the
// handle runs, however the answers race with them.
#include "support/device_fixture.h"

#include "radio/ril_test_support.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

using kelvane::testing::AnswerLog;
using kelvane::testing::DeviceTest;
using kelvane::testing::RilLibrary;

constexpr DWORD kClients = 200;

class RilDeinitializeTest : public DeviceTest {
 protected:
  void Start(DWORD answer_delay) {
    Json::Value profile;
    profile["ril"]["answerDelay"] = answer_delay;
    profile["ril"]["devSpecificDelay"] = answer_delay;
    WriteProfile(profile);
    ASSERT_TRUE(ril_.Load());
  }
  void SetUp() override {
    DeviceTest::SetUp();
    AnswerLog::Instance().Clear();
  }
  void TearDown() override {
    if (ril_.module) FreeLibrary(ril_.module);
    DeviceTest::TearDown();
  }
  RilLibrary ril_;
};

// Each client's callback writes into memory the test frees as soon as
// RIL_Deinitialize returns: a late callback is a use after free (ASan) or a
// race (TSan), and is counted.
struct Client {
  std::atomic<bool> closed{false};
  std::unique_ptr<std::vector<DWORD>> scratch = std::make_unique<std::vector<DWORD>>();
};
Client g_clients[kClients];
std::atomic<int> g_late_callbacks{0};

void CALLBACK RecordInScratch(DWORD code, HRESULT id, const void*, DWORD, DWORD param) {
  Client& c = g_clients[param];
  if (c.closed) ++g_late_callbacks;
  c.scratch->push_back(code);
}

TEST_F(RilDeinitializeTest, NoCallbackRunsAfterDeinitializeReturns) {
  Start(0);
  std::vector<std::thread> threads;
  for (DWORD t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (DWORD i = t; i < kClients; i += 4) {
        HRIL handle = nullptr;
        ASSERT_EQ(ril_.Initialize(1, RecordInScratch, nullptr, 0, i, &handle), S_OK);
        for (int k = 0; k < 3; ++k) {
          ril_.GetCellTowerInfo(handle);
          ril_.DevSpecific(handle, nullptr, 0);
        }
        if (i % 3 == 0) std::this_thread::yield();
        ASSERT_EQ(ril_.Deinitialize(handle), S_OK);
        g_clients[i].closed = true;
        g_clients[i].scratch.reset();
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(g_late_callbacks, 0);
}

HRIL g_self_closing = nullptr;
RilLibrary::HandleFn g_deinitialize = nullptr;
std::atomic<int> g_self_closing_calls{0};
std::atomic<HRESULT> g_deinitialize_result{E_FAIL};
std::atomic<bool> g_deinitialized{false};

void CALLBACK DeinitializeOnFirstAnswer(DWORD, HRESULT, const void*, DWORD, DWORD) {
  if (g_self_closing_calls++ != 0) return;
  g_deinitialize_result = g_deinitialize(g_self_closing);
  g_deinitialized = true;
}

TEST_F(RilDeinitializeTest, DeinitializeFromInsideItsOwnCallbackStopsFurtherAnswers) {
  Start(0);
  g_deinitialize = ril_.Deinitialize;
  ASSERT_EQ(ril_.Initialize(1, DeinitializeOnFirstAnswer, nullptr, 0, 0, &g_self_closing), S_OK);
  for (int k = 0; k < 5; ++k) ril_.GetCellTowerInfo(g_self_closing);
  for (int i = 0; i < 10000 && !g_deinitialized; ++i) Sleep(1);
  ASSERT_TRUE(g_deinitialized);
  // A later handle's answer marks the point by which any stray answer of the
  // first would have arrived; opening it also joins the closed one's thread.
  HRIL later = nullptr;
  ASSERT_EQ(ril_.Initialize(1, AnswerLog::Callback, nullptr, 0, 0, &later), S_OK);
  ril_.GetCellTowerInfo(later);
  ASSERT_EQ(AnswerLog::Instance().WaitFor(1).size(), 1u);
  EXPECT_EQ(g_deinitialize_result, S_OK);
  EXPECT_EQ(g_self_closing_calls, 1);
  EXPECT_EQ(ril_.Deinitialize(g_self_closing), E_INVALIDARG);
  EXPECT_EQ(ril_.Deinitialize(later), S_OK);
}

TEST_F(RilDeinitializeTest, UnloadingTheLibraryDropsAnswersOfOpenHandles) {
  Start(200);
  HRIL handle = nullptr;
  ASSERT_EQ(ril_.Initialize(1, AnswerLog::Callback, nullptr, 0, 0, &handle), S_OK);
  ril_.GetCellTowerInfo(handle);
  ASSERT_TRUE(FreeLibrary(ril_.module));
  ril_.module = nullptr;
  Sleep(400);
  EXPECT_TRUE(AnswerLog::Instance().Answers().empty());
}

}  // namespace
