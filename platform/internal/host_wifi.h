// The host's own Wi-Fi: the kernel's cached scan results of a named wireless
// interface, read over nl80211 (generic netlink). Reading the cache needs no
// privileges and starts no scan: the list is whatever the host last gathered.
// A host without the interface or without nl80211 gives an empty list and
// one line on standard error per interface.
#ifndef KELVANE_PLATFORM_HOST_WIFI_H
#define KELVANE_PLATFORM_HOST_WIFI_H

#include "internal/network_adapters.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct nlmsghdr;

namespace kelvane {

std::vector<SeenAccessPoint> HostAccessPoints(const std::string& interface);

// One scan-result message (NL80211_CMD_NEW_SCAN_RESULTS): true with *out set
// when it carries a BSS with a 6-byte BSSID. A missing signal counts as
// 0 dBm; a missing or damaged SSID element as an empty SSID.
bool ParseScanResult(nlmsghdr* message, SeenAccessPoint* out);
// The SSID element (id 0) of a chain of information elements; false when
// the chain runs past its end before an SSID is found, or there is none.
bool SsidOfElements(const uint8_t* elements, size_t length, std::string* ssid);

}  // namespace kelvane

#endif
