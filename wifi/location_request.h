// The request document of the JSON location service: the access points (and
// the cell part, which this system leaves in its initial state, so only
// "radio_type" : "unknown" of it is sent).
//
// Member rules: a text member is left out when its text is empty or does not
// convert to UTF-8; an integer member when it is kAbsent.
#ifndef KELVANE_WIFI_LOCATION_REQUEST_H
#define KELVANE_WIFI_LOCATION_REQUEST_H

#include <stdint.h>

#include <string>
#include <vector>

#include "wifi/access_point.h"

struct CellTower {
  int32_t cell_id = kAbsent;
  int32_t location_area_code = kAbsent;
  int32_t mobile_country_code = kAbsent;
  int32_t mobile_network_code = kAbsent;
  int32_t age = kAbsent;
  int32_t signal_strength = kAbsent;
  int32_t timing_advance = kAbsent;
};

// Radio types: 0 "unknown", 1 "gsm", 2 "cdma", 3 "wcdma".
struct CellPart {
  int32_t home_mobile_country_code = kAbsent;
  int32_t home_mobile_network_code = kAbsent;
  int radio_type = 0;
  std::wstring carrier;
  std::vector<CellTower> cells;
};

// The document on one line followed by a line feed; false (text untouched)
// when the service host is empty.
bool BuildRequest(const std::wstring& host, const std::wstring& token, const CellPart& cell,
                  const AccessPointList& access_points, const std::wstring& language, std::string* text);

#endif
