// The network adapters and what their drivers see.
#include "internal/network_adapters.h"

#include "internal/device_root.h"
#include "internal/host_wifi.h"
#include "internal/profile_value.h"
#include "internal/scenario.h"
#include "internal/wireless_devices.h"

#include <cstring>

namespace kelvane {
namespace {

// The radio that powers the adapter, or null when it has none.
const WirelessDevice* RadioOf(const NetworkAdapter& adapter, const std::vector<WirelessDevice>& devices) {
  for (const WirelessDevice& d : devices)
    if (adapter.radio.empty() ? d.type == 1 : d.name == adapter.radio) return &d;
  return nullptr;
}

}  // namespace

bool DeviceHasAdapters() { return !MemberOf(Profile(), "adapters").isNull(); }

std::vector<NetworkAdapter> NetworkAdapters() {
  std::vector<NetworkAdapter> adapters;
  const Json::Value& list = MemberOf(Profile(), "adapters");
  if (!list.isNull() && !list.isArray()) ReportProfileProblem("\"adapters\" must be a list");
  for (Json::ArrayIndex i = 0; list.isArray() && i < list.size(); ++i) {
    const std::string path = "adapters." + std::to_string(i);
    const Json::Value& entry = list[i];
    NetworkAdapter adapter;
    adapter.name = ReadText(MemberOf(entry, "name"), path + ".name", "");
    adapter.description = ReadText(MemberOf(entry, "description"), path + ".description", adapter.name);
    const std::string type = ReadText(MemberOf(entry, "type"), path + ".type", "802.11");
    adapter.ieee80211 = type == "802.11";
    adapter.radio = ReadText(MemberOf(entry, "radio"), path + ".radio", "");
    adapter.host_interface = ReadText(MemberOf(entry, "hostInterface"), path + ".hostInterface", "");
    // The name must fit IP_ADAPTER_INFO's 256 characters and its terminator.
    if (adapter.name.empty() || adapter.name.size() > 255 || (type != "802.11" && type != "ethernet")) {
      ReportProfileProblem("\"" + path + "\" needs a \"name\" of 1 to 255 bytes and a \"type\" of \"802.11\" or \"ethernet\"");
      continue;
    }
    adapters.push_back(adapter);
  }
  return adapters;
}

std::vector<SeenAccessPoint> AccessPointsSeenBy(const NetworkAdapter& adapter) {
  std::vector<SeenAccessPoint> seen;
  if (!adapter.ieee80211) return seen;
  const std::vector<WirelessDevice> devices = WirelessDevices();
  const WirelessDevice* radio = RadioOf(adapter, devices);
  if (radio && !radio->on) return seen;
  if (!adapter.host_interface.empty()) return HostAccessPoints(adapter.host_interface);
  const std::optional<ScenarioStep> step = CurrentScenarioStep();
  if (!step) return seen;
  for (const ScenarioAccessPoint& ap : step->access_points) {
    SeenAccessPoint point;
    std::memcpy(point.mac, ap.mac, sizeof point.mac);
    point.rssi = ap.signal;
    point.ssid = ap.ssid;
    seen.push_back(point);
  }
  return seen;
}

}  // namespace kelvane
