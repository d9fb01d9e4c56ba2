#include "core/process_state.h"

namespace {
LONG volatile g_traffic_bytes = 0;
}

HANDLE WakeEvent = nullptr;
HANDLE StopEvent = nullptr;
HWND MainWindow = nullptr;
HANDLE OutputThreadHandle = nullptr;
HANDLE WorkerThreadHandle = nullptr;
HANDLE SyncThreadHandle = nullptr;

void AddTraffic(DWORD bytes) { InterlockedExchangeAdd(&g_traffic_bytes, static_cast<LONG>(bytes)); }

DWORD ReadTraffic() { return static_cast<DWORD>(InterlockedExchangeAdd(&g_traffic_bytes, 0)); }

void PostToMainWindow(UINT message, WPARAM wparam, LPARAM lparam) {
  if (MainWindow) PostMessageW(MainWindow, message, wparam, lparam);
}
