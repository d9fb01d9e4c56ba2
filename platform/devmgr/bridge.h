// Bridges: a port named in the profile's "bridges" list is relayed to host
// programs (gpsd, navigation software, a terminal): on a pseudo-terminal
// published as the link ROOT/dev/NAME (ROOT/dev/COM5 for COM5:), which they
// use as a serial device, and/or on a TCP listening socket (NMEA over TCP).
// The device manager opens the port as its second handle once a program has
// opened it.
//
// The port's output reaches the host a whole line at a time, and an outlet
// whose reader does not keep up drops its oldest lines (bridge_outlet.h).
// The two directions never wait for each other: bytes from the host wait at
// most a moment for room on the port before they are dropped.
#ifndef KELVANE_PLATFORM_DEVMGR_BRIDGE_H
#define KELVANE_PLATFORM_DEVMGR_BRIDGE_H

#include <string>

namespace kelvane {

// Starts the port's bridge if the profile lists the name and none runs yet.
void StartBridgeIfListed(const std::wstring& name);
// Ends the port's bridge, if one runs: its handle closes and the link goes.
void StopBridge(const std::wstring& name);

}  // namespace kelvane

#endif
