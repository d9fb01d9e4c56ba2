// State shared by the device's Winsock sources: the start-up count, the socket
// table's clean-up and the one mapping from host errors to Winsock errors.
#ifndef KELVANE_PLATFORM_WINSOCK_STATE_H
#define KELVANE_PLATFORM_WINSOCK_STATE_H

#include <winsock2.h>

#include "internal/last_error.h"

namespace kelvane {

// True while WSAStartup has succeeded more often than WSACleanup was called;
// until then every socket and name call fails with WSANOTINITIALISED.
bool WinsockStarted();

// Closes every socket still open: the last WSACleanup does this.
void CloseAllSockets();

// The Winsock error that stands for a host errno value.
int WsaErrorFromErrno(int host_errno);

// Sets the last error (which WSAGetLastError reads) and returns the failure value.
template <class T>
T FailFromSocketErrno(int host_errno, T failure_value) {
  return Fail(static_cast<DWORD>(WsaErrorFromErrno(host_errno)), failure_value);
}

}  // namespace kelvane

#endif
