#include "wifi/wifi_scanner.h"

#include <nuiouser.h>

#include "core/app_state.h"
#include "wifi/adapter_scan.h"
#include "wifi/wifi_cache.h"
#include "wifi/wifi_lookup.h"

WifiScanner::WifiScanner() { CheckWifiCacheFile(); }

int WifiScanner::Scan() {
  if (WifiEnabled() != 0) radio_.EnsureRadioOn();
  HANDLE device = CreateFileW(NDISUIO_DEVICE_NAME, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 1, nullptr);
  if (device == INVALID_HANDLE_VALUE) return -1;
  AccessPointList found;
  int result = -1;
  if (CollectAccessPoints(device, &found) && found != stored_) {
    stored_.swap(found);
    result = 0;
  }
  CloseHandle(device);
  return result;
}

int WifiScanner::Resolve(Position* out) { return ResolveWifiPosition(stored_, out); }
