// How a module built for the emulated device publishes its ordinals: an
// exported table "KelvaneOrdinals" of (ordinal, export name) pairs, ended by
// an entry with ordinal 0. GetProcAddressW with MAKEINTRESOURCEW(n) looks the
// ordinal up there, as the device's loader reads a DLL's export table.
#ifndef KELVANE_MODULE_H
#define KELVANE_MODULE_H

#include <windef.h>

typedef struct _KELVANE_ORDINAL {
  WORD ordinal;
  const char* name;
} KELVANE_ORDINAL;

#define KELVANE_ORDINAL_TABLE_SYMBOL "KelvaneOrdinals"

#endif
