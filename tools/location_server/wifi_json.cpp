#include "wifi_json.h"

#include "cell_id_xml.h"

#include <json/reader.h>
#include <json/value.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace locserver {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

bool ParseWifiObservations(std::string_view body, std::vector<WifiObservation>* access_points, std::string* error) {
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(body.data(), body.data() + body.size(), &root, &errors)) {
    *error = "the body is not JSON: " + errors.substr(0, errors.find('\n'));
    return false;
  }
  if (!root.isObject()) {
    *error = "the body is not a JSON object";
    return false;
  }
  const Json::Value& towers = root["wifi_towers"];
  if (!towers.isNull() && !towers.isArray()) {
    *error = "\"wifi_towers\" is not an array";
    return false;
  }
  access_points->clear();
  for (const Json::Value& tower : towers) {
    WifiObservation ap{0, false, 0, ""};
    if (!tower.isObject() || !tower["mac_address"].isString() || !ParseMacAddress(tower["mac_address"].asString(), &ap.mac))
      continue;
    const Json::Value& signal = tower["signal_strength"];
    ap.has_signal = signal.isInt();
    if (ap.has_signal) ap.signal = signal.asInt();
    if (tower["ssid"].isString()) ap.ssid = tower["ssid"].asString();
    access_points->push_back(ap);
  }
  return true;
}

std::optional<WifiFix> LocateAccessPoints(const AccessPointTable& table, const std::vector<uint64_t>& macs) {
  std::vector<const AccessPointLocation*> known;
  for (uint64_t mac : macs)
    if (const AccessPointLocation* location = table.Find(mac)) known.push_back(location);
  if (known.empty()) return std::nullopt;
  WifiFix fix{0, 0, 0};
  for (const AccessPointLocation* p : known) {
    fix.latitude += p->latitude / static_cast<double>(known.size());
    fix.longitude += p->longitude / static_cast<double>(known.size());
  }
  const double east_scale = std::cos(fix.latitude * kPi / 180);
  for (const AccessPointLocation* p : known) {
    const double north = (p->latitude - fix.latitude) * kMetresPerDegree;
    const double east = (p->longitude - fix.longitude) * kMetresPerDegree * east_scale;
    fix.accuracy = std::max(fix.accuracy, p->accuracy + std::hypot(north, east));
  }
  fix.accuracy = std::ceil(fix.accuracy * 10 - 1e-6) / 10;
  return fix;
}

std::string FormatWifiAnswer(const std::optional<WifiFix>& fix) {
  if (!fix) return "{\"access_token\":\"kelvane-locserver\"}\n";
  char text[192];
  std::snprintf(text, sizeof text,
                "{\"access_token\":\"kelvane-locserver\",\"location\":{\"latitude\":%.6f,\"longitude\":%.6f,"
                "\"accuracy\":%.10g}}\n",
                fix->latitude, fix->longitude, fix->accuracy);
  return text;
}

std::string FormatWifiError(const std::string& text) { return "{\"error\":" + JsonString(text) + "}\n"; }

}  // namespace locserver
