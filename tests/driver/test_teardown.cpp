// Handles and instances going away under calls that are blocked on them, and
// a bounded stress run of every entry point at once. These run under
// AddressSanitizer and ThreadSanitizer in CI: a call that touched freed state
// or raced the lock would be reported there.
#include "driver/tavrel_fixture.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using kelvane::testing::kFailed;
using kelvane::testing::TavrelTest;
using std::chrono::milliseconds;

const milliseconds kSettle(50);

class TeardownTest : public TavrelTest {
 protected:
  // Runs `call` on its own thread; the pair is (result, last error).
  std::future<std::pair<DWORD, DWORD>> Start(std::function<DWORD()> call) {
    return std::async(std::launch::async, [call] {
      SetLastError(0xdeadbeef);
      const DWORD result = call();
      return std::make_pair(result, GetLastError());
    });
  }
};

TEST_F(TeardownTest, DeinitEndsEveryBlockedCallWithInvalidHandle) {
  const DWORD a = OpenPort(), b = OpenPort();
  const std::string fill(3000, 'f');
  DWORD mask = EV_TXEMPTY, event = 0, returned = 0;
  ASSERT_TRUE(Ioctl(b, IOCTL_SERIAL_SET_WAIT_MASK, &mask, sizeof(mask), nullptr, 0, nullptr));
  // a's write fills b and blocks; b waits for a to take bytes, which it never does.
  auto writer = Start([&] { return com.Write(a, fill.data(), 3000); });
  auto waiter = Start([&] {
    return DWORD(Ioctl(b, IOCTL_SERIAL_WAIT_ON_MASK, nullptr, 0, &event, sizeof(event), &returned));
  });
  // Failures here are expectations, not assertions: the instance must still
  // be deinitialised, or the blocked threads would hold the test forever.
  EXPECT_EQ(writer.wait_for(kSettle), std::future_status::timeout);
  EXPECT_EQ(waiter.wait_for(kSettle), std::future_status::timeout);

  Deinit();
  EXPECT_EQ(writer.get(), std::make_pair(kFailed, DWORD{ERROR_INVALID_HANDLE}));
  EXPECT_EQ(waiter.get(), std::make_pair(DWORD{FALSE}, DWORD{ERROR_INVALID_HANDLE}));
  // The numbers are gone with the instance.
  char in[8];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(com.Read(b, in, sizeof(in)), kFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(TeardownTest, DeinitEndsABlockedReadOnAnEmptyBuffer) {
  const DWORD a = OpenPort(), b = OpenPort();
  ASSERT_NE(a, 0u);
  ASSERT_TRUE(SetTimeouts(b, 0, 0, 0));
  char in[8];
  auto reader = Start([&] { return com.Read(b, in, sizeof(in)); });
  EXPECT_EQ(reader.wait_for(kSettle), std::future_status::timeout);
  Deinit();
  EXPECT_EQ(reader.get(), std::make_pair(kFailed, DWORD{ERROR_INVALID_HANDLE}));
}

TEST_F(TeardownTest, ANewInstanceDoesNotAnswerToAnOldOnesNumbers) {
  const DWORD old_port = OpenPort();
  const DWORD old_device = device;
  Deinit();
  device = com.Init(L"Drivers\\Active\\43", nullptr);
  ASSERT_NE(device, 0u);
  const DWORD port = OpenPort();
  ASSERT_NE(port, 0u);
  EXPECT_NE(port, old_port);
  EXPECT_NE(device, old_device);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(com.Open(old_device, 0, 0), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(com.Close(old_port));
  EXPECT_TRUE(com.Close(port));
}

// Readers, writers, event waiters, time-out changes, closers and re-openers
// on one instance, ended by its deinitialisation; repeated a few rounds.
TEST_F(TeardownTest, EveryEntryPointAtOnceThenDeinit) {
  for (int round = 0; round < 6; ++round) {
    if (round > 0) {
      device = com.Init(L"Drivers\\Active\\44", nullptr);
      ASSERT_NE(device, 0u);
    }
    const DWORD instance = device;  // the closer keeps opening it after Deinit
    std::atomic<DWORD> handles[2] = {OpenPort(), OpenPort()};
    std::atomic<bool> stop{false};
    std::atomic<long> moved{0};
    std::vector<std::thread> threads;
    for (int side = 0; side < 2; ++side) {
      threads.emplace_back([&, side] {  // writer
        const std::string chunk(300, 'w');
        while (!stop) {
          const DWORD n = com.Write(handles[side], chunk.data(), 300);
          if (n != kFailed) moved += n;
        }
      });
      threads.emplace_back([&, side] {  // reader, blocking when it can
        char in[256];
        SetTimeouts(handles[side], 0, 0, 0);
        while (!stop) {
          const DWORD n = com.Read(handles[side], in, sizeof(in));
          if (n == kFailed) SetTimeouts(handles[side], 0, 0, 0);
        }
      });
      threads.emplace_back([&, side] {  // event waiter and mask changer
        DWORD mask = EV_RXCHAR | EV_TXEMPTY, event, returned;
        while (!stop) {
          Ioctl(handles[side], IOCTL_SERIAL_SET_WAIT_MASK, &mask, sizeof(mask), nullptr, 0, nullptr);
          Ioctl(handles[side], IOCTL_SERIAL_WAIT_ON_MASK, nullptr, 0, &event, sizeof(event), &returned);
        }
      });
    }
    threads.emplace_back([&] {  // closer and re-opener, with queue changes
      for (int i = 0; !stop; ++i) {
        const int side = i % 2;
        com.Close(handles[side].exchange(0));
        handles[side] = com.Open(instance, 0, 0);
        SERIAL_QUEUE_SIZES sizes = {DWORD(256 + i % 3 * 512), DWORD(256 + i % 5 * 256)};
        Ioctl(handles[1 - side], IOCTL_SERIAL_SET_QUEUE_SIZE, &sizes, sizeof(sizes), nullptr, 0, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    // A stretch of stress, and then until bytes have moved: a loaded host may
    // not have run the writers yet. The minute only ends a run that hangs.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (moved.load() == 0 && std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Deinit();
    stop = true;
    // Nothing can block any more: every number is gone, so every call fails at once.
    for (auto& t : threads) t.join();
    EXPECT_GT(moved.load(), 0);
  }
}

}  // namespace
