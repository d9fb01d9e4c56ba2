// What of a Wi-Fi request may leave for a living service. Owners opt their
// access points out of such services with an SSID ending in "_nomap"; hidden
// networks are kept out as well; and a single access point would tell the
// service where one device is without the cover of a crowd, so fewer than
// two are never sent.
#ifndef KELVANE_LOCSERVER_WIFI_PRIVACY_H
#define KELVANE_LOCSERVER_WIFI_PRIVACY_H

#include "wifi_json.h"

#include <vector>

namespace locserver {

constexpr size_t kFewestSharedAccessPoints = 2;

// The access points that may be sent, in their order; empty when fewer than
// kFewestSharedAccessPoints remain.
std::vector<WifiObservation> ShareableAccessPoints(const std::vector<WifiObservation>& seen);

}  // namespace locserver

#endif
