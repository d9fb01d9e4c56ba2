// The CAB installer's setup-library protocol: the four entry points a setup
// library exports, their signatures and the codes they return.
#ifndef KELVANE_CE_SETUP_H
#define KELVANE_CE_SETUP_H

#include <windef.h>

typedef enum {
  codeINSTALL_INIT_CONTINUE = 0,  // go on with the installation
  codeINSTALL_INIT_CANCEL         // stop it
} codeINSTALL_INIT;

typedef enum {
  codeINSTALL_EXIT_DONE = 0,  // installation finished
  codeINSTALL_EXIT_UNINSTALL  // undo it
} codeINSTALL_EXIT;

typedef enum {
  codeUNINSTALL_INIT_CONTINUE = 0,  // go on with the removal
  codeUNINSTALL_INIT_CANCEL         // stop it
} codeUNINSTALL_INIT;

typedef enum {
  codeUNINSTALL_EXIT_DONE = 0  // removal finished
} codeUNINSTALL_EXIT;

typedef codeINSTALL_INIT (*pfnINSTALL_INIT)(HWND hwndParent, BOOL fFirstCall, BOOL fPreviouslyInstalled,
                                            LPCTSTR pszInstallDir);
typedef codeINSTALL_EXIT (*pfnINSTALL_EXIT)(HWND hwndParent, LPCTSTR pszInstallDir, WORD cFailedDirs,
                                            WORD cFailedFiles, WORD cFailedRegKeys, WORD cFailedRegVals,
                                            WORD cFailedShortcuts);
typedef codeUNINSTALL_INIT (*pfnUNINSTALL_INIT)(HWND hwndParent, LPCTSTR pszInstallDir);
typedef codeUNINSTALL_EXIT (*pfnUNINSTALL_EXIT)(HWND hwndParent);

#define szINSTALL_INIT L"Install_Init"
#define szINSTALL_EXIT L"Install_Exit"
#define szUNINSTALL_INIT L"Uninstall_Init"
#define szUNINSTALL_EXIT L"Uninstall_Exit"

#endif
