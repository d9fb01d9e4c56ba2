// Code-page conversions.
#ifndef KELVANE_WINNLS_H
#define KELVANE_WINNLS_H

#include <windef.h>

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

KELVANE_BEGIN_DECLS

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar);
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar);

KELVANE_END_DECLS

#endif
