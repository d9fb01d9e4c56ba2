// The Wi-Fi cache "wifi.dat" (records in wifi_cache_record.h), at the
// settings' Wi-Fi cache path: the position last resolved for each access
// point. Every open of the file happens under the Wi-Fi lock of the
// application state, which the tower cache shares. Searches are linear from
// the start of the file and end early when Interrupt is set. A file that
// cannot be opened makes lookups miss, searches find nothing and writes skip
// silently. Offsets are byte offsets of records; -1 means none.
#ifndef KELVANE_WIFI_WIFI_CACHE_H
#define KELVANE_WIFI_WIFI_CACHE_H

#include <windows.h>

#include "core/position.h"
#include "wifi/access_point.h"

// Looks the access points up in order, under the lock for the whole run.
// The first one with a positioned record answers: 0 fresh (resolved less
// than 31 days ago) or -2 stale, with *out set; its last-used date is brought
// up to date when that is a month old. -3 when only records without a
// usable position were found, -1 when nothing was found or the file does
// not open. *offset: the last matching record's offset, or -1.
int LookupCache(const AccessPointList& list, Position* out, LONG* offset);

// Records p as the position of every access point of the list, dated now:
// over the access point's record, else into a reusable slot, else appended.
void StoreCache(const AccessPointList& list, const Position& p);

// Deletes a wifi.dat whose size is not a whole number of records (warned).
void CheckWifiCacheFile();

#endif
