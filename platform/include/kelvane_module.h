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
//
// Menus, menu bars and icons: an exported function "KelvaneResources" that
// returns a KELVANE_RESOURCES, read by LoadMenuW, SHCreateMenuBar and
// LoadIconW in the same way. A menu is its items in resource-script order:
// a pop-up is an item with command 0 whose items follow one level deeper.
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

// One item of a menu resource: depth 0 is the menu's own level.
typedef struct _KELVANE_MENU_ITEM {
  BYTE depth;
  UINT command;  // 0: a pop-up; its items follow at depth + 1
  const WCHAR* text;
} KELVANE_MENU_ITEM;

typedef struct _KELVANE_MENU {
  UINT id;
  const KELVANE_MENU_ITEM* items;
  UINT count;
} KELVANE_MENU;

// A button of a menu bar resource (the shell's SHMENUBAR data).
#define KELVANE_NOMENU 0xFFFF
typedef struct _KELVANE_MENU_BAR_BUTTON {
  int image;        // I_IMAGENONE for a text button
  UINT command;
  BYTE state;       // TBSTATE_
  BYTE style;       // TBSTYLE_
  UINT label;       // string resource of the label
  UINT sub_menu;    // pop-up position in the bar's menu, or KELVANE_NOMENU
} KELVANE_MENU_BAR_BUTTON;

typedef struct _KELVANE_MENU_BAR {
  UINT id;
  UINT menu;        // the menu resource its pop-ups come from
  const KELVANE_MENU_BAR_BUTTON* buttons;
  UINT count;
} KELVANE_MENU_BAR;

// An icon image: `height` rows of `width` hexadecimal digits, each a
// colour of the standard 16-colour palette.
typedef struct _KELVANE_ICON_IMAGE {
  BYTE width;
  BYTE height;
  BYTE colours;
  const char* const* rows;
} KELVANE_ICON_IMAGE;

typedef struct _KELVANE_ICON {
  UINT id;
  const KELVANE_ICON_IMAGE* images;
  UINT count;
} KELVANE_ICON;

typedef struct _KELVANE_RESOURCES {
  const KELVANE_MENU* menus;
  UINT menu_count;
  const KELVANE_MENU_BAR* menu_bars;
  UINT menu_bar_count;
  const KELVANE_ICON* icons;
  UINT icon_count;
  // The CEUX resource "HI_RES_AWARE". Read from the program itself: without
  // it, a high-resolution screen (profile "displayScale") enlarges the
  // program's drawing; with it, the program draws the screen 1:1.
  BOOL hi_res_aware;
} KELVANE_RESOURCES;

typedef const KELVANE_RESOURCES*(WINAPI* KELVANE_RESOURCES_FUNCTION)(void);
#define KELVANE_RESOURCES_SYMBOL "KelvaneResources"
#define KELVANE_RESOURCES_DEFINITION KELVANE_EXTERN_C const KELVANE_RESOURCES* WINAPI KelvaneResources(void)

#endif
