// Menus and module resources, for the shell's menu bar and the displays.
//
// Menus live in a process-wide table with a lock of its own, which is never
// held while another lock is taken; callers may hold WindowLock().
#ifndef KELVANE_PLATFORM_MENUS_H
#define KELVANE_PLATFORM_MENUS_H

#include <windows.h>

#include "kelvane_module.h"

#include <string>
#include <vector>

namespace kelvane {

// A module's resource set (menus, menu bars, icons), or null with the last
// error set: ERROR_INVALID_HANDLE for no module, ERROR_RESOURCE_TYPE_NOT_FOUND
// for a module without resources.
const KELVANE_RESOURCES* ModuleResources(HINSTANCE module);

struct MenuItemView {
  UINT command = 0;
  std::wstring text;
  bool checked = false;
  HMENU popup = nullptr;  // a pop-up's items are its own menu
};

// The items of a menu, in order; empty for a handle that is no menu.
std::vector<MenuItemView> MenuItems(HMENU menu);
// A string resource's text, or empty.
std::wstring ResourceText(HINSTANCE module, UINT id);

}  // namespace kelvane

#endif
