// The tower synchronisation thread.
#ifndef KELVANE_CORE_SYNC_THREAD_H
#define KELVANE_CORE_SYNC_THREAD_H

#include <windows.h>

DWORD WINAPI SyncThread(LPVOID);

#endif
