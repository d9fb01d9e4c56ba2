// Readers, writers, event waiters and closers on a port while its instance is
// deactivated, through the file API; run under ThreadSanitizer and
// AddressSanitizer in CI. Bounded: every thread stops once the name is gone.
#include "devmgr/port_fixture.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using kelvane::testing::PortTest;

class PortStressTest : public PortTest {};

TEST_F(PortStressTest, ConcurrentUseThenDeactivation) {
  for (int round = 0; round < 4; ++round) {
    HANDLE device = Activate(6);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    std::atomic<bool> gone{false};
    std::atomic<long> moved{0};
    std::vector<std::thread> threads;
    // Two users, each opening, using and closing the port until it is gone.
    for (int user = 0; user < 2; ++user) {
      threads.emplace_back([&, user] {
        while (!gone) {
          HANDLE port = OpenPort(L"COM6:");
          if (port == INVALID_HANDLE_VALUE) {
            std::this_thread::yield();
            continue;
          }
          COMMTIMEOUTS t = {0, 0, 0, 0, 0};
          SetCommTimeouts(port, &t);
          std::atomic<bool> done{false};
          std::thread reader([&] {
            char in[200];
            DWORD n;
            while (!done && ReadFile(port, in, sizeof(in), &n, nullptr)) {
            }
          });
          std::thread waiter([&] {
            DWORD event;
            SetCommMask(port, EV_RXCHAR | EV_TXEMPTY);
            while (!done && WaitCommEvent(port, &event, nullptr)) {
            }
          });
          const std::string chunk(300, static_cast<char>('0' + user));
          for (int i = 0; i < 20 && !gone; ++i) {
            DWORD n = 0;
            if (WriteFile(port, chunk.data(), 300, &n, nullptr)) moved += n;
          }
          done = true;
          // Closing ends the reader and the waiter wherever they are blocked.
          CloseHandle(port);
          reader.join();
          waiter.join();
        }
      });
    }
    // A stretch of use, and then until bytes have moved: a loaded host may
    // not have run the users yet. The minute only ends a run that hangs.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (moved.load() == 0 && std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(DeactivateDevice(device));
    ForgetActivation(device);
    gone = true;
    for (auto& t : threads) t.join();
    EXPECT_GT(moved.load(), 0);
  }
}

}  // namespace
