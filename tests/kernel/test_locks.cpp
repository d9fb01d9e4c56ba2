// Critical sections and interlocked operations under contention.
#include "support/device_fixture.h"

#include <windows.h>

#include <thread>
#include <vector>

namespace {

TEST(CriticalSectionTest, IsRecursiveAndTryEnterFailsFromAnotherThread) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));  // recursion on the owner
  BOOL other_got_it = TRUE;
  std::thread([&] { other_got_it = TryEnterCriticalSection(&cs); }).join();
  EXPECT_FALSE(other_got_it);
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  std::thread([&] {
    other_got_it = TryEnterCriticalSection(&cs);
    if (other_got_it) LeaveCriticalSection(&cs);
  }).join();
  EXPECT_TRUE(other_got_it);
  DeleteCriticalSection(&cs);
}

TEST(CriticalSectionTest, SerialisesIncrements) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&cs);
        ++counter;
        LeaveCriticalSection(&cs);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
  DeleteCriticalSection(&cs);
}

TEST(InterlockedTest, ResultsFollowThePlatform) {
  volatile LONG v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(InterlockedDecrement(&v), 5);
  EXPECT_EQ(InterlockedExchange(&v, 9), 5);
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 8), 9);  // no match: unchanged
  EXPECT_EQ(v, 9);
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 9), 9);  // match: replaced
  EXPECT_EQ(v, 1);
  EXPECT_EQ(InterlockedExchangeAdd(&v, 10), 1);
  EXPECT_EQ(v, 11);
}

TEST(InterlockedTest, NoUpdateIsLostUnderContention) {
  volatile LONG count = 0;
  volatile LONG flags = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20000; ++i) {
        InterlockedIncrement(&count);
        InterlockedExchangeAdd(&count, -1);
        InterlockedIncrement(&count);
      }
      // Each thread sets its own bit with a compare-exchange loop.
      LONG old;
      do {
        old = InterlockedCompareExchange(&flags, 0, 0);
      } while (InterlockedCompareExchange(&flags, old | (1 << t), old) != old);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(count, 80000);
  EXPECT_EQ(flags, 0xF);
}

}  // namespace
