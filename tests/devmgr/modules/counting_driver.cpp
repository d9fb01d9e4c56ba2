// A stream driver that only counts the closes of its opens, so a test can
// tell that the device manager closes every open exactly once.
#include <windows.h>

extern "C" {
LONG g_closes = 0;
DWORD COM_Init(LPCWSTR, LPCVOID) { return 1; }
BOOL COM_Deinit(DWORD) { return TRUE; }
DWORD COM_Open(DWORD, DWORD, DWORD) {
  static LONG opens = 0;
  return static_cast<DWORD>(InterlockedIncrement(&opens));
}
BOOL COM_Close(DWORD) {
  InterlockedIncrement(&g_closes);
  return TRUE;
}
}
