// The OS services library's wireless device list ("ossvcs.dll", loaded at run
// time; its entry points are exported by ordinal only).
//
// GetWirelessDevices (ordinal 276) returns a chain of device descriptions that
// the caller gives back with FreeDeviceList (280); ChangeRadioState (273)
// switches one device, and with a save action other than
// RADIODEVICES_DONT_SAVE the new state outlives a restart.
#ifndef KELVANE_WRLSPWR_H
#define KELVANE_WRLSPWR_H

#include <windef.h>

typedef enum _RADIODEVTYPE {
  RADIODEVICES_MANAGED = 1,  // the managed Wi-Fi radio
  RADIODEVICES_PHONE = 2,
  RADIODEVICES_BLUETOOTH = 3
} RADIODEVTYPE;

typedef enum _SAVEACTION { RADIODEVICES_DONT_SAVE = 0, RADIODEVICES_PRE_SAVE = 1, RADIODEVICES_POST_SAVE = 2 } SAVEACTION;

typedef struct _RDD {
  LPCWSTR pszDeviceName;
  LPCWSTR pszDisplayName;
  DWORD dwState;  // 0 off, 1 on
  DWORD dwDesired;
  RADIODEVTYPE DeviceType;
  struct _RDD* pNext;  // null ends the chain
} RDD;

#define GET_WIRELESS_DEVICES_ORDINAL 276
#define CHANGE_RADIO_STATE_ORDINAL 273
#define FREE_DEVICE_LIST_ORDINAL 280

typedef HRESULT(WINAPI* GETWIRELESSDEVICES)(RDD** pDevices, DWORD dwFlags);
typedef HRESULT(WINAPI* CHANGERADIOSTATE)(RDD* pDev, DWORD dwState, SAVEACTION sa);
typedef HRESULT(WINAPI* FREEDEVICELIST)(RDD* pRoot);

#endif
