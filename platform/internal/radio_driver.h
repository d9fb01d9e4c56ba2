// The device's radio driver: state that outlives any one load of ril.dll,
// which is only the clients' door to it. Safe to call from any thread.
#ifndef KELVANE_PLATFORM_RADIO_DRIVER_H
#define KELVANE_PLATFORM_RADIO_DRIVER_H

#include <windows.h>

#include <cstdint>

namespace kelvane {

// The next command identifier: 1, 2, ... 0x7FFFFFFF, then 1 again.
HRESULT NextRilCommandId();
// How many cell-tower commands were given before this one (0 for the first).
uint64_t NextCellTowerCommand();

}  // namespace kelvane

#endif
