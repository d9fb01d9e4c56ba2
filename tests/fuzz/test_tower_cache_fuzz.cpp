// cells.dat garbled: torn sizes, garbage records, records cut short. The
// start-up check removes exactly the torn files; lookups, stores and the
// refresh search stay on whole records inside the file, change only what
// they own, and never hand out a position off the globe.
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/cell_source_holder.h"
#include "lookup/month_stamp.h"
#include "lookup/service_position.h"
#include "lookup/tower_cache.h"
#include "lookup_fixture.h"
#include "settings/message_list.h"
#include "support/byte_mutator.h"

namespace kelvane::testing {
namespace {

constexpr WORD kThisMonth = StampOf(2024, 6);

class TowerCacheFuzzTest : public LookupTest {
 protected:
  void SetUp() override {
    LookupTest::SetUp();
    SetCalendar(2024, 6, 10);
  }
};

// Eight intact records: fresh, stale, never placed, long unused.
std::string IntactFile() {
  const TowerCacheRecord records[] = {
      CachedTower(250, 1, 7712, 40031, 55.75f, 37.61f, 800, kThisMonth, kThisMonth),
      CachedTower(250, 1, 7712, 40032, 55.70f, 37.50f, 900, StampOf(2023, 1), kThisMonth),
      CachedTower(250, 2, 1, 70000, 0.0f, 0.0f, 0, kNeverPlacedStamp, kThisMonth),
      CachedTower(262, 7, 50, 12, -33.9f, 151.2f, 1200, kThisMonth, StampOf(2020, 1)),
      CachedTower(310, 260, 9, 65535, 90.0f, -180.0f, 50, StampOf(2024, 4), StampOf(2024, 4)),
      CachedTower(1, 0, -1, -1, 12.5f, 8.25f, 10, kThisMonth, kThisMonth),
      CachedTower(250, 1, 7712, 40031, 1.0f, 1.0f, 1, kThisMonth, kThisMonth),  // a later duplicate
      CachedTower(404, 45, 300, 123456, 28.6f, 77.2f, 2000, StampOf(2024, 0), StampOf(2024, 13)),
  };
  std::string bytes;
  for (const TowerCacheRecord& record : records) {
    uint8_t encoded[kTowerRecordSize];
    EncodeTowerRecord(record, encoded);
    bytes.append(reinterpret_cast<const char*>(encoded), sizeof encoded);
  }
  return bytes;
}

CellRecord IdentityOf(const TowerCacheRecord& record) {
  CellRecord cell;
  cell.country = record.country;
  cell.network = record.network;
  cell.area = record.area;
  cell.cell_id = record.cell_id;
  return cell;
}

std::vector<TowerCacheRecord> WholeRecords(const std::string& bytes) {
  std::vector<TowerCacheRecord> records;
  for (size_t at = 0; at + kTowerRecordSize <= bytes.size(); at += kTowerRecordSize)
    records.push_back(DecodeTowerRecord(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  return records;
}

bool SameIdentity(const TowerCacheRecord& record, const CellRecord& cell) {
  return record.country == cell.country && record.network == cell.network && record.area == cell.area &&
         record.cell_id == cell.cell_id;
}

// Bytes of `after` that differ from `before` lie in [from, to).
::testing::AssertionResult ChangedOnlyWithin(const std::string& before, const std::string& after, size_t from,
                                             size_t to) {
  if (after.size() < before.size()) return ::testing::AssertionFailure() << "the file shrank";
  for (size_t i = 0; i < before.size(); ++i)
    if (before[i] != after[i] && (i < from || i >= to))
      return ::testing::AssertionFailure() << "byte " << i << " changed outside [" << from << ", " << to << ")";
  return ::testing::AssertionSuccess();
}

ByteMutator CacheMutator(uint32_t seed) {
  std::string alphabet = "\x01\x7f\x80\xc0\xff";
  alphabet += std::string("\x11\x64\x86\x7e", 4);  // pieces of month stamps
  return ByteMutator(seed, {IntactFile()}, alphabet, MutatorOptions{4, kTowerRecordSize + 4, 10, 400});
}

TEST_F(TowerCacheFuzzTest, StartUpCheckRemovesExactlyTheTornFiles) {
  ByteMutator mutator = CacheMutator(8001);
  for (int round = 0; round < 400; ++round) {
    const std::string bytes = mutator.Next();
    WriteCacheBytes(bytes);
    DiagnosticLog().Clear();
    CellSourceHolder holder;
    const bool torn = bytes.size() % kTowerRecordSize != 0;
    ASSERT_EQ(std::filesystem::exists(root() / "Program Files/Kelvane/cells.dat"), !torn) << bytes.size();
    ASSERT_EQ(LogHas(L"WRN: Incorrect size of file, deleting cells.dat"), torn) << bytes.size();
    if (!torn) {
      ASSERT_EQ(CacheBytes(), bytes);
    }
  }
}

TEST_F(TowerCacheFuzzTest, LookupsFindTheFirstWholeRecordAndTouchOnlyItsStamp) {
  ByteMutator mutator = CacheMutator(8002);
  std::vector<CellRecord> cells;
  for (const TowerCacheRecord& record : WholeRecords(IntactFile())) cells.push_back(IdentityOf(record));
  CellRecord absent;
  absent.country = 999;
  absent.network = 99;
  absent.area = 98765;
  absent.cell_id = 87654321;
  cells.push_back(absent);

  for (int round = 0; round < 600; ++round) {
    const std::string bytes = mutator.Next();
    const std::vector<TowerCacheRecord> records = WholeRecords(bytes);
    for (const CellRecord& cell : cells) {
      WriteCacheBytes(bytes);
      LONG expected = -1;
      for (size_t i = 0; i < records.size() && expected < 0; ++i)
        if (SameIdentity(records[i], cell)) expected = static_cast<LONG>(i * kTowerRecordSize);

      Position position{-999.0f, -999.0f, -1};
      LONG offset = 12345;
      const int result = LookupTower(cell, &position, &offset);
      ASSERT_EQ(offset, expected) << "round " << mutator.round();
      ASSERT_EQ(result == -1, expected == -1) << "round " << mutator.round();
      ASSERT_TRUE(result == 0 || result == -1 || result == -2 || result == -3) << result;
      if (result == 0 || result == -2) {
        ASSERT_TRUE(IsOnGlobe(position.latitude, position.longitude))
            << position.latitude << " " << position.longitude << ", round " << mutator.round();
      }
      const std::string after = CacheBytes();
      ASSERT_EQ(after.size(), bytes.size());
      const size_t stamp = expected < 0 ? 0 : static_cast<size_t>(expected) + 26;
      ASSERT_TRUE(ChangedOnlyWithin(bytes, after, stamp, expected < 0 ? 0 : stamp + 2)) << "round " << mutator.round();
    }
  }
}

TEST_F(TowerCacheFuzzTest, StoresAndRefreshSearchStayOnWholeRecords) {
  ByteMutator mutator = CacheMutator(8003);
  CellRecord fresh;
  fresh.country = 999;
  fresh.network = 99;
  fresh.area = 98765;
  fresh.cell_id = 87654321;
  for (int round = 0; round < 600; ++round) {
    std::string bytes = mutator.Next();
    bytes.resize(bytes.size() - bytes.size() % kTowerRecordSize);  // a torn file never lives past start-up
    WriteCacheBytes(bytes);

    // The refresh search walks forward over whole records and stops.
    LONG at = -1;
    CellRecord due;
    size_t found = 0;
    for (LONG previous = -1; FindDueTower(&due, &at); previous = at) {
      ASSERT_GT(at, previous);
      ASSERT_EQ(at % kTowerRecordSize, 0);
      ASSERT_LT(static_cast<size_t>(at), bytes.size());
      ASSERT_LE(++found, bytes.size() / kTowerRecordSize);
    }

    StoreTower(fresh, Position{10.0f, 20.0f, 300}, false, -1);
    const std::string after = CacheBytes();
    ASSERT_TRUE(after.size() == bytes.size() || after.size() == bytes.size() + kTowerRecordSize) << after.size();
    Position position;
    LONG offset = -1;
    ASSERT_EQ(LookupTower(fresh, &position, &offset), 0) << "round " << mutator.round();
    ASSERT_EQ(position.latitude, 10.0f);
    ASSERT_TRUE(ChangedOnlyWithin(bytes, after, static_cast<size_t>(offset), static_cast<size_t>(offset) + kTowerRecordSize))
        << "round " << mutator.round();
  }
}

}  // namespace
}  // namespace kelvane::testing
