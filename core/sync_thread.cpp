#include "core/sync_thread.h"

#include <ras.h>

#include "core/app_state.h"
#include "core/flags.h"
#include "core/process_state.h"
#include "lookup/tower_resolution.h"

namespace {

constexpr DWORD kMaxConnections = 20;
// Only connections whose entry name begins with a back-quote are used for
// background refreshes: the user marks a flat-rate connection that way.
constexpr WCHAR kSyncMark = L'`';

// Refreshes one tower per marked connection that is up. False when the
// thread must end: stop requested, or nothing left to refresh.
bool SyncCycle(DWORD period) {
  RASCONN connections[kMaxConnections] = {};
  connections[0].dwSize = sizeof(RASCONN);
  DWORD size = sizeof connections;
  DWORD count = 0;
  if (RasEnumConnections(connections, &size, &count) != 0) return true;
  for (DWORD i = 0; i < count && i < kMaxConnections; ++i) {
    RASCONNSTATUS status = {};
    status.dwSize = sizeof status;
    if (RasGetConnectStatus(connections[i].hrasconn, &status) != 0 || connections[i].szEntryName[0] != kSyncMark)
      continue;
    const int refreshed = SyncNextTower();
    WaitForSingleObject(StopEvent, period);
    if (TestFlag(StopRequest)) break;
    if (refreshed == 0) return false;
  }
  return true;
}

}  // namespace

DWORD WINAPI SyncThread(LPVOID) {
  const DWORD period = GetAppState().settings.sync_period;
  WaitForSingleObject(StopEvent, 2 * period);
  for (;;) {
    const DWORD cycle_start = GetTickCount();
    if (!SyncCycle(period)) return 0;
    if (TestFlag(StopRequest)) return 0;
    const DWORD elapsed = GetTickCount() - cycle_start;
    if (elapsed < period) WaitForSingleObject(StopEvent, period - elapsed);
  }
}
