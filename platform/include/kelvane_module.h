// How a module built for the emulated device publishes what the device's
// loader would read from a DLL's export table and resource section.
//
// Ordinals: an exported table "KelvaneOrdinals" of (ordinal, export name)
// pairs, ended by an entry with ordinal 0. GetProcAddressW with
// MAKEINTRESOURCEW(n) looks the ordinal up there.
//
// String resources: an exported table "KelvaneStringTable" of (id, text)
// pairs, ended by an entry with id 0. LoadStringW reads it from the module
// whose handle it is given: a translation module loaded with LoadLibraryW, or
// the program itself (NULL or GetModuleHandleW(NULL)), whose executable must
// then export its symbols (CMake: ENABLE_EXPORTS). Declare it C-linkage:
//   extern "C" const KELVANE_STRING KelvaneStringTable[] = {{105, L"Menu"}, {0, NULL}};
// As on the device, an empty text cannot be told from a missing one.
#ifndef KELVANE_MODULE_H
#define KELVANE_MODULE_H

#include <windef.h>

typedef struct _KELVANE_ORDINAL {
  WORD ordinal;
  const char* name;
} KELVANE_ORDINAL;

#define KELVANE_ORDINAL_TABLE_SYMBOL "KelvaneOrdinals"

typedef struct _KELVANE_STRING {
  UINT id;
  const WCHAR* text;
} KELVANE_STRING;

#define KELVANE_STRING_TABLE_SYMBOL "KelvaneStringTable"

#endif
