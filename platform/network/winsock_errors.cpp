// Winsock errors: the last error of the calling thread, and the mapping from
// host errno values.
#include "internal/winsock_state.h"

#include <cerrno>
#include <utility>

namespace kelvane {

int WsaErrorFromErrno(int host_errno) {
  static const std::pair<int, int> kTable[] = {
      {EINTR, WSAEINTR},
      {EBADF, WSAENOTSOCK},
      {ENOTSOCK, WSAENOTSOCK},
      {EACCES, WSAEACCES},
      {EPERM, WSAEACCES},
      {EFAULT, WSAEFAULT},
      {EINVAL, WSAEINVAL},
      {EMFILE, WSAEMFILE},
      {ENFILE, WSAEMFILE},
      {EAGAIN, WSAEWOULDBLOCK},
      // A non-blocking connect under way is reported as "would block";
      // WSAEINPROGRESS means something else (a blocking call in progress).
      {EINPROGRESS, WSAEWOULDBLOCK},
      {EALREADY, WSAEALREADY},
      {EDESTADDRREQ, WSAEDESTADDRREQ},
      {EMSGSIZE, WSAEMSGSIZE},
      {EPROTOTYPE, WSAEPROTOTYPE},
      {ENOPROTOOPT, WSAENOPROTOOPT},
      {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
      {ESOCKTNOSUPPORT, WSAESOCKTNOSUPPORT},
      {EOPNOTSUPP, WSAEOPNOTSUPP},
      {EPFNOSUPPORT, WSAEPFNOSUPPORT},
      {EAFNOSUPPORT, WSAEAFNOSUPPORT},
      {EADDRINUSE, WSAEADDRINUSE},
      {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
      {ENETDOWN, WSAENETDOWN},
      {ENETUNREACH, WSAENETUNREACH},
      {ENETRESET, WSAENETRESET},
      {ECONNABORTED, WSAECONNABORTED},
      {ECONNRESET, WSAECONNRESET},
      // Writing to a connection the peer has closed: the device reports a reset.
      {EPIPE, WSAECONNRESET},
      {ENOBUFS, WSAENOBUFS},
      {ENOMEM, WSAENOBUFS},
      {EISCONN, WSAEISCONN},
      {ENOTCONN, WSAENOTCONN},
      {ESHUTDOWN, WSAESHUTDOWN},
      {ETIMEDOUT, WSAETIMEDOUT},
      {ECONNREFUSED, WSAECONNREFUSED},
      {ENAMETOOLONG, WSAENAMETOOLONG},
      {EHOSTDOWN, WSAEHOSTDOWN},
      {EHOSTUNREACH, WSAEHOSTUNREACH},
  };
  for (const auto& entry : kTable)
    if (entry.first == host_errno) return entry.second;
  return WSAENETDOWN;
}

}  // namespace kelvane

// On the device the Winsock last error is the thread's last error.

// ---- WSAGetLastError ----
int WSAAPI WSAGetLastError(void) { return static_cast<int>(GetLastError()); }

// ---- WSASetLastError ----
void WSAAPI WSASetLastError(int iError) { SetLastError(static_cast<DWORD>(iError)); }
