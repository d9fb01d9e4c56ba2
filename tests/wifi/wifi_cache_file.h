// wifi.dat as the tests write and read it.
#ifndef KELVANE_TESTS_WIFI_WIFI_CACHE_FILE_H
#define KELVANE_TESTS_WIFI_WIFI_CACHE_FILE_H

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "access_points.h"
#include "wifi/wifi_cache_record.h"

namespace kelvane::testing {

inline const char* kWifiCachePath = "Program Files/Kelvane/wifi.dat";

// A record of the access point 00:1a:2b:3c:4d:NN.
inline WifiCacheRecord CachedPoint(uint8_t last_mac_byte, float latitude, float longitude, int32_t accuracy,
                                   uint16_t resolved, uint16_t last_used) {
  WifiCacheRecord r;
  const uint8_t mac[kMacBytes] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, last_mac_byte};
  memcpy(r.mac, mac, kMacBytes);
  r.latitude = latitude;
  r.longitude = longitude;
  r.accuracy = accuracy;
  r.resolved = resolved;
  r.last_used = last_used;
  return r;
}

inline std::string WifiCacheBytes(const std::vector<WifiCacheRecord>& records) {
  std::string bytes;
  for (const WifiCacheRecord& record : records) {
    uint8_t encoded[kWifiRecordSize];
    EncodeWifiRecord(record, encoded);
    bytes.append(reinterpret_cast<const char*>(encoded), sizeof encoded);
  }
  return bytes;
}

inline void WriteWifiCache(const std::filesystem::path& root, const std::string& bytes) {
  std::ofstream(root / kWifiCachePath, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::vector<WifiCacheRecord> ReadWifiCache(const std::filesystem::path& root) {
  std::ifstream in(root / kWifiCachePath, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<WifiCacheRecord> records;
  for (size_t at = 0; at + kWifiRecordSize <= bytes.size(); at += kWifiRecordSize)
    records.push_back(DecodeWifiRecord(reinterpret_cast<const uint8_t*>(bytes.data()) + at));
  return records;
}

}  // namespace kelvane::testing

#endif
