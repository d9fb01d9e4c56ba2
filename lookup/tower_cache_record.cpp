#include "lookup/tower_cache_record.h"

#include <string.h>

namespace {

void Put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutFloat(uint8_t* at, float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  Put32(at, bits);
}

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t Get32(const uint8_t* at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

float GetFloat(const uint8_t* at) {
  const uint32_t bits = Get32(at);
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

void EncodeTowerRecord(const TowerCacheRecord& record, uint8_t bytes[kTowerRecordSize]) {
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

TowerCacheRecord DecodeTowerRecord(const uint8_t bytes[kTowerRecordSize]) {
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
