// Device contexts and text output.
#ifndef KELVANE_WINGDI_H
#define KELVANE_WINGDI_H

#include <windef.h>

#define CLR_INVALID 0xFFFFFFFF

#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

#define WHITE_BRUSH 0
#define BLACK_BRUSH 4
#define SYSTEM_FONT 13

KELVANE_BEGIN_DECLS

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color);
COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color);
BOOL WINAPI ExtTextOutW(HDC hdc, int X, int Y, UINT fuOptions, const RECT* lprc, LPCWSTR lpszString, UINT cbCount,
                        const int* lpDx);
BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE lpSize);
HGDIOBJ WINAPI GetStockObject(int fnObject);

KELVANE_END_DECLS

#endif
