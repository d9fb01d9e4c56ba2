// The geolocate protocol of the living services the gateway forwards to:
//   POST /v1/geolocate[?key=KEY]
//   {"considerIp":false,"fallbacks":{"ipf":false},
//    "cellTowers":[{"radioType":"gsm","mobileCountryCode":250,"mobileNetworkCode":1,
//                   "locationAreaCode":7712,"cellId":40031}]}
//   {"considerIp":false,"fallbacks":{"ipf":false},
//    "wifiAccessPoints":[{"macAddress":"00:1a:2b:3c:4d:01","signalStrength":-61,"ssid":"cafe"}, ...]}
// Answers: 200 {"location":{"lat":55.75,"lng":37.61},"accuracy":120} (an
// answer with "fallback":"ipf" came from the client's address, not from the
// transmitters, and counts as not found), 404 notFound, 400 keyInvalid or
// parseError, 403 dailyLimitExceeded, 5xx when the service is in trouble.
#ifndef KELVANE_LOCSERVER_GEOLOCATE_PROTOCOL_H
#define KELVANE_LOCSERVER_GEOLOCATE_PROTOCOL_H

#include "cell_table.h"
#include "wifi_json.h"

#include <string>
#include <string_view>
#include <vector>

namespace locserver {

// What a living service said, reduced to what the program's protocols can say.
struct GeoAnswer {
  enum class Kind { kFound, kNotFound, kFailed };
  Kind kind = Kind::kFailed;
  double latitude = 0, longitude = 0, accuracy = 0;
  std::string detail;  // kFailed: why, for the operator
};

std::string GeolocateCellRequest(const CellKey& cell);
// The access points as given: the privacy rules (wifi_privacy.h) come first.
std::string GeolocateWifiRequest(const std::vector<WifiObservation>& access_points);

// The answer to a request, from its HTTP status and body. Anything that is
// not a well-formed position on the globe is a failure, never a position.
GeoAnswer ReadGeolocateAnswer(int status, std::string_view body);

}  // namespace locserver

#endif
