// Maps > the web map: the browser shows a public web map at the current
// position. Wikimapia's pages read the position and zoom from the address
// fragment ("#lat=..&lon=..&z=.."), which OpenStreetMap's pages do not.
#ifndef KELVANE_UI_WEB_MAP_H
#define KELVANE_UI_WEB_MAP_H

#include <windows.h>

#include "core/position.h"

// The service's host, and its name as the menu shows it.
#define WEB_MAP_HOST L"wikimapia.org"
#define WEB_MAP_NAME L"Wikimapia"

// "http://HOST/#lat=%f&lon=%f&z=13" for a position, into a buffer of
// `size` characters.
void FormatWebMapAddress(const Position& position, WCHAR* address, size_t size);
// Hands the address at the current position to the shell's browser; the
// result is not checked, as nothing could be done about it.
void OpenWebMap();

#endif
