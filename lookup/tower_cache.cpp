#include "lookup/tower_cache.h"

#include <stdio.h>
#include <string.h>

#include <vector>

#include "core/app_state.h"
#include "core/flags.h"
#include "lookup/cache_lock.h"
#include "lookup/cache_record_write.h"
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
    const uint8_t* bytes = NextBytes(offset);
    if (bytes) *record = DecodeTowerRecord(bytes);
    return bytes != nullptr;
  }

  // The next record that starts with `key`, as NextBytes. Passes over the
  // others without decoding them, a block at a time.
  const uint8_t* NextWithKey(const uint8_t key[kTowerKeySize], LONG* offset) {
    for (;;) {
      if (filled_ - used_ < kTowerRecordSize && !Refill()) return nullptr;
      size_t at = used_;
      while (filled_ - at >= kTowerRecordSize && memcmp(block_.data() + at, key, kTowerKeySize) != 0)
        at += kTowerRecordSize;
      next_offset_ += static_cast<LONG>(at - used_);
      used_ = at;
      if (filled_ - used_ >= kTowerRecordSize) return NextBytes(offset);
    }
  }

  // The next record's bytes, valid until the next call, and its offset;
  // null at the end.
  const uint8_t* NextBytes(LONG* offset) {
    if (filled_ - used_ < kTowerRecordSize && !Refill()) return nullptr;
    const uint8_t* bytes = block_.data() + used_;
    used_ += kTowerRecordSize;
    *offset = next_offset_;
    next_offset_ += kTowerRecordSize;
    return bytes;
  }

 private:
  // Kept apart so that the per-record path stays small enough to inline.
  bool Refill() {
    const size_t left = filled_ - used_;
    memmove(block_.data(), block_.data() + used_, left);
    filled_ = left + fread(block_.data() + left, 1, kReadSize, file_);
    used_ = 0;
    return filled_ >= kTowerRecordSize;
  }

  FILE* file_;
  LONG next_offset_;
  // Each fill reads 64 KiB, on the heap (device thread stacks are small):
  // larger than the stream's own buffer, so it is one read of the file
  // straight into the block, at offsets that stay 64 KiB aligned, as a plain
  // read of the file would do. Before it, the block keeps the piece of a
  // record (less than one) that the last fill ended in.
  static constexpr size_t kReadSize = 64 * 1024;
  std::vector<uint8_t> block_ = std::vector<uint8_t>(kReadSize + kTowerRecordSize);
  size_t filled_ = 0;
  size_t used_ = 0;
};

// Called with the cache lock held.
void WriteRecordAt(const TowerCacheRecord& record, LONG offset) {
  uint8_t bytes[kTowerRecordSize];
  EncodeTowerRecord(record, bytes);
  WriteCacheRecord(GetAppState().settings.tower_cache_path, bytes, sizeof bytes, offset);
}

// A record naming the cell (the codes cut to their 16-bit fields), its other
// fields zero.
TowerCacheRecord RecordNaming(const CellRecord& cell) {
  TowerCacheRecord record;
  record.country = static_cast<uint16_t>(cell.country);
  record.network = static_cast<uint16_t>(cell.network);
  record.area = cell.area;
  record.cell_id = cell.cell_id;
  return record;
}

// The key a record of this cell starts with. The codes are compared as 32-bit
// values against the zero-extended fields, so a code outside 16 bits (an
// unknown one is -1) matches no record: false then. Comparing keys as bytes
// spares the search decoding every record it passes.
bool CellKey(const CellRecord& cell, uint8_t key[kTowerKeySize]) {
  if (cell.country < 0 || cell.country > 0xFFFF || cell.network < 0 || cell.network > 0xFFFF) return false;
  uint8_t bytes[kTowerRecordSize];
  EncodeTowerRecord(RecordNaming(cell), bytes);
  memcpy(key, bytes, kTowerKeySize);
  return true;
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
  uint8_t key[kTowerKeySize];
  const bool can_match = CellKey(cell, key);
  LONG at;
  if (const uint8_t* bytes = can_match ? reader.NextWithKey(key, &at) : nullptr) {
    record = DecodeTowerRecord(bytes);
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
  }
  fclose(file);
  if ((result == 0 || result == -2) && MonthsAge(record.last_used) > kTouchAbove) {
    record.last_used = MonthStamp();
    WriteRecordAt(record, *offset);
  }
  return result;
}

void StoreTower(const CellRecord& cell, const Position& position, bool unplaced, LONG offset) {
  TowerCacheRecord record = RecordNaming(cell);
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
