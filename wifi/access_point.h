// One Wi-Fi access point as the scan found it, and the list the scanner keeps.
//
// Equality is about identity only: two records are equal when their MAC text,
// channel and SSID are equal, so a scan whose access points differ from the
// last one only in signal strength is no change. Lists are equal when their
// records are equal position by position (order counts).
#ifndef KELVANE_WIFI_ACCESS_POINT_H
#define KELVANE_WIFI_ACCESS_POINT_H

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

// An integer field that holds this holds nothing.
constexpr int32_t kAbsent = INT32_MIN;

constexpr int kMacBytes = 6;

struct AccessPoint {
  std::wstring mac_address;  // "00-1a-2b-3c-4d-5e"; empty: absent
  int32_t signal_strength = kAbsent;  // dBm
  int32_t age = kAbsent;              // never set by this system
  int32_t channel = kAbsent;          // never set by this system
  int32_t signal_to_noise = kAbsent;  // never set by this system
  std::wstring ssid;                  // UTF-16; empty: absent
};

bool operator==(const AccessPoint& a, const AccessPoint& b);
inline bool operator!=(const AccessPoint& a, const AccessPoint& b) { return !(a == b); }

using AccessPointList = std::vector<AccessPoint>;

// Six bytes as lower-case hexadecimal pairs joined by hyphens.
std::wstring FormatMac(const BYTE mac[kMacBytes]);
// The reverse: six hexadecimal pairs, each but the last followed by one
// separator character of any kind. False when the text is not that.
bool ParseMac(const std::wstring& text, BYTE mac[kMacBytes]);

#endif
