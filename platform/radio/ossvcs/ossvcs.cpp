// ossvcs.dll: the wireless device list and radio switching, over the
// device's wireless devices (internal/wireless_devices.h). Its entry points
// are exported by ordinal only, as on the device.
#include <windows.h>
#include <kelvane_module.h>
#include <wrlspwr.h>

#include "internal/device_root.h"
#include "internal/wireless_devices.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// One list handed out: the descriptions and the names they point to.
struct DeviceList {
  std::vector<std::wstring> names;
  std::vector<RDD> devices;
};

// Lists handed out and not yet given back, by their first description; they
// go with the library when it is unloaded.
std::mutex lists_lock;
std::map<RDD*, std::unique_ptr<DeviceList>>& Lists() {
  static std::map<RDD*, std::unique_ptr<DeviceList>> lists;
  return lists;
}

}  // namespace

extern "C" {

extern const KELVANE_ORDINAL KelvaneOrdinals[] = {{GET_WIRELESS_DEVICES_ORDINAL, "GetWirelessDevices"},
                                                  {CHANGE_RADIO_STATE_ORDINAL, "ChangeRadioState"},
                                                  {FREE_DEVICE_LIST_ORDINAL, "FreeDeviceList"},
                                                  {0, nullptr}};

// ---- GetWirelessDevices ----
// A device without wireless devices answers S_OK and an empty (null) list.
HRESULT WINAPI GetWirelessDevices(RDD** pDevices, DWORD) {
  if (!pDevices) return E_INVALIDARG;
  *pDevices = nullptr;
  const std::vector<kelvane::WirelessDevice> devices = kelvane::WirelessDevices();
  if (devices.empty()) return S_OK;
  auto list = std::make_unique<DeviceList>();
  list->names.reserve(devices.size());
  list->devices.resize(devices.size());
  for (size_t i = 0; i < devices.size(); ++i) {
    list->names.push_back(kelvane::Widen(devices[i].name));
    RDD& d = list->devices[i];
    d.pszDeviceName = list->names[i].c_str();
    d.pszDisplayName = d.pszDeviceName;
    d.dwState = devices[i].on ? 1 : 0;
    d.dwDesired = d.dwState;
    d.DeviceType = static_cast<RADIODEVTYPE>(devices[i].type);
    d.pNext = i + 1 < devices.size() ? &list->devices[i + 1] : nullptr;
  }
  RDD* first = list->devices.data();
  std::lock_guard<std::mutex> guard(lists_lock);
  Lists()[first] = std::move(list);
  *pDevices = first;
  return S_OK;
}

// ---- ChangeRadioState ----
// The device is found by its name. The emulated device never restarts, so a
// change holds until the next one whatever the save action; it is kept in the
// device root, so later processes see it too.
HRESULT WINAPI ChangeRadioState(RDD* pDev, DWORD dwState, SAVEACTION) {
  if (!pDev || !pDev->pszDeviceName || dwState > 1) return E_INVALIDARG;
  if (!kelvane::SaveWirelessState(kelvane::Narrow(pDev->pszDeviceName), dwState == 1)) return E_FAIL;
  pDev->dwState = dwState;
  return S_OK;
}

// ---- FreeDeviceList ----
HRESULT WINAPI FreeDeviceList(RDD* pRoot) {
  std::lock_guard<std::mutex> guard(lists_lock);
  return Lists().erase(pRoot) == 1 ? S_OK : E_INVALIDARG;
}

}  // extern "C"
