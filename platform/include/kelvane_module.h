// How a module built for the emulated device publishes what the device's
// loader would read from a DLL's export table and resource section.
//
// Ordinals: an exported table "KelvaneOrdinals" of (ordinal, export name)
// pairs, ended by an entry with ordinal 0. GetProcAddressW with
// MAKEINTRESOURCEW(n) looks the ordinal up there.
//
// String resources: an exported function "KelvaneStringTable" that returns
// a table of (id, text) pairs ended by an entry with id 0. LoadStringW reads
// it from the module whose handle it is given: a translation module loaded
// with LoadLibraryW, or the program itself (NULL or GetModuleHandleW(NULL)),
// whose executable must then export its symbols (CMake: ENABLE_EXPORTS).
// It is a function, not an array, because the program and a module both
// define it: two data symbols of one name would be one object to the
// sanitizers' one-definition check. Write it with the macro:
//   KELVANE_STRING_TABLE({105, L"Menu"}, {106, L"Quit"})
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

typedef const KELVANE_STRING*(WINAPI* KELVANE_STRING_TABLE_FUNCTION)(void);
#define KELVANE_STRING_TABLE_SYMBOL "KelvaneStringTable"

#define KELVANE_STRING_TABLE(...)                                   \
  KELVANE_EXTERN_C const KELVANE_STRING* WINAPI KelvaneStringTable(void) { \
    static const KELVANE_STRING table[] = {__VA_ARGS__, {0, NULL}};   \
    return table;                                                   \
  }

#endif
