#include "process_usage.h"

#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <thread>

namespace {

using kelvane::bench::CpuSeconds;
using kelvane::bench::ParseCpuTicks;
using kelvane::bench::ParseStatusKb;
using kelvane::bench::StatusKb;

// Fields 3 to 13, then utime 700, stime 35, cutime 9000, cstime 9000, ...
const char kStatTail[] = " S 1 1234 1234 0 -1 4194560 812 0 0 0 700 35 9000 9000 20 0 6 0 4100 21000000 900\n";

TEST(ProcessUsageTest, CpuTicksAreTheProcessOwnUserAndSystemWhateverItsName) {
  EXPECT_EQ(ParseCpuTicks(std::string("4242 (Quorvane)") + kStatTail), 735u);
  // A name may hold spaces and parentheses, even ") S 1 2".
  EXPECT_EQ(ParseCpuTicks(std::string("4242 (a) S 1 2 (b c))") + kStatTail), 735u);
  EXPECT_EQ(ParseCpuTicks(std::string("4242 ( )") + kStatTail), 735u);
}

TEST(ProcessUsageTest, CpuTicksOfAnUnreadableStatAreUnknown) {
  EXPECT_FALSE(ParseCpuTicks(""));
  EXPECT_FALSE(ParseCpuTicks("4242 Quorvane S 1 1234 1234 0 -1 4194560 812 0 0 0 700 35"));  // no name
  EXPECT_FALSE(ParseCpuTicks("4242 (Quorvane) S 1 1234 1234 0 -1 4194560 812 0 0 0 700"));  // cut after utime
  EXPECT_FALSE(ParseCpuTicks("4242 (Quorvane) S 1 1234 1234 0 -1 4194560 812 0 0 0 x 35"));
}

TEST(ProcessUsageTest, StatusFiguresAreFoundByTheirWholeName) {
  const std::string status =
      "Name:\tQuorvane\nVmHWM:\t    9120 kB\nVmRSS:\t    8804 kB\nRssAnon:\t    2100 kB\nVmSwap:\t  12 kB\n";
  EXPECT_EQ(ParseStatusKb(status, "VmRSS"), 8804);
  EXPECT_EQ(ParseStatusKb(status, "VmHWM"), 9120);
  EXPECT_EQ(ParseStatusKb(status, "VmSwap"), 12);
  EXPECT_FALSE(ParseStatusKb(status, "Rss"));     // only a prefix of RssAnon
  EXPECT_FALSE(ParseStatusKb(status, "VmData"));  // absent
  EXPECT_FALSE(ParseStatusKb(status, "Name"));    // not a kB figure
  EXPECT_FALSE(ParseStatusKb("VmRSS:\t8804 pages\n", "VmRSS"));
}

double ThreadCpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

TEST(ProcessUsageTest, CpuSecondsCountEveryThreadOfTheProcess) {
  const auto before = CpuSeconds(getpid());
  ASSERT_TRUE(before);
  // The work is measured in the thread's own CPU time, so a busy machine
  // only makes it take longer.
  std::thread busy([] {
    const double start = ThreadCpuSeconds();
    while (ThreadCpuSeconds() - start < 0.3) {
    }
  });
  busy.join();
  const auto after = CpuSeconds(getpid());
  ASSERT_TRUE(after);
  EXPECT_GE(*after - *before, 0.28);  // one clock tick of rounding
  EXPECT_FALSE(CpuSeconds(-1));
}

TEST(ProcessUsageTest, ResidentMemoryIsInKilobytesAndThePeakCoversIt) {
  const auto before = StatusKb(getpid(), "VmRSS");
  ASSERT_TRUE(before);
  const size_t size = 32 << 20;
  std::unique_ptr<char[]> block(new char[size]);
  std::memset(block.get(), 1, size);
  const auto after = StatusKb(getpid(), "VmRSS");
  const auto peak = StatusKb(getpid(), "VmHWM");
  ASSERT_TRUE(after && peak);
  EXPECT_GE(*after - *before, 30 << 10);
  EXPECT_GE(*peak, *after);
  EXPECT_EQ(block[size - 1], 1);
  EXPECT_FALSE(StatusKb(-1, "VmRSS"));
}

}  // namespace
