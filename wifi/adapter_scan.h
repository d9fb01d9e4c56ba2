// Reading the access points of every network adapter through the NDIS
// user-mode I/O device ("UIO1:", opened by the caller). No scan is requested
// from the drivers: each answers what it last gathered.
#ifndef KELVANE_WIFI_ADAPTER_SCAN_H
#define KELVANE_WIFI_ADAPTER_SCAN_H

#include <windows.h>

#include "wifi/access_point.h"

// Appends the access points of every adapter, in adapter order, to `list`.
// False when the adapters cannot be listed; adapters that do not answer
// (not 802.11) are skipped.
bool CollectAccessPoints(HANDLE device, AccessPointList* list);

#endif
