// The access points in range, kept for the Wi-Fi location lookup.
#ifndef KELVANE_WIFI_WIFI_SCANNER_H
#define KELVANE_WIFI_WIFI_SCANNER_H

// One process-wide object, constructed during static initialisation.
class WifiScanner {
 public:
  // 0 when a scan produced a list different from the previous one (and
  // stored it), nonzero otherwise.
  int Scan();
  // Empties the stored list, so that the next scan that finds any access
  // point counts as a change.
  void ClearList();
};

WifiScanner& TheWifiScanner();

#endif
