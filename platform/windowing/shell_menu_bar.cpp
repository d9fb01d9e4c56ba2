// The shell's soft-key menu bar: a window owned by the program's window,
// one row high at the bottom of the screen, with a label per soft key. The
// left key (VK_TSOFT1) and the right key (VK_TSOFT2) send their commands to
// the owner, or open their pop-up menus (menu_tracker.cpp).
#include "internal/device_root.h"
#include "internal/display.h"
#include "internal/last_error.h"
#include "internal/menus.h"
#include "internal/profile_value.h"
#include "internal/shell_menu_bar.h"

#include <aygshell.h>
#include <commctrl.h>

#include <atomic>
#include <map>
#include <mutex>

namespace kelvane {
namespace {

constexpr WCHAR kMenuBarClass[] = L"menu_worker";
constexpr COLORREF kBarText = RGB(255, 255, 255);
constexpr COLORREF kBarBackground = RGB(0, 0, 0);

struct MenuBar {
  HWND owner;
  HMENU menu;  // owns the pop-ups of the keys
  std::vector<SoftKey> keys;
};

std::mutex g_bars_lock;
std::map<HWND, MenuBar> g_bars;  // by the bar's window
std::atomic<int> g_activations{0};
std::atomic<int> g_setting_changes{0};

void PaintBar(HWND bar) {
  std::vector<SoftKey> keys;
  {
    std::lock_guard<std::mutex> guard(g_bars_lock);
    auto it = g_bars.find(bar);
    if (it != g_bars.end()) keys = it->second.keys;
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(bar, &paint);
  RECT client;
  GetClientRect(bar, &client);
  SetTextColor(dc, kBarText);
  SetBkColor(dc, kBarBackground);
  // The first key at the left edge, the last at the right, as the keys lie.
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::wstring& label = keys[i].label;
    const int x = i + 1 == keys.size() && i > 0 ? static_cast<int>(client.right - static_cast<LONG>(label.size())) : 0;
    ExtTextOutW(dc, x, 0, 0, nullptr, label.c_str(), static_cast<UINT>(label.size()), nullptr);
  }
  EndPaint(bar, &paint);
}

LRESULT CALLBACK MenuBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case SHCMBM_GETSUBMENU: {
      std::lock_guard<std::mutex> guard(g_bars_lock);
      auto it = g_bars.find(bar);
      if (it == g_bars.end()) return 0;
      for (const auto& key : it->second.keys)
        if (key.command == static_cast<UINT>(lParam)) return reinterpret_cast<LRESULT>(key.popup);
      return 0;
    }
    case WM_PAINT:
      PaintBar(bar);
      return 0;
    case WM_DESTROY: {
      HMENU menu = nullptr;
      {
        std::lock_guard<std::mutex> guard(g_bars_lock);
        auto it = g_bars.find(bar);
        if (it == g_bars.end()) return 0;
        menu = it->second.menu;
        g_bars.erase(it);
      }
      if (menu) DestroyMenu(menu);
      RefreshScreen();
      return 0;
    }
    default:
      return DefWindowProcW(bar, message, wParam, lParam);
  }
}

bool RegisterMenuBarClass() {
  static const bool registered = [] {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = MenuBarProc;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = kMenuBarClass;
    return RegisterClassW(&window_class) != 0;
  }();
  return registered;
}

const KELVANE_MENU_BAR* FindBarResource(HINSTANCE module, UINT id) {
  const KELVANE_RESOURCES* resources = ModuleResources(module);
  if (!resources) return nullptr;
  for (UINT i = 0; i < resources->menu_bar_count; ++i)
    if (resources->menu_bars[i].id == id) return &resources->menu_bars[i];
  return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, static_cast<const KELVANE_MENU_BAR*>(nullptr));
}

// The keys of a bar resource, with their labels and pop-ups; the menu they
// come from goes to *menu (null when no key has one).
bool BuildKeys(HINSTANCE module, const KELVANE_MENU_BAR& resource, HMENU* menu, std::vector<SoftKey>* keys) {
  *menu = nullptr;
  for (UINT i = 0; i < resource.count; ++i) {
    const KELVANE_MENU_BAR_BUTTON& button = resource.buttons[i];
    SoftKey key{button.command, ResourceText(module, button.label), nullptr};
    if (button.sub_menu != KELVANE_NOMENU) {
      if (!*menu) *menu = LoadMenuW(module, MAKEINTRESOURCEW(resource.menu));
      if (!*menu) return false;
      key.popup = GetSubMenu(*menu, static_cast<int>(button.sub_menu));
      if (!key.popup) return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, false);
    }
    keys->push_back(key);
  }
  return true;
}

}  // namespace

bool FindMenuBar(HWND owner, MenuBarView* view) {
  std::lock_guard<std::mutex> guard(g_bars_lock);
  for (const auto& entry : g_bars) {
    if (entry.second.owner != owner) continue;
    *view = {entry.first, owner, entry.second.keys};
    return true;
  }
  return false;
}

ShellHandlingCounts ShellHandling() { return {g_activations.load(), g_setting_changes.load()}; }

}  // namespace kelvane

using namespace kelvane;

// ---- SHCreateMenuBar ----
// The bar takes the bottom row of the screen and is owned by hwndParent; its
// handle goes to hwndMB. The profile's "menuBarFails" makes
// the call fail as a shell short of resources does.
BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO* pmbi) {
  if (!pmbi || pmbi->cbSize != sizeof(SHMENUBARINFO)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  pmbi->hwndMB = nullptr;
  if (!pmbi->hwndParent || !IsWindow(pmbi->hwndParent)) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  if (ReadFlag(MemberOf(Profile(), "menuBarFails"), "menuBarFails", false))
    return Fail(ERROR_NO_SYSTEM_RESOURCES, FALSE);
  const KELVANE_MENU_BAR* resource = FindBarResource(pmbi->hInstRes, pmbi->nToolBarId);
  if (!resource || !RegisterMenuBarClass()) return FALSE;
  MenuBar bar{pmbi->hwndParent, nullptr, {}};
  // The keys' menu goes back on a later failure; the failure's last error stays.
  const auto fail = [&bar] {
    const DWORD error = GetLastError();
    if (bar.menu) DestroyMenu(bar.menu);
    return Fail(error, FALSE);
  };
  if (!BuildKeys(pmbi->hInstRes, *resource, &bar.menu, &bar.keys)) return fail();
  const SIZE screen = ScreenSize();
  const HWND window = CreateWindowExW(0, kMenuBarClass, L"", 0, 0, screen.cy - 1, screen.cx, 1, pmbi->hwndParent,
                                      nullptr, nullptr, nullptr);
  if (!window) return fail();
  {
    std::lock_guard<std::mutex> guard(g_bars_lock);
    g_bars[window] = bar;
  }
  if (!(pmbi->dwFlags & SHCMBF_HIDDEN)) ShowWindow(window, SW_SHOW);
  pmbi->hwndMB = window;
  return TRUE;
}

// ---- SHHandleWMActivate ----
// The shell keeps the input panel's state per window; this device has no
// input panel, so it records the activation state only.
BOOL WINAPI SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM, SHACTIVATEINFO* psai, DWORD) {
  if (!psai || psai->cbSize != sizeof(SHACTIVATEINFO)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (!IsWindow(hwnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  psai->fActive = LOWORD(wParam) != WA_INACTIVE;
  ++g_activations;
  RefreshScreen();
  return TRUE;
}

// ---- SHHandleWMSettingChange ----
BOOL WINAPI SHHandleWMSettingChange(HWND hwnd, WPARAM, LPARAM, SHACTIVATEINFO* psai) {
  if (!psai || psai->cbSize != sizeof(SHACTIVATEINFO)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (!IsWindow(hwnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  ++g_setting_changes;
  RefreshScreen();
  return TRUE;
}
