// IP Helper: the network adapters.
#ifndef KELVANE_IPHLPAPI_H
#define KELVANE_IPHLPAPI_H

#include <windef.h>
#include <iptypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// Fills the buffer with the chain of adapter records. The result is the error
// itself (the last error is not set): ERROR_BUFFER_OVERFLOW with the size
// needed in *pOutBufLen when the buffer is missing or too small,
// ERROR_NO_DATA when the device has no adapter, ERROR_INVALID_PARAMETER
// without pOutBufLen.
DWORD WINAPI GetAdaptersInfo(PIP_ADAPTER_INFO pAdapterInfo, PULONG pOutBufLen);

#ifdef __cplusplus
}
#endif

#endif
