// WSAStartup and WSACleanup: the process's use count of the socket library.
#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/winsock_state.h"

#include <atomic>
#include <cstring>

namespace kelvane {
namespace {

std::atomic<int> g_startups{0};

}  // namespace

bool WinsockStarted() { return g_startups.load() > 0; }

}  // namespace kelvane

using namespace kelvane;

// ---- WSAStartup ----
// Returns its error instead of setting the last error, as the device does:
// the library that would keep it is not loaded when start-up fails.
int WSAAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  if (lpWSAData == nullptr) return WSAEFAULT;
  if (ProfileFlag("network", "wsaStartupFails", false)) return WSASYSNOTREADY;
  const BYTE major = LOBYTE(wVersionRequested);
  const BYTE minor = HIBYTE(wVersionRequested);
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  // The library implements 2.2 and agrees to any lower version from 1.1.
  const bool above_2_2 = major > 2 || (major == 2 && minor >= 2);
  std::memset(lpWSAData, 0, sizeof *lpWSAData);
  lpWSAData->wVersion = above_2_2 ? MAKEWORD(2, 2) : wVersionRequested;
  lpWSAData->wHighVersion = MAKEWORD(2, 2);
  std::strcpy(lpWSAData->szDescription, "WinSock 2.2");
  std::strcpy(lpWSAData->szSystemStatus, "Running");
  ++g_startups;
  return 0;
}

// ---- WSACleanup ----
int WSAAPI WSACleanup(void) {
  int count = g_startups.load();
  do {
    if (count == 0) return Fail(WSANOTINITIALISED, SOCKET_ERROR);
  } while (!g_startups.compare_exchange_weak(count, count - 1));
  if (count == 1) CloseAllSockets();
  return 0;
}
