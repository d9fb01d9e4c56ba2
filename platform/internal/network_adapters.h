// The device's network adapters and the access points their drivers see,
// from the profile's "adapters":
//
//   "adapters": [{"name": "WLAN1", "description": "Wireless LAN",
//                 "type": "802.11", "radio": "WLAN1"},
//                {"name": "USB1", "type": "ethernet"}]
//
// An 802.11 adapter sees the access points of the current scenario step
// while its radio is on: the wireless device named by "radio" (default: the
// first managed Wi-Fi radio, type 1). Without any such radio it is always on.
// With "hostInterface": "wlan0" it sees instead the host's own cached scan
// results of that interface. Thread-safe.
#ifndef KELVANE_PLATFORM_NETWORK_ADAPTERS_H
#define KELVANE_PLATFORM_NETWORK_ADAPTERS_H

#include <windows.h>

#include <string>
#include <vector>

namespace kelvane {

struct NetworkAdapter {
  std::string name;
  std::string description;
  bool ieee80211 = false;
  std::string radio;           // empty: always on
  std::string host_interface;  // empty: the scenario's access points
};

struct SeenAccessPoint {
  BYTE mac[6] = {};
  LONG rssi = 0;     // dBm
  std::string ssid;  // raw bytes, at most 32
};

// Whether the profile gives the device adapters at all ("adapters" present,
// even empty): the NDIS user-mode I/O device "UIO1:" exists only then.
bool DeviceHasAdapters();
std::vector<NetworkAdapter> NetworkAdapters();
// What the adapter's driver last gathered: nothing while its radio is off.
std::vector<SeenAccessPoint> AccessPointsSeenBy(const NetworkAdapter& adapter);

}  // namespace kelvane

#endif
