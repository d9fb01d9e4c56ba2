#include "cell_id_xml.h"

#include "csv_rows.h"
#include "http_request.h"
#include "markup_escape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace locserver {
namespace {

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The text of a latitude at `range` metres from `latitude` (both as written),
// toward the equator. Single-precision values are spaced under 1 m apart for
// any latitude the range allows, so a short walk over neighbouring values
// finds one whose derived distance truncates to the range.
std::string SecondLatitude(const std::string& latitude, const std::string& longitude, int32_t range) {
  const double origin = std::strtod(latitude.c_str(), nullptr);
  const float farther = origin >= 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
  const float nearer = -farther;
  float candidate = static_cast<float>(origin + (origin >= 0 ? -1 : 1) * range / kMetresPerDegree);
  std::string best = Format("%.9g", candidate);
  int32_t best_miss = std::numeric_limits<int32_t>::max();
  for (int step = 0; step < 64; ++step) {
    const std::string text = Format("%.9g", candidate);
    const int32_t distance = ClientFlatDistance(latitude, longitude, text, longitude);
    if (distance == range) return text;
    if (std::abs(distance - range) < best_miss) {
      best_miss = std::abs(distance - range);
      best = text;
    }
    candidate = std::nextafter(candidate, distance < range ? farther : nearer);
  }
  return best;
}

}  // namespace

bool ParseXmlCellQuery(std::string_view query, CellKey* key, std::string* error) {
  const char* const kNames[] = {"cellid", "operatorid", "countrycode", "lac"};
  int64_t values[4];
  for (int i = 0; i < 4; ++i) {
    std::string value;
    if (!FindQueryValue(query, kNames[i], &value)) {
      *error = std::string("missing parameter ") + kNames[i];
      return false;
    }
    if (!ParseInteger(value, INT32_MIN, INT32_MAX, &values[i])) {
      *error = std::string(kNames[i]) + " is not a 32-bit number: '" + value.substr(0, 40) + "'";
      return false;
    }
  }
  *key = CellKey{values[2], values[1], values[3], values[0]};
  return true;
}

std::string FormatXmlLocation(const CellLocation& location) {
  const std::string latitude = Format("%.6f", location.latitude);
  const std::string longitude = Format("%.6f", location.longitude);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<location source=\"cell-export\">\n<coordinates latitude=\"" +
         latitude + "\" longitude=\"" + longitude + "\" nlatitude=\"" +
         SecondLatitude(latitude, longitude, location.range) + "\" nlongitude=\"" + longitude + "\"/>\n</location>\n";
}

std::string FormatXmlError(int code, const std::string& text) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<error code=\"" + std::to_string(code) + "\">" + EscapeMarkup(text) +
         "</error>\n";
}

int32_t ClientFlatDistance(const std::string& latitude, const std::string& longitude, const std::string& nlatitude,
                           const std::string& nlongitude) {
  auto read = [](const std::string& text) { return static_cast<float>(std::strtod(text.c_str(), nullptr)); };
  const float dlat = read(latitude) - read(nlatitude);
  const float dlon = read(longitude) - read(nlongitude);
  const double dy = static_cast<double>(dlat) * kMetresPerDegree;
  const double dx = static_cast<double>(dlon) * kMetresPerDegree;
  return static_cast<int32_t>(static_cast<float>(std::sqrt(dx * dx + dy * dy)));
}

}  // namespace locserver
