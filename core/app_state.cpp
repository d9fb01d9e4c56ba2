#include "core/app_state.h"

#include "core/first_use.h"

AppState::AppState() {
  InitializeCriticalSection(&config_lock);
  InitializeCriticalSection(&wifi_lock);
  settings.Load(&config_lock);
}

AppState::~AppState() {
  settings.Save(&config_lock);
  DeleteCriticalSection(&config_lock);
  DeleteCriticalSection(&wifi_lock);
}

AppState& GetAppState() { return FirstUse<AppState>::Get(); }

static LONG volatile* AsAtomic(DWORD* member) { return reinterpret_cast<LONG volatile*>(member); }

DWORD AppMode() { return static_cast<DWORD>(InterlockedCompareExchange(AsAtomic(&GetAppState().settings.mode), 0, 0)); }

void SetAppMode(DWORD mode) { InterlockedExchange(AsAtomic(&GetAppState().settings.mode), static_cast<LONG>(mode)); }

DWORD WifiEnabled() {
  return static_cast<DWORD>(InterlockedCompareExchange(AsAtomic(&GetAppState().settings.wifi_enabled), 0, 0));
}

void SetWifiEnabled(DWORD enabled) {
  InterlockedExchange(AsAtomic(&GetAppState().settings.wifi_enabled), static_cast<LONG>(enabled));
}
