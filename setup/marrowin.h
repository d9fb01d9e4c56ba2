// Marrowin, the setup library of the installation package. The platform's
// installer loads it and calls these entry points around installation and
// removal; its only work is to offer the reboot the program needs before
// its first use. Every entry point returns 0: the installer always goes on.
//
// The installer calls the entry points from one thread, one at a time.
#ifndef MARROWIN_MARROWIN_H
#define MARROWIN_MARROWIN_H

#include <windows.h>
#include <ce_setup.h>

// Only these names leave the library (it is built with hidden visibility).
#define MARROWIN_EXPORT extern "C" __attribute__((visibility("default")))

MARROWIN_EXPORT BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD dwReason, LPVOID lpvReserved);

// Asks whether to reboot now, with a box owned by the installer's window, and
// reboots on Yes. The failure counts are not consulted: the device needs the
// restart after any installation, complete or not. A refused reboot leaves the
// device running; the user restarts it later.
MARROWIN_EXPORT codeINSTALL_EXIT Install_Exit(HWND hwndParent, LPCTSTR pszInstallDir, WORD cFailedDirs,
                                              WORD cFailedFiles, WORD cFailedRegKeys, WORD cFailedRegVals,
                                              WORD cFailedShortcuts);

// Install_Init, Uninstall_Init and Uninstall_Exit do nothing but let the
// installer go on; they are one function exported under three names (see
// marrowin.cpp), declared here with the signatures the installer calls.
MARROWIN_EXPORT codeINSTALL_INIT Install_Init(HWND hwndParent, BOOL fFirstCall, BOOL fPreviouslyInstalled,
                                              LPCTSTR pszInstallDir);
MARROWIN_EXPORT codeUNINSTALL_INIT Uninstall_Init(HWND hwndParent, LPCTSTR pszInstallDir);
MARROWIN_EXPORT codeUNINSTALL_EXIT Uninstall_Exit(HWND hwndParent);

#endif
