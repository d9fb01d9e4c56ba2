// One record of the Wi-Fi cache "wifi.dat". The file is a plain sequence of
// these records, 22 bytes each, little-endian, with no header, in no order:
//
//   offset  0                     6              10             14
//          +---------------------+--------------+--------------+
//          | MAC address (6)     | latitude f32 | longitude f32|
//          +---------------------+--------------+--------------+
//   offset  14             18     20     22
//          +--------------+------+------+
//          | accuracy i32 | res. | used |
//          +--------------+------+------+
//
// MAC: the access point's BSSID bytes. latitude, longitude: IEEE single,
// degrees; accuracy: metres (the three fields of a Position).
// res.: month stamp of when the position was resolved; a year of 1601 means
//       the record holds no usable position.
// used: month stamp of when the record last answered a lookup.
#ifndef KELVANE_WIFI_WIFI_CACHE_RECORD_H
#define KELVANE_WIFI_WIFI_CACHE_RECORD_H

#include <stdint.h>
#include <string.h>

#include "lookup/little_endian.h"
#include "wifi/access_point.h"

constexpr int kWifiRecordSize = 22;

struct WifiCacheRecord {
  uint8_t mac[kMacBytes] = {};
  float latitude = 0.0f;
  float longitude = 0.0f;
  int32_t accuracy = 0;
  uint16_t resolved = 0;
  uint16_t last_used = 0;
};

inline void EncodeWifiRecord(const WifiCacheRecord& record, uint8_t bytes[kWifiRecordSize]) {
  using namespace little_endian;
  memcpy(bytes, record.mac, kMacBytes);
  PutFloat(bytes + 6, record.latitude);
  PutFloat(bytes + 10, record.longitude);
  Put32(bytes + 14, static_cast<uint32_t>(record.accuracy));
  Put16(bytes + 18, record.resolved);
  Put16(bytes + 20, record.last_used);
}

inline WifiCacheRecord DecodeWifiRecord(const uint8_t bytes[kWifiRecordSize]) {
  using namespace little_endian;
  WifiCacheRecord record;
  memcpy(record.mac, bytes, kMacBytes);
  record.latitude = GetFloat(bytes + 6);
  record.longitude = GetFloat(bytes + 10);
  record.accuracy = static_cast<int32_t>(Get32(bytes + 14));
  record.resolved = Get16(bytes + 18);
  record.last_used = Get16(bytes + 20);
  return record;
}

#endif
