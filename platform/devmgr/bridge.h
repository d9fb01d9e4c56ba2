// Bridges: a port named in the profile's "bridges" list is relayed to a host
// pseudo-terminal, so host programs (gpsd, a terminal) talk to it as to a
// serial device. The device manager opens the port as its second handle once
// a program has opened it, and publishes the pseudo-terminal as the link
// ROOT/dev/NAME (ROOT/dev/COM5 for COM5:).
//
// The two directions run on threads of their own and never wait for each
// other: bytes for a host side that does not read are dropped, and bytes from
// the host wait at most a moment for room on the port before they are
// dropped. The bridge keeps the pseudo-terminal's slave side open itself, so
// a host program can close it and open it again without ending the bridge.
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
