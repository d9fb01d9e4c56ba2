// A device module with named exports and an ordinal table.
#include <windows.h>

#include "kelvane_module.h"

extern "C" {
LONG g_attach_count = 0;
int Answer() { return 42; }
int Twice(int x) { return 2 * x; }
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ++g_attach_count;
  return TRUE;
}
extern const KELVANE_ORDINAL KelvaneOrdinals[] = {{1, "Answer"}, {7, "Twice"}, {0, nullptr}};
}
