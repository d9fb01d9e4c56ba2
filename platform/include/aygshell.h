// The shell library (aygshell): the soft-key menu bar and the shell's
// handling of activation and setting changes.
#ifndef KELVANE_AYGSHELL_H
#define KELVANE_AYGSHELL_H

#include <windef.h>
#include <winuser.h>

typedef struct tagSHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;
  DWORD dwFlags;
  UINT nToolBarId;
  HINSTANCE hInstRes;
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;
  COLORREF clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;

typedef struct tagSHACTIVATEINFO {
  DWORD cbSize;
  HWND hwndLastFocus;
  UINT fSipUp : 1;
  UINT fSipOnDeactivation : 1;
  UINT fActive : 1;
  UINT fReserved : 29;
} SHACTIVATEINFO, *PSHACTIVATEINFO;

// SHMENUBARINFO.dwFlags
#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004

// Messages to the menu bar; SHCMBM_GETSUBMENU's lParam is the button's command.
#define SHCMBM_GETSUBMENU (WM_USER + 401)

KELVANE_BEGIN_DECLS

BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO* pmbi);
BOOL WINAPI SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* psai, DWORD dwFlags);
BOOL WINAPI SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* psai);

KELVANE_END_DECLS

#endif
