// The NDIS user-mode I/O driver ("UIO1:"): queries of an adapter's NDIS
// objects through DeviceIoControl.
//
// NDISUIO_QUERY_OID carries a pointer to the adapter's name, so it is wider
// on this host than on the device: Data lies at offset 16 and the record is
// 24 bytes of this build, against 8 and 12 on the device. Callers use sizeof
// and offsetof, and the driver accepts exactly this build's layout.
#ifndef KELVANE_NUIOUSER_H
#define KELVANE_NUIOUSER_H

#include <windef.h>
#include <winioctl.h>
#include <ntddndis.h>

#define NDISUIO_DEVICE_NAME L"UIO1:"

#define IOCTL_NDISUIO_QUERY_OID_VALUE CTL_CODE(FILE_DEVICE_NETWORK, 0x201, METHOD_BUFFERED, FILE_ANY_ACCESS)

typedef struct _NDISUIO_QUERY_OID {
  NDIS_OID Oid;
  const WCHAR* ptcDeviceName;  // the adapter's name, zero-terminated
  UCHAR Data[sizeof(ULONG)];   // the answer; it may run past the record
} NDISUIO_QUERY_OID, *PNDISUIO_QUERY_OID;

#endif
