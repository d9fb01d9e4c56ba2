#include "wifi/location_response.h"

#include <json/reader.h>
#include <json/value.h>

#include <stdint.h>
#include <string.h>

#include <memory>

#include "wifi/utf_text.h"

namespace {

// A real or a signed integer. The service's documents have always been read
// by a reader that stores integers above 2147483647 as unsigned, which count
// as missing; the installed reader keeps them signed, so the rule is kept here.
bool IsNumber(const Json::Value& value) {
  return value.type() == Json::realValue || (value.type() == Json::intValue && value.asLargestInt() <= INT32_MAX);
}

// False when the member is missing or not a number of the accepted kinds.
bool ReadNumber(const Json::Value& object, const char* name, double* out) {
  const Json::Value* member = object.find(name, name + strlen(name));
  if (!member || !IsNumber(*member)) return false;
  *out = member->asDouble();
  return true;
}

void ReadAddress(const Json::Value& address, LocationResult* result) {
  const struct {
    const char* name;
    std::wstring* target;
  } kFields[] = {{"street_number", &result->street_number}, {"street", &result->street},
                 {"premises", &result->premises},           {"city", &result->city},
                 {"county", &result->county},               {"region", &result->region},
                 {"country", &result->country},             {"country_code", &result->country_code},
                 {"postal_code", &result->postal_code}};
  for (const auto& field : kFields) {
    const Json::Value& value = address[field.name];
    if (value.isString()) Utf8ToUtf16(value.asString(), field.target);
  }
}

}  // namespace

bool ParseResponse(const std::string& text, LocationResult* result, std::wstring* token) {
  if (text.empty()) return false;
  // The deprecated Json::Reader's features, through the builder that replaces it.
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) return false;
  if (!root.isObject() && !root.isNull()) return false;
  if (root.isMember("access_token") && root["access_token"].isString())
    Utf8ToUtf16(root["access_token"].asString(), token);
  if (!root.isMember("location")) return true;
  const Json::Value& location = root["location"];
  if (location.isNull()) return true;
  if (!location.isObject()) return false;
  if (!ReadNumber(location, "latitude", &result->latitude) || !ReadNumber(location, "longitude", &result->longitude))
    return false;
  if (!ReadNumber(location, "accuracy", &result->accuracy)) return false;
  ReadNumber(location, "altitude", &result->altitude);
  ReadNumber(location, "altitude_accuracy", &result->altitude_accuracy);
  const Json::Value& address = location["address"];
  if (address.isObject()) ReadAddress(address, result);
  return true;
}

bool CheckLocation(const LocationResult& result) {
  return result.latitude >= -90.0 && result.latitude <= 90.0 && result.longitude >= -180.0 &&
         result.longitude <= 180.0 && result.accuracy >= 0.0 && result.accuracy < 2147483648.0;
}
