// The rules that tell the radio's table from other runs of valid entries.
#include <gtest/gtest.h>

#include <vector>

#include "cell/table_run_finder.h"

namespace {

RadioTableEntry Alike(uint8_t network_units = 1) {
  RadioTableEntry e = {};
  const uint8_t digits[] = {2, 5, 0, 3, 0, network_units};
  for (int i = 0; i < 6; ++i) e.bytes[16 + i] = digits[i];
  return e;
}

// Feeds entries at these addresses; the address of the entry that completed
// the table, or 0.
uint32_t Feed(TableRunFinder* finder, const std::vector<uint32_t>& addresses, const RadioTableEntry& e = Alike()) {
  for (uint32_t a : addresses)
    if (finder->Add(e.bytes, a)) return a;
  return 0;
}

std::vector<uint32_t> EvenRun(uint32_t start, uint32_t step, int count) {
  std::vector<uint32_t> addresses;
  for (int i = 0; i < count; ++i) addresses.push_back(start + step * static_cast<uint32_t>(i));
  return addresses;
}

TEST(TableRunFinder, SevenAlikeEntriesAtOneDistanceFrom33To499AreTheTable) {
  for (uint32_t step : {33u, 72u, 499u}) {
    TableRunFinder finder;
    EXPECT_EQ(Feed(&finder, EvenRun(0x80001000, step, 7)), 0x80001000 + 6 * step) << step;
    EXPECT_EQ(finder.table_address(), 0x80001000u) << step;
    EXPECT_EQ(finder.step(), step);
  }
  for (uint32_t step : {32u, 500u}) {
    TableRunFinder finder;
    EXPECT_EQ(Feed(&finder, EvenRun(0x80001000, step, 20)), 0u) << step;
  }
}

TEST(TableRunFinder, SixAtOneDistanceThenOneAtAnotherStartCountingAgainFromTheLast) {
  TableRunFinder finder;
  std::vector<uint32_t> addresses = EvenRun(0x80001000, 64, 6);
  addresses.push_back(addresses.back() + 68);
  EXPECT_EQ(Feed(&finder, addresses), 0u);
  EXPECT_EQ(Feed(&finder, EvenRun(addresses.back() + 68, 68, 6)), addresses.back() + 6 * 68);
  EXPECT_EQ(finder.table_address(), addresses.back());
}

TEST(TableRunFinder, AnEntryTooCloseOrTooFarBecomesThePreviousEntry) {
  for (uint32_t gap : {32u, 16u, 500u, 4096u}) {
    TableRunFinder finder;
    EXPECT_EQ(Feed(&finder, {0x80001000, 0x80001000 + gap}), 0u);
    EXPECT_EQ(Feed(&finder, EvenRun(0x80001000 + gap + 64, 64, 6)), 0x80001000 + gap + 6 * 64) << gap;
    EXPECT_EQ(finder.table_address(), 0x80001000 + gap) << gap;
  }
}

TEST(TableRunFinder, ARunBrokenByAFarEntryOrAnotherNetworkDoesNotResume) {
  // Six at 64, an alike entry 600 further, one more at 64: never seven in a row.
  TableRunFinder far;
  std::vector<uint32_t> addresses = EvenRun(0x80001000, 64, 6);
  addresses.push_back(addresses.back() + 600);
  addresses.push_back(addresses.back() + 64);
  EXPECT_EQ(Feed(&far, addresses), 0u);

  TableRunFinder mixed;
  EXPECT_EQ(Feed(&mixed, EvenRun(0x80001000, 64, 4)), 0u);
  EXPECT_EQ(Feed(&mixed, {0x80001000 + 4 * 64}, Alike(2)), 0u);
  EXPECT_EQ(Feed(&mixed, EvenRun(0x80001000 + 5 * 64, 64, 3)), 0u);
}

}  // namespace
