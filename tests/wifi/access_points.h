// Access points as the tests make them.
#ifndef KELVANE_TESTS_WIFI_ACCESS_POINTS_H
#define KELVANE_TESTS_WIFI_ACCESS_POINTS_H

#include <string>

#include "wifi/access_point.h"

namespace kelvane::testing {

inline AccessPoint MakePoint(const std::wstring& mac, int32_t signal, const std::wstring& ssid) {
  AccessPoint p;
  p.mac_address = mac;
  p.signal_strength = signal;
  p.ssid = ssid;
  return p;
}

// The access point 00:1a:2b:3c:4d:NN, without SSID.
inline AccessPoint PointOf(uint8_t last_mac_byte) {
  const BYTE mac[kMacBytes] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, last_mac_byte};
  return MakePoint(FormatMac(mac), -60, L"");
}

}  // namespace kelvane::testing

#endif
