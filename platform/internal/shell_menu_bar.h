// The shell's soft-key menu bars, for the key routing and the displays.
// Called without WindowLock() held.
#ifndef KELVANE_PLATFORM_SHELL_MENU_BAR_H
#define KELVANE_PLATFORM_SHELL_MENU_BAR_H

#include <windows.h>

#include <string>
#include <vector>

namespace kelvane {

struct SoftKey {
  UINT command = 0;
  std::wstring label;
  HMENU popup = nullptr;  // a drop-down key opens this instead of sending its command
};

struct MenuBarView {
  HWND bar = nullptr;
  HWND owner = nullptr;
  std::vector<SoftKey> keys;  // left to right
};

// The menu bar a window owns; false when it has none.
bool FindMenuBar(HWND owner, MenuBarView* view);

// How often the shell handled an activation and a setting change for this
// process's windows (SHHandleWMActivate, SHHandleWMSettingChange).
struct ShellHandlingCounts {
  int activations = 0;
  int setting_changes = 0;
};
ShellHandlingCounts ShellHandling();

}  // namespace kelvane

#endif
