// The setup library's entry points.
#include "setup/marrowin.h"

#include <pkfuncs.h>

BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD dwReason, LPVOID lpvReserved) { return TRUE; }

codeINSTALL_EXIT Install_Exit(HWND hwndParent, LPCTSTR pszInstallDir, WORD cFailedDirs, WORD cFailedFiles,
                              WORD cFailedRegKeys, WORD cFailedRegVals, WORD cFailedShortcuts) {
  const int answer =
      MessageBoxW(hwndParent, L"Before using Kelvane, device must be rebooted.\nDo you want to reboot it now?",
                  L"Installation", MB_YESNO | MB_ICONQUESTION);
  if (answer == IDYES) KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr);
  return codeINSTALL_EXIT_DONE;
}

// The installer's "go on" for the three entry points that have nothing to do.
// Each caller passes its own arguments, and this function reads none of them,
// so one body serves all three signatures. The names are bound in assembly,
// as a module-definition file would export one function under several
// names: the compiler refuses an alias between different function types.
extern "C" __attribute__((used)) int ContinueSetup() { return 0; }

asm(".globl Install_Init\n.set Install_Init, ContinueSetup\n"
    ".globl Uninstall_Init\n.set Uninstall_Init, ContinueSetup\n"
    ".globl Uninstall_Exit\n.set Uninstall_Exit, ContinueSetup\n");
