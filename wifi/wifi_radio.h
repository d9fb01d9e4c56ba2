// The device's Wi-Fi radio switch, through the OS services library
// "ossvcs.dll" (loaded once, never unloaded; its three entry points are found
// by ordinal). A missing library or entry point is logged once, at
// construction, and disables the switching only. Used on the worker thread.
//
// The radio device list (wrlspwr.h) is a chain of descriptions; only a
// description's state, its device type and its link are read here.
#ifndef KELVANE_WIFI_WIFI_RADIO_H
#define KELVANE_WIFI_WIFI_RADIO_H

#include <windows.h>
#include <wrlspwr.h>

class WifiRadio {
 public:
  WifiRadio();

  // 0 with *state the state of the managed Wi-Fi radio (the last one listed;
  // 0 when there is none); -1 when the list cannot be had.
  int QueryRadioState(DWORD* state);
  // Switches every device of the type to the state, saving it; 0 or -1.
  int SetRadioState(DWORD type, DWORD state);
  // Switches the managed radio on when it is off; never switches it off.
  void EnsureRadioOn();

 private:
  GETWIRELESSDEVICES get_wireless_devices_ = nullptr;
  CHANGERADIOSTATE change_radio_state_ = nullptr;
  FREEDEVICELIST free_device_list_ = nullptr;
};

#endif
