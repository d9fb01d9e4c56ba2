#include "lookup/tower_cache.h"

#include <stdio.h>
#include <string.h>

#include "core/app_state.h"
#include "core/flags.h"
#include "lookup/cache_lock.h"
#include "lookup/month_stamp.h"
#include "lookup/service_position.h"
#include "lookup/tower_cache_record.h"

namespace {

// Called with the cache lock held.
FILE* OpenCache(const WCHAR* mode) { return _wfopen(GetAppState().settings.tower_cache_path, mode); }

// Reads the records in file order, a block at a time: the search costs little
// more than reading the file.
class RecordReader {
 public:
  // The file is positioned at `offset`, the offset of its next record.
  RecordReader(FILE* file, LONG offset) : file_(file), next_offset_(offset) {}

  // The next record and its offset; false at the end. A short piece at the
  // end (a torn last record) counts as the end.
  bool Next(TowerCacheRecord* record, LONG* offset) {
    if (filled_ - used_ < kTowerRecordSize) {
      const size_t left = filled_ - used_;
      memmove(block_, block_ + used_, left);
      filled_ = left + fread(block_ + left, 1, sizeof block_ - left, file_);
      used_ = 0;
      if (filled_ < kTowerRecordSize) return false;
    }
    *record = DecodeTowerRecord(block_ + used_);
    used_ += kTowerRecordSize;
    *offset = next_offset_;
    next_offset_ += kTowerRecordSize;
    return true;
  }

 private:
  FILE* file_;
  LONG next_offset_;
  uint8_t block_[kTowerRecordSize * 146];  // just under 4 KiB
  size_t filled_ = 0;
  size_t used_ = 0;
};

// Called with the cache lock held.
void WriteRecordAt(const TowerCacheRecord& record, LONG offset) {
  FILE* file = offset != -1 ? OpenCache(L"r+b") : OpenCache(L"ab");
  if (!file) return;
  uint8_t bytes[kTowerRecordSize];
  EncodeTowerRecord(record, bytes);
  if (offset == -1 || fseek(file, offset, SEEK_SET) == 0) fwrite(bytes, 1, sizeof bytes, file);
  fclose(file);
}

// The codes are compared as 32-bit values against the zero-extended fields.
bool Matches(const TowerCacheRecord& record, const CellRecord& cell) {
  return record.cell_id == cell.cell_id && record.area == cell.area &&
         static_cast<int32_t>(record.country) == cell.country && static_cast<int32_t>(record.network) == cell.network;
}

}  // namespace

int LookupTower(const CellRecord& cell, Position* out, LONG* offset) {
  *offset = -1;
  CacheLock lock;
  FILE* file = OpenCache(L"rb");
  if (!file) return -1;
  int result = -1;
  TowerCacheRecord record;
  RecordReader reader(file, 0);
  for (LONG at; reader.Next(&record, &at);) {
    if (!Matches(record, cell)) continue;
    *offset = at;
    // A position off the globe or a negative accuracy is a damaged record:
    // like a never-placed one it is looked up again and rewritten in place,
    // never handed out.
    if (StampYear(record.resolved) == kNeverPlacedYear || !IsOnGlobe(record.latitude, record.longitude) ||
        record.accuracy < 0) {
      result = -3;
    } else {
      *out = Position{record.latitude, record.longitude, record.accuracy};
      result = MonthsAge(record.resolved) < kFreshBelow ? 0 : -2;
    }
    break;
  }
  fclose(file);
  if ((result == 0 || result == -2) && MonthsAge(record.last_used) > kTouchAbove) {
    record.last_used = MonthStamp();
    WriteRecordAt(record, *offset);
  }
  return result;
}

void StoreTower(const CellRecord& cell, const Position& position, bool unplaced, LONG offset) {
  TowerCacheRecord record;
  record.country = static_cast<uint16_t>(cell.country);
  record.network = static_cast<uint16_t>(cell.network);
  record.area = cell.area;
  record.cell_id = cell.cell_id;
  record.latitude = position.latitude;
  record.longitude = position.longitude;
  record.accuracy = position.accuracy;
  record.last_used = MonthStamp();
  record.resolved = unplaced ? kNeverPlacedStamp : record.last_used;
  // The slot search takes the lock on its own, so another writer may take
  // the slot first; the record then lands where that writer's did.
  if (offset == -1) offset = FindReusableTowerSlot();
  CacheLock lock;
  WriteRecordAt(record, offset);
}

LONG FindReusableTowerSlot() {
  CacheLock lock;
  FILE* file = OpenCache(L"rb");
  if (!file) return -1;
  LONG slot = -1;
  TowerCacheRecord record;
  RecordReader reader(file, 0);
  for (LONG at; !TestFlag(Interrupt) && reader.Next(&record, &at);) {
    if (MonthsAge(record.last_used) > kReusableAbove) {
      slot = at;
      break;
    }
  }
  fclose(file);
  return slot;
}

bool FindDueTower(CellRecord* cell, LONG* offset) {
  CacheLock lock;
  FILE* file = OpenCache(L"rb");
  if (!file) return false;
  LONG at = 0;
  if (*offset >= 0) {
    at = *offset + kTowerRecordSize;
    if (fseek(file, at, SEEK_SET) != 0) {
      fclose(file);
      return false;
    }
  }
  bool found = false;
  TowerCacheRecord record;
  RecordReader reader(file, at);
  while (reader.Next(&record, &at)) {
    if (MonthsAge(record.resolved) > kDueAbove) {
      cell->country = record.country;
      cell->network = record.network;
      cell->area = record.area;
      cell->cell_id = record.cell_id;
      *offset = at;
      found = true;
      break;
    }
  }
  fclose(file);
  return found;
}
