// Resolves the stored access points to a position.
#ifndef KELVANE_WIFI_WIFI_LOOKUP_H
#define KELVANE_WIFI_WIFI_LOOKUP_H

#include "core/position.h"

// 0 and out filled on success; on failure out is untouched and the code is
// -1 (connection or transfer failure), -2 (no access points), -3 (unusable
// response) or another value such as -10.
int ResolveWifiPosition(Position* out);

#endif
