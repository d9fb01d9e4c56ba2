// The tower cache file: the record layout, the month stamps and their ages,
// the start-up size check, and the lookups, writes and searches.
#include <windows.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/cell_source_holder.h"
#include "core/flags.h"
#include "lookup/month_stamp.h"
#include "lookup/tower_cache.h"
#include "lookup_fixture.h"
#include "settings/message_list.h"

namespace kelvane::testing {
namespace {

// The tests' "now": 10 June 2024. Stamps of that month are 1 old.
constexpr WORD kThisMonth = StampOf(2024, 6);
constexpr WORD kMarch = StampOf(2024, 3);

class TowerCacheTest : public LookupTest {
 protected:
  void SetUp() override {
    LookupTest::SetUp();
    SetCalendar(2024, 6, 10);
  }
};

TEST(TowerCacheRecordTest, LayoutIsLittleEndianTwentyEightBytes) {
  const TowerCacheRecord record = CachedTower(250, 99, -2, 70000, 1.5f, -2.0f, 812, 0x7E86, 0x6411);
  uint8_t bytes[kTowerRecordSize];
  EncodeTowerRecord(record, bytes);
  const uint8_t expected[kTowerRecordSize] = {0xFA, 0x00, 0x63, 0x00, 0xFE, 0xFF, 0xFF, 0xFF, 0x70, 0x11,
                                              0x01, 0x00, 0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00, 0xC0,
                                              0x2C, 0x03, 0x00, 0x00, 0x86, 0x7E, 0x11, 0x64};
  EXPECT_EQ(std::string(bytes, bytes + sizeof bytes), std::string(expected, expected + sizeof expected));
  const TowerCacheRecord back = DecodeTowerRecord(bytes);
  EXPECT_EQ(back.country, 250);
  EXPECT_EQ(back.area, -2);
  EXPECT_EQ(back.cell_id, 70000);
  EXPECT_EQ(back.longitude, -2.0f);
  EXPECT_EQ(back.accuracy, 812);
  EXPECT_EQ(back.resolved, 0x7E86);
  EXPECT_EQ(back.last_used, 0x6411);
}

TEST_F(TowerCacheTest, MonthStampAndItsAge) {
  SetCalendar(2009, 8, 31);
  EXPECT_EQ(MonthStamp(), 0x7D98);
  // Days after the first of the stamp's month, and the age they give.
  const struct {
    int days;
    int age;
  } cases[] = {{0, 1}, {30, 1}, {31, 2}, {58, 2}, {59, 3}, {89, 3}, {90, 4}, {150, 5}, {151, 6}};
  for (const auto& c : cases) {
    SetCalendarDaysAfter(2023, 3, 1, c.days);
    EXPECT_EQ(MonthsAge(StampOf(2023, 3)), c.age) << c.days;
  }
  // A stamp after the current month (clock set back) is fresh; one naming
  // no month is older than any threshold.
  SetCalendar(2023, 2, 27);
  EXPECT_EQ(MonthsAge(StampOf(2023, 3)), 0);
  EXPECT_EQ(MonthsAge(StampOf(2023, 0)), kUnreadableStampAge);
  EXPECT_EQ(MonthsAge(StampOf(2023, 13)), kUnreadableStampAge);
  EXPECT_GT(MonthsAge(kNeverPlacedStamp), kReusableAbove);
}

TEST_F(TowerCacheTest, StartUpDeletesAFileOfTornSize) {
  const struct {
    size_t size;
    bool kept;
  } cases[] = {{57, false}, {56, true}, {0, true}};
  for (const auto& c : cases) {
    DiagnosticLog().Clear();
    WriteCacheBytes(std::string(c.size, 'x'));
    CellSourceHolder holder;
    EXPECT_EQ(std::filesystem::exists(root() / "Program Files/Kelvane/cells.dat"), c.kept) << c.size;
    EXPECT_EQ(LogHas(L"WRN: Incorrect size of file, deleting cells.dat"), !c.kept) << c.size;
  }
  // A missing file is no error.
  std::filesystem::remove(root() / "Program Files/Kelvane/cells.dat");
  CellSourceHolder after_removal;
  EXPECT_EQ(LogLines().size(), 0u);
}

TEST_F(TowerCacheTest, LookupComparesTheWholeIdentityAndJudgesTheAge) {
  SetCalendarDaysAfter(2024, 3, 1, 89);
  WriteCache({
      CachedTower(250, 1, 10, 100, 55.0f, 37.0f, 500, kMarch, kMarch),
      CachedTower(250, 1, 10, 101, 0.0f, 0.0f, 0, kNeverPlacedStamp, kMarch),
      CachedTower(0xFFFF, 1, 10, 102, 1.0f, 1.0f, 1, kMarch, kMarch),
      // Damaged positions (off the globe, not a number) and negative
      // accuracies: asked again, never given.
      CachedTower(250, 1, 10, 103, 131584.0f, 1.5e-36f, 5, kMarch, kMarch),
      CachedTower(250, 1, 10, 104, 10.0f, std::nanf(""), 5, kMarch, kMarch),
      CachedTower(250, 1, 10, 105, 55.0f, 37.0f, -1, kMarch, kMarch),
      CachedTower(250, 1, 10, 106, 55.0f, 37.0f, INT32_MIN, kMarch, kMarch),
  });
  const struct {
    CellRecord cell;
    int result;
    LONG offset;
  } cases[] = {
      {CellRecord{250, 1, 10, 100}, 0, 0},
      {CellRecord{250, 1, 10, 101}, -3, 28},
      {CellRecord{-1, 1, 10, 102}, -1, -1},  // an unknown code matches nothing, not 0xFFFF
      {CellRecord{250 + 0x10000, 1, 10, 100}, -1, -1},  // nor does a code beyond 16 bits
      {CellRecord{250, 1 + 0x10000, 10, 100}, -1, -1},
      {CellRecord{250, 2, 10, 100}, -1, -1},
      {CellRecord{250, 1, 11, 100}, -1, -1},
      {CellRecord{251, 1, 10, 100}, -1, -1},
      {CellRecord{250, 1, 10, 103}, -3, 84},
      {CellRecord{250, 1, 10, 104}, -3, 112},
      {CellRecord{250, 1, 10, 105}, -3, 140},
      {CellRecord{250, 1, 10, 106}, -3, 168},
  };
  for (const auto& c : cases) {
    Position p = kNoPosition;
    LONG offset = 12345;
    EXPECT_EQ(LookupTower(c.cell, &p, &offset), c.result) << c.cell.cell_id;
    EXPECT_EQ(offset, c.offset) << c.cell.cell_id;
    EXPECT_EQ(p.accuracy, c.result == 0 ? 500 : kNoResult) << c.cell.cell_id;
  }
  // 90 days after the first of the month it was resolved in: stale, still given.
  SetCalendarDaysAfter(2024, 3, 1, 90);
  Position p = kNoPosition;
  LONG offset = -1;
  EXPECT_EQ(LookupTower(CellRecord{250, 1, 10, 100}, &p, &offset), -2);
  EXPECT_EQ(p.latitude, 55.0f);
  std::filesystem::remove(root() / "Program Files/Kelvane/cells.dat");
  EXPECT_EQ(LookupTower(CellRecord{250, 1, 10, 100}, &p, &offset), -1);
}

// The search reads the file in blocks of many records; a cell far into a
// large file is found at its own offset, and a torn last record is no match.
TEST_F(TowerCacheTest, LookupFindsCellsPastTheFirstBlocks) {
  std::vector<TowerCacheRecord> records;
  for (int i = 0; i < 7000; ++i)
    records.push_back(CachedTower(250, 1, i / 100, i, 55.0f, 37.0f, i, kThisMonth, kThisMonth));
  WriteCache(records);
  for (int cell : {0, 2340, 2341, 4682, 6999}) {
    Position p = kNoPosition;
    LONG offset = -1;
    EXPECT_EQ(LookupTower(CellRecord{250, 1, cell / 100, cell}, &p, &offset), 0) << cell;
    EXPECT_EQ(offset, cell * kTowerRecordSize) << cell;
    EXPECT_EQ(p.accuracy, cell) << cell;
  }
  uint8_t last[kTowerRecordSize];
  EncodeTowerRecord(CachedTower(250, 1, 70, 7000, 55.0f, 37.0f, 1, kThisMonth, kThisMonth), last);
  std::ofstream(root() / "Program Files/Kelvane/cells.dat", std::ios::binary | std::ios::app)
      .write(reinterpret_cast<const char*>(last), kTowerRecordSize - 1);
  Position p = kNoPosition;
  LONG offset = -1;
  EXPECT_EQ(LookupTower(CellRecord{250, 1, 70, 7000}, &p, &offset), -1);
}

TEST_F(TowerCacheTest, LookupTouchesAHitAtMostMonthly) {
  WriteCache({
      CachedTower(262, 1, 10, 100, 1.0f, 1.0f, 1, kThisMonth, StampOf(2024, 5)),  // used last month
      CachedTower(262, 1, 10, 101, 1.0f, 1.0f, 1, kThisMonth, StampOf(2024, 4)),  // two months ago
      CachedTower(262, 1, 10, 102, 1.0f, 1.0f, 1, kNeverPlacedStamp, StampOf(2024, 1)),
  });
  SetCalendar(2024, 6, 1);  // 31 days after May 1: May's stamp is just due
  Position p;
  LONG offset;
  for (int id : {100, 101, 102}) LookupTower(CellRecord{262, 1, 10, id}, &p, &offset);
  const auto records = ReadCache();
  EXPECT_EQ(records[0].last_used, kThisMonth);
  EXPECT_EQ(records[1].last_used, kThisMonth);
  EXPECT_EQ(records[2].last_used, StampOf(2024, 1));  // never placed: not a hit
  // Touched this month: not written again.
  SetCalendar(2024, 6, 30);
  const std::string before = CacheBytes();
  LookupTower(CellRecord{262, 1, 10, 100}, &p, &offset);
  EXPECT_EQ(CacheBytes(), before);
}

TEST_F(TowerCacheTest, StoreRewritesInPlaceReusesOldSlotsOrAppends) {
  const TowerCacheRecord recent = CachedTower(262, 1, 10, 1, 1.0f, 1.0f, 1, kMarch, kMarch);
  // Reusable after 151 days unused: 1 February is 130 days back, 1 December 193.
  const TowerCacheRecord forgotten = CachedTower(262, 1, 10, 2, 2.0f, 2.0f, 2, StampOf(2023, 12), StampOf(2024, 2));
  const TowerCacheRecord abandoned = CachedTower(262, 1, 10, 3, 3.0f, 3.0f, 3, StampOf(2023, 10), StampOf(2023, 12));
  WriteCache({recent, forgotten, abandoned});
  EXPECT_EQ(FindReusableTowerSlot(), 56);
  SetFlag(Interrupt);
  EXPECT_EQ(FindReusableTowerSlot(), -1);
  ClearFlag(Interrupt);

  StoreTower(CellRecord{250, 7, 8, 9}, Position{4.0f, 5.0f, 6}, false, -1);  // into the abandoned slot
  StoreTower(CellRecord{250, 7, 8, 10}, Position{0.0f, 0.0f, kNoResult}, true, -1);  // no slot left: appended
  StoreTower(CellRecord{262, 1, 10, 1}, Position{7.0f, 8.0f, 9}, false, 0);  // in place
  const auto records = ReadCache();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].latitude, 7.0f);
  EXPECT_EQ(records[0].resolved, kThisMonth);
  EXPECT_EQ(records[1].cell_id, 2);
  EXPECT_EQ(records[2].cell_id, 9);
  EXPECT_EQ(records[2].accuracy, 6);
  EXPECT_EQ(records[2].resolved, kThisMonth);
  EXPECT_EQ(records[2].last_used, kThisMonth);
  EXPECT_EQ(records[3].cell_id, 10);
  EXPECT_EQ(records[3].resolved, kNeverPlacedStamp);
  EXPECT_EQ(records[3].last_used, kThisMonth);
}

TEST_F(TowerCacheTest, DueRecordsAreFoundInFileOrder) {
  WriteCache({
      CachedTower(262, 1, 10, 1, 1.0f, 1.0f, 1, StampOf(2024, 5), kThisMonth),  // 40 days: not due
      CachedTower(262, 1, 10, 2, 1.0f, 1.0f, 1, StampOf(2024, 4), kThisMonth),  // 70 days: due
      CachedTower(255, 0xFFFF, 10, 3, 1.0f, 1.0f, 1, kNeverPlacedStamp, kThisMonth),
      CachedTower(262, 1, 10, 4, 1.0f, 1.0f, 1, kThisMonth, kThisMonth),
  });
  CellRecord cell;
  LONG offset = -1;
  ASSERT_TRUE(FindDueTower(&cell, &offset));
  EXPECT_EQ(offset, 28);
  EXPECT_EQ(cell.cell_id, 2);
  ASSERT_TRUE(FindDueTower(&cell, &offset));
  EXPECT_EQ(offset, 56);
  EXPECT_EQ(cell.cell_id, 3);
  EXPECT_EQ(cell.country, 255);
  EXPECT_EQ(cell.network, 0xFFFF);  // zero-extended
  EXPECT_FALSE(FindDueTower(&cell, &offset));
  EXPECT_EQ(offset, 56);
}

}  // namespace
}  // namespace kelvane::testing
