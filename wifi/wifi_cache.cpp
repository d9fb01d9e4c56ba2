#include "wifi/wifi_cache.h"

#include <stdio.h>
#include <string.h>

#include <memory>

#include "core/app_state.h"
#include "core/flags.h"
#include "lookup/cache_file_check.h"
#include "lookup/cache_lock.h"
#include "lookup/cache_record_write.h"
#include "lookup/month_stamp.h"
#include "lookup/service_position.h"
#include "wifi/wifi_cache_record.h"

namespace {

// Ages, in MonthsAge units.
constexpr int kFreshUpTo = 1;       // resolved less than 31 days ago
constexpr int kTouchAbove = 1;      // last-used rewritten about once a month
constexpr int kReusableFrom = 3;    // not used for 59 days or more

// Called with the cache lock held.
FILE* OpenCache(const WCHAR* mode) { return _wfopen(GetAppState().settings.wifi_cache_path, mode); }

// Reads the file from its current position, a block of whole records at a
// time, and gives each record to `accept` until it says yes. The offset of
// that record, or -1 at the end (a torn last record is not read) or when
// Interrupt is set. The file must be at its start.
// Blocks of just under 64 KiB: each read through the device's streams has a
// fixed cost, so large blocks keep a search close to a plain read of the file.
constexpr size_t kBlockSize = kWifiRecordSize * 2978;

template <class Accept>
LONG FindRecord(FILE* file, Accept accept) {
  std::unique_ptr<uint8_t[]> block(new uint8_t[kBlockSize]);
  LONG offset = 0;
  for (;;) {
    const size_t got = fread(block.get(), 1, kBlockSize, file);
    for (size_t at = 0; at + kWifiRecordSize <= got; at += kWifiRecordSize, offset += kWifiRecordSize)
      if (accept(block.get() + at)) return offset;
    if (got < kBlockSize || TestFlag(Interrupt)) return -1;
  }
}

LONG FindMac(FILE* file, const BYTE mac[kMacBytes], WifiCacheRecord* record) {
  return FindRecord(file, [&](const uint8_t* bytes) {
    if (memcmp(bytes, mac, kMacBytes) != 0) return false;
    *record = DecodeWifiRecord(bytes);
    return true;
  });
}

// Called with the cache lock held.
void WriteRecordAt(const WifiCacheRecord& record, LONG offset) {
  uint8_t bytes[kWifiRecordSize];
  EncodeWifiRecord(record, bytes);
  WriteCacheRecord(GetAppState().settings.wifi_cache_path, bytes, sizeof bytes, offset);
}

// The first record of the MAC address.
LONG FindCacheRecord(const BYTE mac[kMacBytes]) {
  CacheLock lock;
  FILE* file = OpenCache(L"rb");
  if (!file) return -1;
  WifiCacheRecord record;
  const LONG offset = FindMac(file, mac, &record);
  fclose(file);
  return offset;
}

// The first record not used for 59 days or more.
LONG FindReusableSlot() {
  CacheLock lock;
  FILE* file = OpenCache(L"rb");
  if (!file) return -1;
  const LONG offset = FindRecord(file, [](const uint8_t* bytes) {
    return MonthsAge(DecodeWifiRecord(bytes).last_used) >= kReusableFrom;
  });
  fclose(file);
  return offset;
}

}  // namespace

int LookupCache(const AccessPointList& list, Position* out, LONG* offset) {
  *offset = -1;
  CacheLock lock;
  FILE* file = OpenCache(L"rb");
  if (!file) return -1;
  int result = -1;
  WifiCacheRecord record;
  for (const AccessPoint& point : list) {
    BYTE mac[kMacBytes];
    if (TestFlag(Interrupt)) break;
    if (!ParseMac(point.mac_address, mac) || fseek(file, 0, SEEK_SET) != 0) continue;
    const LONG at = FindMac(file, mac, &record);
    if (at == -1) continue;
    *offset = at;
    // A position off the globe is a damaged record: like one without a
    // position it is resolved again and overwritten, never handed out.
    if (StampYear(record.resolved) == kNeverPlacedYear || !IsOnGlobe(record.latitude, record.longitude)) {
      result = -3;
      continue;
    }
    *out = Position{record.latitude, record.longitude, record.accuracy};
    result = MonthsAge(record.resolved) <= kFreshUpTo ? 0 : -2;
    break;
  }
  fclose(file);
  if ((result == 0 || result == -2) && MonthsAge(record.last_used) > kTouchAbove) {
    record.last_used = MonthStamp();
    WriteRecordAt(record, *offset);
  }
  return result;
}

void StoreCache(const AccessPointList& list, const Position& p) {
  for (const AccessPoint& point : list) {
    if (TestFlag(Interrupt)) return;
    WifiCacheRecord record;
    if (!ParseMac(point.mac_address, record.mac)) continue;
    record.latitude = p.latitude;
    record.longitude = p.longitude;
    record.accuracy = p.accuracy;
    record.resolved = record.last_used = MonthStamp();
    // Each search takes the lock on its own, so another writer may take the
    // slot first; the record then lands where that writer's did.
    LONG offset = FindCacheRecord(record.mac);
    if (offset == -1) offset = FindReusableSlot();
    CacheLock lock;
    WriteRecordAt(record, offset);
  }
}

void CheckWifiCacheFile() {
  DeleteTornCacheFile(GetAppState().settings.wifi_cache_path, kWifiRecordSize,
                      L"Incorrect size of file, deleting wifi.dat");
}
