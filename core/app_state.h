// The application state: settings, the flag word and two locks, one object per
// process, created on first use by GetAppState (from any thread) and destroyed
// at process exit, which saves Mode and WiFiOn.
//
// The configuration lock serialises every access to config.ini; the Wi-Fi lock
// serialises every access to the two cache files. Neither is held while
// another lock is taken.
#ifndef KELVANE_CORE_APP_STATE_H
#define KELVANE_CORE_APP_STATE_H

#include <windows.h>

#include "settings/settings.h"

struct AppState {
  AppState();
  ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  Settings settings;
  LONG volatile flags = 0;
  CRITICAL_SECTION config_lock;
  CRITICAL_SECTION wifi_lock;
};

AppState& GetAppState();

// The mode and Wi-Fi settings change at run time on several threads; these
// read and write them atomically.
DWORD AppMode();
void SetAppMode(DWORD mode);
DWORD WifiEnabled();
void SetWifiEnabled(DWORD enabled);

#endif
