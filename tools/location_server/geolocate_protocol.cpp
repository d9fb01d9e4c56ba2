#include "geolocate_protocol.h"

#include <json/reader.h>
#include <json/value.h>
#include <json/writer.h>

#include <cmath>
#include <memory>

namespace locserver {
namespace {

Json::Value RequestRoot() {
  Json::Value root(Json::objectValue);
  root["considerIp"] = false;
  root["fallbacks"]["ipf"] = false;
  return root;
}

std::string Write(const Json::Value& root) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  return Json::writeString(builder, root);
}

bool ReadNumber(const Json::Value& value, double* number) {
  if (!value.isNumeric()) return false;
  *number = value.asDouble();
  return std::isfinite(*number);
}

GeoAnswer Failed(std::string detail) {
  GeoAnswer answer;
  answer.detail = std::move(detail);
  return answer;
}

// The reason a service gives in its error document ("keyInvalid"), if any.
std::string ErrorReason(const Json::Value& root) {
  const Json::Value& errors = root["error"]["errors"];
  if (errors.isArray() && !errors.empty() && errors[0]["reason"].isString()) return errors[0]["reason"].asString();
  return "";
}

}  // namespace

std::string GeolocateCellRequest(const CellKey& cell) {
  Json::Value tower(Json::objectValue);
  // The program's phones speak GSM and UMTS; only UMTS cell ids are longer
  // than 16 bits.
  tower["radioType"] = cell.cell > 0xFFFF ? "wcdma" : "gsm";
  tower["mobileCountryCode"] = Json::Int64(cell.mcc);
  tower["mobileNetworkCode"] = Json::Int64(cell.net);
  tower["locationAreaCode"] = Json::Int64(cell.area);
  tower["cellId"] = Json::Int64(cell.cell);
  Json::Value root = RequestRoot();
  root["cellTowers"].append(tower);
  return Write(root);
}

std::string GeolocateWifiRequest(const std::vector<WifiObservation>& access_points) {
  Json::Value root = RequestRoot();
  root["wifiAccessPoints"] = Json::Value(Json::arrayValue);
  for (const WifiObservation& ap : access_points) {
    Json::Value point(Json::objectValue);
    point["macAddress"] = FormatMacAddress(ap.mac);
    if (ap.has_signal) point["signalStrength"] = ap.signal;
    if (!ap.ssid.empty()) point["ssid"] = ap.ssid;
    root["wifiAccessPoints"].append(point);
  }
  return Write(root);
}

GeoAnswer ReadGeolocateAnswer(int status, std::string_view body) {
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  const bool parsed = reader->parse(body.data(), body.data() + body.size(), &root, &errors) && root.isObject();
  if (status == 404) return GeoAnswer{GeoAnswer::Kind::kNotFound, 0, 0, 0, ""};
  if (status != 200) {
    const std::string reason = parsed ? ErrorReason(root) : "";
    return Failed("upstream status " + std::to_string(status) + (reason.empty() ? "" : " " + reason));
  }
  if (!parsed) return Failed("upstream answer is not a JSON object");
  if (root["fallback"].isString() && root["fallback"].asString() == "ipf")
    return GeoAnswer{GeoAnswer::Kind::kNotFound, 0, 0, 0, ""};
  const Json::Value& location = root["location"];
  GeoAnswer answer{GeoAnswer::Kind::kFound, 0, 0, 0, ""};
  if (!location.isObject() || !ReadNumber(location["lat"], &answer.latitude) ||
      !ReadNumber(location["lng"], &answer.longitude) || !ReadNumber(root["accuracy"], &answer.accuracy))
    return Failed("upstream answer lacks location.lat, location.lng or accuracy");
  if (std::fabs(answer.latitude) > 90 || std::fabs(answer.longitude) > 180 || answer.accuracy < 0)
    return Failed("upstream answer is not a position on the globe");
  return answer;
}

}  // namespace locserver
