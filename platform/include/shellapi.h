// The shell's document opening: ShellExecuteEx.
#ifndef KELVANE_SHELLAPI_H
#define KELVANE_SHELLAPI_H

#include <windef.h>

typedef struct _SHELLEXECUTEINFO {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  LPVOID lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;
  HANDLE hProcess;
} SHELLEXECUTEINFO, *LPSHELLEXECUTEINFO;

// hInstApp on failure
#define SE_ERR_FNF 2
#define SE_ERR_NOASSOC 31

KELVANE_BEGIN_DECLS

BOOL WINAPI ShellExecuteEx(LPSHELLEXECUTEINFO lpExecInfo);

KELVANE_END_DECLS

#endif
