// User-visible texts come from the translation library when one is loaded,
// else from the program's own string table.
#ifndef KELVANE_SETTINGS_RESOURCE_TEXT_H
#define KELVANE_SETTINGS_RESOURCE_TEXT_H

#include <windows.h>

#include "ui/resource_ids.h"

// Loads string resource id into buffer (size in characters); an unknown id
// gives an empty text.
void LoadResourceText(UINT id, WCHAR* buffer, int size);
// The module that holds the resources: the translation library or the program.
HMODULE ResourceModule();

#endif
