// One record of the tower cache "cells.dat". The file is a plain sequence of
// these records, 28 bytes each, little-endian, with no header:
//
//   offset  0      2      4              8              12
//          +------+------+--------------+--------------+
//          | mcc  | mnc  | area  (i32)  | cell id (i32)|
//          +------+------+--------------+--------------+
//   offset  12             16             20             24     26     28
//          +--------------+--------------+--------------+------+------+
//          | latitude f32 | longitude f32| accuracy i32 | res. | used |
//          +--------------+--------------+--------------+------+------+
//
// mcc, mnc: the low 16 bits of the cell's country and network codes.
// latitude, longitude: IEEE single, degrees; accuracy: metres.
// res.: month stamp of when the position was obtained; kNeverPlacedStamp
//       (January 1601) when the services could not place the cell, and the
//       position fields then mean nothing.
// used: month stamp of when the record last answered a lookup.
#ifndef KELVANE_LOOKUP_TOWER_CACHE_RECORD_H
#define KELVANE_LOOKUP_TOWER_CACHE_RECORD_H

#include <stdint.h>
#include <string.h>

constexpr int kTowerRecordSize = 28;
// The key that names the cell: mcc, mnc, area and cell id, bytes 0 to 11.
constexpr int kTowerKeySize = 12;

struct TowerCacheRecord {
  uint16_t country = 0;
  uint16_t network = 0;
  int32_t area = 0;
  int32_t cell_id = 0;
  float latitude = 0.0f;
  float longitude = 0.0f;
  int32_t accuracy = 0;
  uint16_t resolved = 0;
  uint16_t last_used = 0;
};

// Inline: the cache searches decode every record they pass.
namespace tower_record_bytes {

inline void Put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

inline void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutFloat(uint8_t* at, float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  Put32(at, bits);
}

inline uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

// Spelled out rather than looped: the compiler then reads the four bytes as
// one load, which the record-by-record search relies on to stay near the
// speed of a plain read.
inline uint32_t Get32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

inline float GetFloat(const uint8_t* at) {
  const uint32_t bits = Get32(at);
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace tower_record_bytes

inline void EncodeTowerRecord(const TowerCacheRecord& record, uint8_t bytes[kTowerRecordSize]) {
  using namespace tower_record_bytes;
  Put16(bytes + 0, record.country);
  Put16(bytes + 2, record.network);
  Put32(bytes + 4, static_cast<uint32_t>(record.area));
  Put32(bytes + 8, static_cast<uint32_t>(record.cell_id));
  PutFloat(bytes + 12, record.latitude);
  PutFloat(bytes + 16, record.longitude);
  Put32(bytes + 20, static_cast<uint32_t>(record.accuracy));
  Put16(bytes + 24, record.resolved);
  Put16(bytes + 26, record.last_used);
}

inline TowerCacheRecord DecodeTowerRecord(const uint8_t bytes[kTowerRecordSize]) {
  using namespace tower_record_bytes;
  TowerCacheRecord record;
  record.country = Get16(bytes + 0);
  record.network = Get16(bytes + 2);
  record.area = static_cast<int32_t>(Get32(bytes + 4));
  record.cell_id = static_cast<int32_t>(Get32(bytes + 8));
  record.latitude = GetFloat(bytes + 12);
  record.longitude = GetFloat(bytes + 16);
  record.accuracy = static_cast<int32_t>(Get32(bytes + 20));
  record.resolved = Get16(bytes + 24);
  record.last_used = Get16(bytes + 26);
  return record;
}

#endif
