// Reading the NDIS 802.11 BSSID list that an adapter's driver answers:
// a 32-bit item count, then the items back to back, little-endian:
//
//   offset 0        4
//          +--------+--------- ... ---------+--------- ... --+
//          | count  | item 0                | item 1         |
//          +--------+--------- ... ---------+--------- ... --+
//
//   item   0        4              10   12       16               48
//          +--------+--------------+----+--------+----------------+
//          | length | MAC (6)      | -- | SSID n | SSID bytes (32)|
//          +--------+--------------+----+--------+----------------+
//          48       52      56                            104
//          +--------+-------+---------- ... --------------+
//          | privacy| RSSI  | network type, configuration, |
//          |        | (i32) | mode, rates                  |
//          +--------+-------+---------- ... --------------+
//
// length: the item's own size, at least 104; the next item starts there.
// SSID n: how many SSID bytes count (UTF-8 as the air carries it).
#ifndef KELVANE_WIFI_BSSID_LIST_H
#define KELVANE_WIFI_BSSID_LIST_H

#include <windows.h>

#include "wifi/access_point.h"

constexpr DWORD kBssidItemMinimum = 104;

// Appends the list's access points to `list` in the driver's order, and one
// plain log line "MAC SSID RSSI" for each. Stops at an item shorter than 104
// bytes or one that reaches past `length` (warned); the items before it
// stay. An SSID
// count beyond the 32-byte field, or bytes that are not UTF-8, give an
// empty SSID.
void ParseBssidList(const BYTE* data, DWORD length, AccessPointList* list);

#endif
