#include "wifi/location_request.h"

#include "wifi/json_line.h"
#include "wifi/utf_text.h"

namespace {

void PutText(Json::Value& object, const char* name, const std::wstring& text) {
  std::string utf8;
  if (!text.empty() && Utf16ToUtf8(text, &utf8)) object[name] = utf8;
}

void PutInteger(Json::Value& object, const char* name, int32_t value) {
  if (value != kAbsent) object[name] = value;
}

const char* RadioTypeText(int type) {
  static const char* const kTexts[] = {"unknown", "gsm", "cdma", "wcdma"};
  return type >= 0 && type <= 3 ? kTexts[type] : kTexts[0];
}

Json::Value CellObject(const CellTower& cell) {
  Json::Value object(Json::objectValue);
  PutInteger(object, "cell_id", cell.cell_id);
  PutInteger(object, "location_area_code", cell.location_area_code);
  PutInteger(object, "mobile_country_code", cell.mobile_country_code);
  PutInteger(object, "mobile_network_code", cell.mobile_network_code);
  PutInteger(object, "age", cell.age);
  PutInteger(object, "signal_strength", cell.signal_strength);
  PutInteger(object, "timing_advance", cell.timing_advance);
  return object;
}

Json::Value AccessPointObject(const AccessPoint& point) {
  Json::Value object(Json::objectValue);
  PutText(object, "mac_address", point.mac_address);
  PutInteger(object, "signal_strength", point.signal_strength);
  PutInteger(object, "age", point.age);
  PutInteger(object, "channel", point.channel);
  PutInteger(object, "signal_to_noise", point.signal_to_noise);
  PutText(object, "ssid", point.ssid);
  return object;
}

}  // namespace

bool BuildRequest(const std::wstring& host, const std::wstring& token, const CellPart& cell,
                  const AccessPointList& access_points, const std::wstring& language, std::string* text) {
  if (host.empty()) return false;
  Json::Value root(Json::objectValue);
  root["version"] = "1.1.0";
  PutText(root, "host", host);
  PutText(root, "access_token", token);
  root["request_address"] = false;
  PutText(root, "address_language", language);

  PutInteger(root, "home_mobile_country_code", cell.home_mobile_country_code);
  PutInteger(root, "home_mobile_network_code", cell.home_mobile_network_code);
  root["radio_type"] = RadioTypeText(cell.radio_type);
  PutText(root, "carrier", cell.carrier);
  for (const CellTower& tower : cell.cells) root["cell_towers"].append(CellObject(tower));

  for (const AccessPoint& point : access_points) root["wifi_towers"].append(AccessPointObject(point));
  *text = WriteJsonLine(root) + "\n";
  return true;
}
