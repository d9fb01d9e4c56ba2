// The soft keys and the menu they open, and the routing of the device's keys
// (overlays.h). The menu, while it is open, is tracked by the shell apart
// from the program's thread: the arrows move through it, Enter or Right opens a
// pop-up, Left or Escape closes a level, and a chosen item is posted to the
// menu bar's owner as WM_COMMAND, as a menu choice is.
#include "internal/display.h"
#include "internal/overlays.h"
#include "internal/shell_menu_bar.h"
#include "internal/windowing.h"

#include <mutex>

namespace kelvane {
namespace {

struct OpenMenu {
  HWND owner = nullptr;
  std::vector<HMENU> menus;     // outermost first
  std::vector<size_t> selected;  // one per level
};

std::mutex g_lock;
OpenMenu g_menu;

HWND ProcessMainWindow() {
  std::lock_guard<std::mutex> guard(WindowLock());
  return MainWindow();
}

// Under g_lock. Moves the selection of the innermost level, round the ends.
void Move(bool down) {
  const size_t count = MenuItems(g_menu.menus.back()).size();
  if (count == 0) return;
  size_t& selected = g_menu.selected.back();
  selected = down ? (selected + 1) % count : (selected + count - 1) % count;
}

void Close() {
  g_menu.menus.clear();
  g_menu.selected.clear();
}

// Under g_lock. Enter or Right on the selected item: opens its pop-up, or
// closes the menu and gives the item's command (0 when it was none).
UINT Choose(bool only_pop_ups) {
  const auto items = MenuItems(g_menu.menus.back());
  if (g_menu.selected.back() >= items.size()) return 0;
  const MenuItemView& item = items[g_menu.selected.back()];
  if (item.popup) {
    g_menu.menus.push_back(item.popup);
    g_menu.selected.push_back(0);
    return 0;
  }
  if (only_pop_ups) return 0;
  Close();
  return item.command;
}

// Under g_lock. A soft key with no menu open: opens its pop-up or gives its
// command. False when the main window has no such soft key.
bool PressSoftKey(HWND main_window, UINT key, UINT* command) {
  MenuBarView bar;
  if (!main_window || !FindMenuBar(main_window, &bar) || bar.keys.empty()) return false;
  if (key == VK_TSOFT2 && bar.keys.size() < 2) return false;
  const SoftKey& soft_key = key == VK_TSOFT1 ? bar.keys.front() : bar.keys.back();
  if (!soft_key.popup) {
    *command = soft_key.command;
    return true;
  }
  g_menu.owner = main_window;
  g_menu.menus = {soft_key.popup};
  g_menu.selected = {0};
  return true;
}

}  // namespace

std::vector<MenuLevel> OpenMenuLevels() {
  std::lock_guard<std::mutex> guard(g_lock);
  std::vector<MenuLevel> levels;
  for (size_t i = 0; i < g_menu.menus.size(); ++i) levels.push_back({MenuItems(g_menu.menus[i]), g_menu.selected[i]});
  return levels;
}

bool MenuTakesKey(UINT key) {
  UINT command = 0;
  HWND owner;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    // A menu whose bar went with its owner closes.
    MenuBarView bar;
    if (!g_menu.menus.empty() && !FindMenuBar(g_menu.owner, &bar)) Close();
    if (g_menu.menus.empty()) {
      owner = ProcessMainWindow();
      if ((key != VK_TSOFT1 && key != VK_TSOFT2) || !PressSoftKey(owner, key, &command)) return false;
    } else {
      owner = g_menu.owner;
      switch (key) {
        case VK_UP: Move(false); break;
        case VK_DOWN: Move(true); break;
        case VK_RETURN: command = Choose(false); break;
        case VK_RIGHT: Choose(true); break;
        case VK_LEFT:
          if (g_menu.menus.size() > 1) {
            g_menu.menus.pop_back();
            g_menu.selected.pop_back();
          }
          break;
        case VK_ESCAPE:
        case VK_BACK:
          g_menu.menus.pop_back();
          g_menu.selected.pop_back();
          break;
        case VK_TSOFT1:
        case VK_TSOFT2: Close(); break;
        default: break;  // an open menu keeps every key from the window
      }
    }
  }
  if (command) PostMessageW(owner, WM_COMMAND, command, 0);
  RefreshScreen();
  return true;
}

void PressKey(UINT key) {
  if (BoxTakesKey(key) || MenuTakesKey(key)) return;
  const HWND main_window = ProcessMainWindow();
  if (!main_window) return;
  // WM_KEYUP's lParam: repeat count 1, previous state down, transition up.
  PostMessageW(main_window, WM_KEYDOWN, key, 1);
  PostMessageW(main_window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

}  // namespace kelvane
