// Holds the Wi-Fi lock of the application state for a scope: every access to
// either cache file (cells.dat, wifi.dat) happens under it. Never hold it
// while taking another lock.
#ifndef KELVANE_LOOKUP_CACHE_LOCK_H
#define KELVANE_LOOKUP_CACHE_LOCK_H

#include <windows.h>

#include "core/app_state.h"

class CacheLock {
 public:
  CacheLock() { EnterCriticalSection(&GetAppState().wifi_lock); }
  ~CacheLock() { LeaveCriticalSection(&GetAppState().wifi_lock); }
  CacheLock(const CacheLock&) = delete;
  CacheLock& operator=(const CacheLock&) = delete;
};

#endif
