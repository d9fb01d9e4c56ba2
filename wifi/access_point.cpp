#include "wifi/access_point.h"

#include <stdio.h>

bool operator==(const AccessPoint& a, const AccessPoint& b) {
  return a.mac_address == b.mac_address && a.channel == b.channel && a.ssid == b.ssid;
}

std::wstring FormatMac(const BYTE mac[kMacBytes]) {
  WCHAR text[18];
  swprintf(text, 18, L"%02x-%02x-%02x-%02x-%02x-%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  return text;
}

bool ParseMac(const std::wstring& text, BYTE mac[kMacBytes]) {
  unsigned int b[kMacBytes];
  if (swscanf(text.c_str(), L"%02x%*1s%02x%*1s%02x%*1s%02x%*1s%02x%*1s%02x", &b[0], &b[1], &b[2], &b[3], &b[4],
              &b[5]) != kMacBytes)
    return false;
  for (int i = 0; i < kMacBytes; ++i) mac[i] = static_cast<BYTE>(b[i]);
  return true;
}
