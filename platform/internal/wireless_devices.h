// The device's wireless devices (the radios ossvcs.dll lists and switches),
// from the profile's "wirelessDevices":
//
//   "wirelessDevices": [{"name": "WLAN1", "type": 1, "on": false},
//                       {"name": "Phone", "type": 2, "on": true}]
//
// type: 1 the managed Wi-Fi radio, 2 the phone, 3 Bluetooth. A state set by
// SaveWirelessState is kept in the root's "wireless-state" file and overrides
// "on" from then on, in this process and in later ones. Thread-safe.
#ifndef KELVANE_PLATFORM_WIRELESS_DEVICES_H
#define KELVANE_PLATFORM_WIRELESS_DEVICES_H

#include <windows.h>

#include <string>
#include <vector>

namespace kelvane {

struct WirelessDevice {
  std::string name;
  DWORD type = 0;
  bool on = false;
};

// The profile's devices, in profile order, with their current states.
std::vector<WirelessDevice> WirelessDevices();
// Switches the named device; false when the device has no such device.
bool SaveWirelessState(const std::string& name, bool on);

}  // namespace kelvane

#endif
