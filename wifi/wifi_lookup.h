// Resolves a list of access points to a position: the Wi-Fi cache first,
// then the JSON location service. Runs on the worker thread.
#ifndef KELVANE_WIFI_WIFI_LOOKUP_H
#define KELVANE_WIFI_WIFI_LOOKUP_H

#include "core/position.h"
#include "wifi/access_point.h"

// The JSON location service. Its host name is ours to choose; requests go
// straight to it or through the configured proxy.
constexpr char kWifiServiceHost[] = "www.google.com";

// 0 and out filled on success; on failure out is untouched and the code is
// -1 (connection or transfer failure), -2 (no access points), -3 (unusable
// response) or -10 (request not built, or an unexpected cache answer). A
// stale cached position is the answer when the service cannot give a new one.
int ResolveWifiPosition(const AccessPointList& list, Position* out);

#endif
