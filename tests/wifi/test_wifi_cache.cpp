// wifi.dat: ages at month boundaries, duplicates, slot reuse, the start-up
// size check.
#include <windows.h>

#include "lookup/month_stamp.h"
#include "lookup_fixture.h"
#include "settings/message_list.h"
#include "wifi/wifi_cache.h"
#include "wifi_cache_file.h"

namespace kelvane::testing {
namespace {

class WifiCacheTest : public LookupTest {
 protected:
  void SetUp() override {
    LookupTest::SetUp();
    std::filesystem::remove(root() / kWifiCachePath);
  }
};

constexpr WORD kMarch = StampOf(2024, 3);

// The bytes of wifi.dat spelled out, so that the codec the other tests write
// and read through cannot drift from the file's layout unnoticed.
TEST(WifiCacheRecordTest, LayoutIsLittleEndianTwentyTwoBytes) {
  const WifiCacheRecord record = CachedPoint(7, 1.5f, -2.0f, 812, 0x7E86, 0x6411);
  uint8_t bytes[kWifiRecordSize];
  EncodeWifiRecord(record, bytes);
  const uint8_t expected[kWifiRecordSize] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x07, 0x00, 0x00, 0xC0, 0x3F, 0x00,
                                             0x00, 0x00, 0xC0, 0x2C, 0x03, 0x00, 0x00, 0x86, 0x7E, 0x11, 0x64};
  EXPECT_EQ(std::string(bytes, bytes + sizeof bytes), std::string(expected, expected + sizeof expected));
  const WifiCacheRecord back = DecodeWifiRecord(expected);
  EXPECT_EQ(std::string(back.mac, back.mac + kMacBytes), std::string(expected, expected + kMacBytes));
  EXPECT_EQ(back.latitude, 1.5f);
  EXPECT_EQ(back.longitude, -2.0f);
  EXPECT_EQ(back.accuracy, 812);
  EXPECT_EQ(back.resolved, 0x7E86);
  EXPECT_EQ(back.last_used, 0x6411);
}

TEST_F(WifiCacheTest, ARecordIsFreshUntilTheEndOfItsMonthsThirtyFirstDay) {
  WriteWifiCache(root(), WifiCacheBytes({CachedPoint(1, 55.75f, 37.6f, 40, kMarch, StampOf(2024, 1))}));
  const AccessPointList list = {PointOf(1)};
  Position p = kNoPosition;
  LONG offset = 7;
  SetCalendarDaysAfter(2024, 3, 31, 0);
  EXPECT_EQ(LookupCache(list, &p, &offset), 0);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(p.latitude, 55.75f);
  EXPECT_EQ(p.accuracy, 40);
  // The last-used date, two months old, was brought up to date.
  EXPECT_EQ(ReadWifiCache(root())[0].last_used, kMarch);

  SetCalendarDaysAfter(2024, 4, 1, 0);
  p = kNoPosition;
  EXPECT_EQ(LookupCache(list, &p, &offset), -2);
  EXPECT_EQ(p.longitude, 37.6f);
  // 31 days after 1 March the last-used date is a month old again.
  EXPECT_EQ(ReadWifiCache(root())[0].last_used, StampOf(2024, 4));
}

TEST_F(WifiCacheTest, TheFirstPositionedAccessPointOfTheListAnswers) {
  SetCalendar(2024, 6, 10);
  const WORD now = StampOf(2024, 6);
  WriteWifiCache(root(), WifiCacheBytes({CachedPoint(3, 3.0f, 3.0f, 30, now, now),
                                         CachedPoint(1, 0.0f, 0.0f, 0, kNeverPlacedStamp, now),
                                         CachedPoint(2, 2.0f, 2.0f, 20, now, now)}));
  Position p = kNoPosition;
  LONG offset = -1;
  // The first is known without a position, the second answers, the third
  // (also positioned) is not looked at.
  EXPECT_EQ(LookupCache({PointOf(1), PointOf(2), PointOf(3)}, &p, &offset), 0);
  EXPECT_EQ(p.latitude, 2.0f);
  EXPECT_EQ(offset, 2 * kWifiRecordSize);

  p = kNoPosition;
  EXPECT_EQ(LookupCache({PointOf(9), PointOf(1)}, &p, &offset), -3);
  EXPECT_EQ(offset, kWifiRecordSize);
  EXPECT_EQ(p.accuracy, kNoResult);
  EXPECT_EQ(LookupCache({PointOf(9)}, &p, &offset), -1);
  EXPECT_EQ(offset, -1);
  std::filesystem::remove(root() / kWifiCachePath);
  EXPECT_EQ(LookupCache({PointOf(2)}, &p, &offset), -1);
}

TEST_F(WifiCacheTest, ARecordOffTheGlobeIsNeverHandedOut) {
  SetCalendar(2024, 6, 10);
  const WORD now = StampOf(2024, 6);
  WriteWifiCache(root(), WifiCacheBytes({CachedPoint(1, 91.0f, 0.0f, 10, now, now)}));
  Position p = kNoPosition;
  LONG offset = -1;
  EXPECT_EQ(LookupCache({PointOf(1)}, &p, &offset), -3);
  EXPECT_EQ(p.accuracy, kNoResult);
}

TEST_F(WifiCacheTest, StoringOverwritesTheFirstDuplicateAndAppendsNewPoints) {
  SetCalendar(2024, 6, 10);
  const WORD now = StampOf(2024, 6);
  WriteWifiCache(root(), WifiCacheBytes({CachedPoint(1, 1.0f, 1.0f, 10, kMarch, now),
                                         CachedPoint(1, 9.0f, 9.0f, 90, kMarch, now)}));
  Position p = kNoPosition;
  LONG offset = -1;
  EXPECT_EQ(LookupCache({PointOf(1)}, &p, &offset), -2);
  EXPECT_EQ(p.latitude, 1.0f);

  StoreCache({PointOf(1), PointOf(2)}, Position{55.75f, 37.6f, 42});
  const std::vector<WifiCacheRecord> records = ReadWifiCache(root());
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].latitude, 55.75f);
  EXPECT_EQ(records[0].resolved, now);
  EXPECT_EQ(records[0].last_used, now);
  EXPECT_EQ(records[1].latitude, 9.0f);  // the second duplicate is never touched
  EXPECT_EQ(records[2].mac[5], 2);
  EXPECT_EQ(records[2].accuracy, 42);
}

TEST_F(WifiCacheTest, ASlotUnusedFor59DaysIsReused) {
  // Last used in April: reusable from 59 days after 1 April on.
  for (int days : {58, 60}) {
    SetCalendarDaysAfter(2024, 4, 1, days);
    WriteWifiCache(root(), WifiCacheBytes({CachedPoint(7, 7.0f, 7.0f, 70, StampOf(2024, 4), StampOf(2024, 4))}));
    StoreCache({PointOf(1)}, Position{1.0f, 2.0f, 3});
    const std::vector<WifiCacheRecord> records = ReadWifiCache(root());
    ASSERT_EQ(records.size(), days < 59 ? 2u : 1u) << days;
    EXPECT_EQ(records.back().mac[5], 1) << days;
    EXPECT_EQ(records.back().accuracy, 3) << days;
  }
}

TEST_F(WifiCacheTest, AFileOfTornSizeIsDeletedAtStart) {
  for (size_t size : {23u, 0u, 44u}) {
    DiagnosticLog().Clear();
    WriteWifiCache(root(), std::string(size, 'x'));
    CheckWifiCacheFile();
    const bool torn = size % kWifiRecordSize != 0;
    EXPECT_EQ(std::filesystem::exists(root() / kWifiCachePath), !torn) << size;
    EXPECT_EQ(LogHas(L"WRN: Incorrect size of file, deleting wifi.dat"), torn) << size;
  }
}

}  // namespace
}  // namespace kelvane::testing
