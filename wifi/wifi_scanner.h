// The access points in range, kept for the Wi-Fi location lookup.
//
// One process-wide object, constructed during static initialisation (it
// loads the radio library and checks wifi.dat) and destroyed at process exit.
// Scan, ClearList and the readers of the list run on the worker thread only,
// so the list needs no lock.
#ifndef KELVANE_WIFI_WIFI_SCANNER_H
#define KELVANE_WIFI_WIFI_SCANNER_H

#include "wifi/access_point.h"
#include "wifi/wifi_radio.h"
#include "wifi/wifi_source.h"

class WifiScanner : public WifiSource {
 public:
  WifiScanner();

  // Switches the radio on first when WiFiOn asks for it. 0 when a scan
  // produced a list different from the stored one (and stored it), -1
  // otherwise: no change, or no scan possible (the stored list stays).
  int Scan() override;
  // Empties the stored list, so that the next scan that finds any access
  // point counts as a change.
  void ClearList() override { stored_.clear(); }
  // ResolveWifiPosition of the stored list.
  int Resolve(Position* out) override;
  // The access points of the last scan that changed the list.
  const AccessPointList& List() const { return stored_; }

 private:
  WifiRadio radio_;
  AccessPointList stored_;
};

WifiScanner& TheWifiScanner();

#endif
