// The JSON Wi-Fi location protocol of POST /loc/json.
//
// The request is an object whose "wifi_towers" array holds objects with a
// "mac_address" ("00-1a-2b-3c-4d-01"; colons are accepted too); every other
// member is read past. The answer:
//   {"access_token":"kelvane-locserver","location":{"latitude":55.751300,"longitude":37.618500,"accuracy":35}}
// The position is the mean of the known access points; the accuracy is the
// smallest radius around it that covers each known point's own circle, in
// metres rounded up to a tenth. Without a known access point the answer has
// no "location".
#ifndef KELVANE_LOCSERVER_WIFI_JSON_H
#define KELVANE_LOCSERVER_WIFI_JSON_H

#include "access_point_table.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace locserver {

struct WifiFix {
  double latitude, longitude, accuracy;
};

// One access point of a request as the client saw it.
struct WifiObservation {
  uint64_t mac;
  bool has_signal;
  int signal;        // dBm
  std::string ssid;  // empty: hidden or not given
};

// The access points a request names (unreadable MAC texts are left out);
// false with *error when the body is not such a request.
bool ParseWifiObservations(std::string_view body, std::vector<WifiObservation>* access_points, std::string* error);

std::optional<WifiFix> LocateAccessPoints(const AccessPointTable& table, const std::vector<uint64_t>& macs);

std::string FormatWifiAnswer(const std::optional<WifiFix>& fix);
std::string FormatWifiError(const std::string& text);

}  // namespace locserver

#endif
