// Building 802.11 BSSID list replies byte by byte, for the parser's tests.
#ifndef KELVANE_TESTS_WIFI_BSSID_BYTES_H
#define KELVANE_TESTS_WIFI_BSSID_BYTES_H

#include <stdint.h>

#include <string>

namespace kelvane::testing {

inline void Put32(std::string* out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<char>(value >> (8 * i));
}

// One item of `length` bytes (the minimum is 104).
inline std::string BssidItem(uint8_t last_mac_byte, int32_t rssi, const std::string& ssid, uint32_t length = 104,
                             uint32_t ssid_count = UINT32_MAX) {
  std::string item(length, '\0');
  Put32(&item, 0, length);
  const char mac[6] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, static_cast<char>(last_mac_byte)};
  item.replace(4, 6, mac, 6);
  Put32(&item, 12, ssid_count == UINT32_MAX ? static_cast<uint32_t>(ssid.size()) : ssid_count);
  item.replace(16, ssid.size(), ssid);
  Put32(&item, 52, static_cast<uint32_t>(rssi));
  return item;
}

inline std::string BssidList(uint32_t count, const std::string& items) {
  std::string list(4, '\0');
  Put32(&list, 0, count);
  return list + items;
}

}  // namespace kelvane::testing

#endif
