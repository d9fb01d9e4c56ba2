// "UIO1:", the NDIS user-mode I/O device: it answers an adapter's 802.11
// BSSID list query (IOCTL_NDISUIO_QUERY_OID_VALUE with OID_802_11_BSSID_LIST)
// from what the adapter sees (network_adapters.h). The device exists when
// the profile gives the device adapters.
#ifndef KELVANE_PLATFORM_DEVMGR_NDIS_UIO_H
#define KELVANE_PLATFORM_DEVMGR_NDIS_UIO_H

#include "devmgr/named_device.h"

namespace kelvane {

// Null when the device has no adapters.
NamedDevicePtr NdisUioDevice();

}  // namespace kelvane

#endif
