// Menus: loaded from a module's menu resources, with check marks. A menu's
// pop-ups are menus of their own and go with it when it is destroyed.
#include "internal/display.h"
#include "internal/last_error.h"
#include "internal/menus.h"
#include "internal/modules.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace kelvane {
namespace {

struct Menu {
  struct Item {
    UINT command;
    std::wstring text;
    bool checked;
    HMENU popup;
  };
  std::vector<Item> items;
};

struct MenuTable {
  std::mutex lock;
  std::map<HMENU, Menu> menus;
  uintptr_t next = 0x2000;  // values are never reused
};

MenuTable& Table() {
  static MenuTable* table = new MenuTable;  // outlives static destructors
  return *table;
}

// Under the table's lock. Builds the menu of the items at `depth` from
// `*next` on, and their pop-ups, advancing *next past them.
HMENU BuildMenu(const KELVANE_MENU& source, UINT* next, BYTE depth) {
  MenuTable& table = Table();
  const HMENU handle = reinterpret_cast<HMENU>(table.next);
  table.next += 0x10;
  Menu menu;
  while (*next < source.count && source.items[*next].depth == depth) {
    const KELVANE_MENU_ITEM& item = source.items[(*next)++];
    const HMENU popup = item.command == 0 ? BuildMenu(source, next, static_cast<BYTE>(depth + 1)) : nullptr;
    menu.items.push_back({item.command, item.text ? item.text : L"", false, popup});
  }
  table.menus[handle] = std::move(menu);
  return handle;
}

// Under the table's lock. The item a command names in a menu or its
// pop-ups, searched in order, depth first.
Menu::Item* FindByCommand(HMENU handle, UINT command) {
  auto it = Table().menus.find(handle);
  if (it == Table().menus.end()) return nullptr;
  for (auto& item : it->second.items) {
    if (!item.popup && item.command == command) return &item;
    if (item.popup)
      if (Menu::Item* found = FindByCommand(item.popup, command)) return found;
  }
  return nullptr;
}

// Under the table's lock.
Menu::Item* FindItem(HMENU handle, UINT id, UINT flags) {
  if (!(flags & MF_BYPOSITION)) return FindByCommand(handle, id);
  auto it = Table().menus.find(handle);
  if (it == Table().menus.end() || id >= it->second.items.size()) return nullptr;
  return &it->second.items[id];
}

void DestroyLocked(HMENU handle) {
  auto it = Table().menus.find(handle);
  if (it == Table().menus.end()) return;
  const std::vector<Menu::Item> items = std::move(it->second.items);
  Table().menus.erase(it);
  for (const auto& item : items)
    if (item.popup) DestroyLocked(item.popup);
}

}  // namespace

const KELVANE_RESOURCES* ModuleResources(HINSTANCE module) {
  void* host = ModuleHostHandle(module);
  if (!host) return Fail(ERROR_INVALID_HANDLE, static_cast<const KELVANE_RESOURCES*>(nullptr));
  auto resources_of = reinterpret_cast<KELVANE_RESOURCES_FUNCTION>(dlsym(host, KELVANE_RESOURCES_SYMBOL));
  const KELVANE_RESOURCES* resources = resources_of ? resources_of() : nullptr;
  if (!resources) return Fail(ERROR_RESOURCE_TYPE_NOT_FOUND, resources);
  return resources;
}

std::vector<MenuItemView> MenuItems(HMENU menu) {
  std::lock_guard<std::mutex> guard(Table().lock);
  std::vector<MenuItemView> out;
  auto it = Table().menus.find(menu);
  if (it == Table().menus.end()) return out;
  for (const auto& item : it->second.items) out.push_back({item.command, item.text, item.checked, item.popup});
  return out;
}

std::wstring ResourceText(HINSTANCE module, UINT id) {
  const WCHAR* text = nullptr;
  const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

}  // namespace kelvane

using namespace kelvane;

// ---- LoadMenuW ----
// By resource id only; the menu and its pop-ups are new menus each time.
HMENU WINAPI LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName) {
  const KELVANE_RESOURCES* resources = ModuleResources(hInstance);
  if (!resources) return nullptr;
  if (IS_INTRESOURCE(lpMenuName)) {
    const UINT id = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpMenuName));
    for (UINT i = 0; i < resources->menu_count; ++i) {
      if (resources->menus[i].id != id) continue;
      std::lock_guard<std::mutex> guard(Table().lock);
      UINT next = 0;
      return BuildMenu(resources->menus[i], &next, 0);
    }
  }
  return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, static_cast<HMENU>(nullptr));
}

// ---- GetSubMenu ----
// Null, without a last error, when the position holds no pop-up.
HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos) {
  std::lock_guard<std::mutex> guard(Table().lock);
  auto it = Table().menus.find(hMenu);
  if (it == Table().menus.end()) return Fail(ERROR_INVALID_MENU_HANDLE, static_cast<HMENU>(nullptr));
  if (nPos < 0 || static_cast<size_t>(nPos) >= it->second.items.size()) return nullptr;
  return it->second.items[static_cast<size_t>(nPos)].popup;
}

// ---- GetMenuItemCount ----
int WINAPI GetMenuItemCount(HMENU hMenu) {
  std::lock_guard<std::mutex> guard(Table().lock);
  auto it = Table().menus.find(hMenu);
  if (it == Table().menus.end()) return Fail(ERROR_INVALID_MENU_HANDLE, -1);
  return static_cast<int>(it->second.items.size());
}

// ---- GetMenuState ----
// MF_CHECKED and MF_POPUP as they apply; 0xFFFFFFFF for no such item.
UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
  std::lock_guard<std::mutex> guard(Table().lock);
  if (!Table().menus.count(hMenu)) return Fail(ERROR_INVALID_MENU_HANDLE, 0xFFFFFFFFu);
  const Menu::Item* item = FindItem(hMenu, uId, uFlags);
  if (!item) return Fail(ERROR_MENU_ITEM_NOT_FOUND, 0xFFFFFFFFu);
  return (item->checked ? MF_CHECKED : 0u) | (item->popup ? MF_POPUP : 0u);
}

// ---- CheckMenuItem ----
// Returns the item's previous state, MF_CHECKED or MF_UNCHECKED, or
// 0xFFFFFFFF when the menu has no such item. By command, the pop-ups are
// searched too. An open menu shows the change at once.
DWORD WINAPI CheckMenuItem(HMENU hmenu, UINT uIDCheckItem, UINT uCheck) {
  DWORD previous;
  {
    std::lock_guard<std::mutex> guard(Table().lock);
    if (!Table().menus.count(hmenu)) return Fail(ERROR_INVALID_MENU_HANDLE, 0xFFFFFFFFu);
    Menu::Item* item = FindItem(hmenu, uIDCheckItem, uCheck);
    if (!item) return Fail(ERROR_MENU_ITEM_NOT_FOUND, 0xFFFFFFFFu);
    previous = item->checked ? MF_CHECKED : MF_UNCHECKED;
    item->checked = (uCheck & MF_CHECKED) != 0;
  }
  RefreshScreen();
  return previous;
}

// ---- DestroyMenu ----
// Its pop-ups go with it.
BOOL WINAPI DestroyMenu(HMENU hMenu) {
  std::lock_guard<std::mutex> guard(Table().lock);
  if (!Table().menus.count(hMenu)) return Fail(ERROR_INVALID_MENU_HANDLE, FALSE);
  DestroyLocked(hMenu);
  return TRUE;
}
