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

#include "lookup/little_endian.h"

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

inline void EncodeTowerRecord(const TowerCacheRecord& record, uint8_t bytes[kTowerRecordSize]) {
  using namespace little_endian;
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
  using namespace little_endian;
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
