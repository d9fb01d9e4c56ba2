// The NDIS user-mode I/O device.
#include "devmgr/ndis_uio.h"

#include <nuiouser.h>

#include "internal/device_root.h"
#include "internal/last_error.h"
#include "internal/network_adapters.h"

#include <cstddef>
#include <cstring>

namespace kelvane {
namespace {

constexpr ULONG kInfrastructureMode = 1;  // Ndis802_11Infrastructure

static_assert(sizeof(NDIS_WLAN_BSSID) == 104, "the list items keep the device's layout");
static_assert(offsetof(NDIS_WLAN_BSSID, Rssi) == 52, "the list items keep the device's layout");

std::vector<BYTE> BssidList(const std::vector<SeenAccessPoint>& points) {
  std::vector<BYTE> list(sizeof(ULONG) + points.size() * sizeof(NDIS_WLAN_BSSID));
  const ULONG count = static_cast<ULONG>(points.size());
  std::memcpy(list.data(), &count, sizeof count);
  BYTE* at = list.data() + sizeof(ULONG);
  for (const SeenAccessPoint& point : points) {
    NDIS_WLAN_BSSID item;
    std::memset(&item, 0, sizeof item);
    item.Length = sizeof item;
    std::memcpy(item.MacAddress, point.mac, sizeof item.MacAddress);
    item.Ssid.SsidLength = static_cast<ULONG>(point.ssid.size());
    std::memcpy(item.Ssid.Ssid, point.ssid.data(), point.ssid.size());
    item.Rssi = point.rssi;
    item.Configuration.Length = sizeof item.Configuration;
    item.InfrastructureMode = kInfrastructureMode;
    std::memcpy(at, &item, sizeof item);
    at += sizeof item;
  }
  return list;
}

class NdisUioHandle : public KernelObject {
 public:
  // Input and output may be one buffer: the query is read whole first.
  BOOL IoControl(DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned) override {
    if (code != IOCTL_NDISUIO_QUERY_OID_VALUE) return Fail(ERROR_NOT_SUPPORTED, FALSE);
    if (!in || !out || in_size < sizeof(NDISUIO_QUERY_OID) || out_size < sizeof(NDISUIO_QUERY_OID))
      return Fail(ERROR_INVALID_PARAMETER, FALSE);
    NDISUIO_QUERY_OID query;
    std::memcpy(&query, in, sizeof query);
    if (!query.ptcDeviceName) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const std::string name = Narrow(query.ptcDeviceName);
    const NetworkAdapter* adapter = nullptr;
    const std::vector<NetworkAdapter> adapters = NetworkAdapters();
    for (const NetworkAdapter& a : adapters)
      if (a.name == name) adapter = &a;
    if (!adapter) return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    // An adapter that is not an 802.11 adapter does not know the object.
    if (query.Oid != OID_802_11_BSSID_LIST || !adapter->ieee80211) return Fail(ERROR_NOT_SUPPORTED, FALSE);

    const std::vector<BYTE> list = BssidList(AccessPointsSeenBy(*adapter));
    const DWORD needed = static_cast<DWORD>(offsetof(NDISUIO_QUERY_OID, Data) + list.size());
    if (needed > out_size) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    std::memcpy(out, &query, offsetof(NDISUIO_QUERY_OID, Data));
    std::memcpy(static_cast<BYTE*>(out) + offsetof(NDISUIO_QUERY_OID, Data), list.data(), list.size());
    if (returned) *returned = needed;
    return TRUE;
  }
};

class NdisUioDeviceImpl : public NamedDevice {
 public:
  KernelObjectPtr Open(DWORD, DWORD) override { return std::make_shared<NdisUioHandle>(); }
  bool BridgedOnOpen() const override { return false; }
};

}  // namespace

NamedDevicePtr NdisUioDevice() {
  if (!DeviceHasAdapters()) return nullptr;
  return std::make_shared<NdisUioDeviceImpl>();
}

}  // namespace kelvane
