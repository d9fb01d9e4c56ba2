// The wireless devices and their saved states.
#include "internal/wireless_devices.h"

#include "internal/device_root.h"
#include "internal/profile_value.h"

#include <fstream>
#include <map>
#include <mutex>

namespace kelvane {
namespace {

std::mutex state_lock;  // guards the state file within the process

std::filesystem::path StateFile() { return DeviceRoot() / "wireless-state"; }

// "NAME 0|1" lines; anything else in the file is ignored.
std::map<std::string, bool> SavedStates() {
  std::map<std::string, bool> states;
  std::ifstream in(StateFile());
  std::string name;
  int on = 0;
  while (in >> name >> on) states[name] = on != 0;
  return states;
}

}  // namespace

std::vector<WirelessDevice> WirelessDevices() {
  std::vector<WirelessDevice> devices;
  const Json::Value& list = MemberOf(Profile(), "wirelessDevices");
  if (!list.isNull() && !list.isArray()) ReportProfileProblem("\"wirelessDevices\" must be a list");
  std::lock_guard<std::mutex> guard(state_lock);
  const std::map<std::string, bool> saved = SavedStates();
  for (Json::ArrayIndex i = 0; list.isArray() && i < list.size(); ++i) {
    const std::string path = "wirelessDevices." + std::to_string(i);
    WirelessDevice device;
    device.name = ReadText(MemberOf(list[i], "name"), path + ".name", "");
    device.type = static_cast<DWORD>(ReadCount(MemberOf(list[i], "type"), path + ".type", 0, 3));
    device.on = ReadFlag(MemberOf(list[i], "on"), path + ".on", false);
    // Names are words in the state file.
    if (device.name.empty() || device.name.find_first_of(" \t\r\n") != std::string::npos || device.type == 0) {
      ReportProfileProblem("\"" + path + "\" needs a \"name\" without spaces and a \"type\" from 1 to 3");
      continue;
    }
    if (auto it = saved.find(device.name); it != saved.end()) device.on = it->second;
    devices.push_back(device);
  }
  return devices;
}

bool SaveWirelessState(const std::string& name, bool on) {
  bool known = false;
  for (const WirelessDevice& d : WirelessDevices()) known |= d.name == name;
  if (!known) return false;
  std::lock_guard<std::mutex> guard(state_lock);
  std::map<std::string, bool> states = SavedStates();
  states[name] = on;
  // Written whole to a new file and renamed over the old, so a reader in
  // another process sees the old states or the new, never a part.
  const std::filesystem::path file = StateFile();
  const std::filesystem::path fresh = file.string() + ".new";
  {
    std::ofstream out(fresh, std::ios::trunc);
    for (const auto& [device, state] : states) out << device << ' ' << (state ? 1 : 0) << '\n';
    if (!out) return false;
  }
  std::error_code error;
  std::filesystem::rename(fresh, file, error);
  return !error;
}

}  // namespace kelvane
