#include "nearby.h"

#include "cell_id_xml.h"
#include "csv_rows.h"
#include "http_request.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace locserver {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

// The nearest entries as JSON objects, joined by commas.
std::string Nearest(std::vector<std::pair<double, std::string>> found) {
  std::sort(found.begin(), found.end());
  if (found.size() > kMaxNearby) found.resize(kMaxNearby);
  std::string joined;
  for (const auto& entry : found) joined += (joined.empty() ? "" : ",") + entry.second;
  return joined;
}

// Ground distance in metres on a sphere, for distances of a few kilometres.
double ApproximateDistance(double lat1, double lon1, double lat2, double lon2) {
  const double north = (lat2 - lat1) * kMetresPerDegree;
  const double east = (lon2 - lon1) * kMetresPerDegree * std::cos((lat1 + lat2) / 2 * kPi / 180);
  return std::hypot(north, east);
}

}  // namespace

bool ParseNearbyQuery(std::string_view query, double* latitude, double* longitude, double* radius, std::string* error) {
  const struct {
    const char* name;
    double min, max;
    double* value;
  } kParameters[] = {{"lat", -90, 90, latitude}, {"lon", -180, 180, longitude}, {"radius", 0, 1e7, radius}};
  for (const auto& p : kParameters) {
    std::string text;
    if (!FindQueryValue(query, p.name, &text)) {
      *error = std::string("missing parameter ") + p.name;
      return false;
    }
    if (!ParseReal(text, p.min, p.max, p.value)) {
      *error = std::string(p.name) + " is not a number from " + Number(p.min) + " to " + Number(p.max);
      return false;
    }
  }
  *radius = std::min(*radius, kMaxNearbyRadius);
  return true;
}

std::string NearbyJson(const CellTable& cells, const AccessPointTable& access_points, double latitude,
                       double longitude, double radius) {
  std::vector<std::pair<double, std::string>> near_cells, near_points;
  cells.ForEach([&](const CellKey& key, const CellLocation& at) {
    const double distance = ApproximateDistance(latitude, longitude, at.latitude, at.longitude);
    if (distance > radius + at.range) return;
    near_cells.emplace_back(distance, "{\"mcc\":" + std::to_string(key.mcc) + ",\"net\":" + std::to_string(key.net) +
                                          ",\"area\":" + std::to_string(key.area) + ",\"cell\":" +
                                          std::to_string(key.cell) + ",\"lat\":" + Number(at.latitude) +
                                          ",\"lon\":" + Number(at.longitude) + ",\"range\":" +
                                          std::to_string(at.range) + "}");
  });
  access_points.ForEach([&](uint64_t mac, const AccessPointLocation& at) {
    const double distance = ApproximateDistance(latitude, longitude, at.latitude, at.longitude);
    if (distance > radius + at.accuracy) return;
    near_points.emplace_back(distance, "{\"mac\":\"" + FormatMacAddress(mac) + "\",\"lat\":" + Number(at.latitude) +
                                           ",\"lon\":" + Number(at.longitude) + ",\"accuracy\":" +
                                           Number(at.accuracy) + "}");
  });
  return "{\"cells\":[" + Nearest(std::move(near_cells)) + "],\"access_points\":[" +
         Nearest(std::move(near_points)) + "]}\n";
}

}  // namespace locserver
