// Device profiles for the Wi-Fi tests: a managed radio, adapters, and one
// long scenario step with the given access points.
#ifndef KELVANE_TESTS_WIFI_WIFI_PROFILE_H
#define KELVANE_TESTS_WIFI_WIFI_PROFILE_H

#include <json/value.h>

#include <string>

namespace kelvane::testing {

// The access point 00:1a:2b:3c:4d:NN.
inline Json::Value SeenPoint(int last_mac_byte, int signal, const std::string& ssid = "") {
  char mac[18];
  snprintf(mac, sizeof mac, "00:1a:2b:3c:4d:%02x", last_mac_byte);
  Json::Value point;
  point["mac"] = mac;
  point["signal"] = signal;
  if (!ssid.empty()) point["ssid"] = ssid;
  return point;
}

inline Json::Value WifiProfile(const Json::Value& access_points, bool radio_on = true) {
  Json::Value profile;
  Json::Value radio;
  radio["name"] = "WLAN1";
  radio["type"] = 1;
  radio["on"] = radio_on;
  profile["wirelessDevices"].append(radio);
  Json::Value wired;
  wired["name"] = "USB1";
  wired["type"] = "ethernet";
  profile["adapters"].append(wired);
  Json::Value wireless;
  wireless["name"] = "WLAN1";
  profile["adapters"].append(wireless);
  Json::Value step;
  step["duration"] = 100000000;
  step["accessPoints"] = access_points.isNull() ? Json::Value(Json::arrayValue) : access_points;
  profile["scenario"]["steps"].append(step);
  return profile;
}

}  // namespace kelvane::testing

#endif
