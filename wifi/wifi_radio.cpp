#include "wifi/wifi_radio.h"

#include "settings/message_list.h"

namespace {

template <class Function>
Function Resolve(HMODULE library, WORD ordinal, const WCHAR* failure) {
  FARPROC entry = GetProcAddressW(library, MAKEINTRESOURCEW(ordinal));
  if (!entry) DiagnosticLog().Error(failure);
  return reinterpret_cast<Function>(entry);
}

}  // namespace

WifiRadio::WifiRadio() {
  HMODULE library = LoadLibraryW(L"ossvcs.dll");
  if (!library) {
    DiagnosticLog().Error(L"Load ossvcs.dll failed");
    return;
  }
  get_wireless_devices_ =
      Resolve<GETWIRELESSDEVICES>(library, GET_WIRELESS_DEVICES_ORDINAL, L"GetWirelessDevices GetProcAddress");
  change_radio_state_ = Resolve<CHANGERADIOSTATE>(library, CHANGE_RADIO_STATE_ORDINAL, L"ChangeRadioState GetProcAddress");
  free_device_list_ = Resolve<FREEDEVICELIST>(library, FREE_DEVICE_LIST_ORDINAL, L"FreeDeviceList GetProcAddress");
}

int WifiRadio::QueryRadioState(DWORD* state) {
  if (!get_wireless_devices_) return -1;
  RDD* devices = nullptr;
  if (get_wireless_devices_(&devices, 0) != S_OK) return -1;
  for (RDD* device = devices; device; device = device->pNext)
    if (device->DeviceType == RADIODEVICES_MANAGED) *state = device->dwState;
  // Without its release entry point the list stays with the library.
  if (devices && free_device_list_) free_device_list_(devices);
  return 0;
}

int WifiRadio::SetRadioState(DWORD type, DWORD state) {
  if (!get_wireless_devices_ || !change_radio_state_) return -1;
  RDD* devices = nullptr;
  if (get_wireless_devices_(&devices, 0) != S_OK) return -1;
  for (RDD* device = devices; device; device = device->pNext)
    if (static_cast<DWORD>(device->DeviceType) == type) change_radio_state_(device, state, RADIODEVICES_PRE_SAVE);
  if (devices && free_device_list_) free_device_list_(devices);
  return 0;
}

void WifiRadio::EnsureRadioOn() {
  DWORD state = 0;
  if (QueryRadioState(&state) == 0 && state == 0) SetRadioState(RADIODEVICES_MANAGED, 1);
}
