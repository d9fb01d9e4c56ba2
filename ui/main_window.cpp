#include "ui/main_window.h"

#include <aygshell.h>

#include "core/cell_source_holder.h"
#include "core/flags.h"
#include "core/messages.h"
#include "core/startup.h"
#include "settings/message_list.h"
#include "settings/resource_text.h"
#include "ui/device_family.h"
#include "ui/resource_ids.h"
#include "ui/window_commands.h"

namespace {

bool g_started = false;
HWND g_menu_bar = nullptr;
SHACTIVATEINFO g_activation = {};  // touch-screen build only

MessageList& VisibleList() { return TestFlag(LogView) ? DiagnosticLog() : StatusList(); }

// Digits select the cell source, but only in the status view.
void OnKeyDown(HWND window, DWORD key) {
  if (!TestFlag(LogView)) {
    if (key >= '0' && key <= '3') RequestMode(static_cast<int>(key - '0'));
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD3) RequestMode(static_cast<int>(key - VK_NUMPAD0));
  }
  if (VisibleList().HandleKey(key)) PostMessageW(window, MSG_REFRESH, 0, 0);
}

void OnCreate(HWND window) {
  StartUp(window);
  g_started = true;
  SHMENUBARINFO bar = {};
  bar.cbSize = sizeof bar;
  bar.hwndParent = window;
  bar.dwFlags = 0;
  bar.nToolBarId = IDR_MENUBAR;
  bar.hInstRes = ResourceModule();
  g_menu_bar = SHCreateMenuBar(&bar) ? bar.hwndMB : nullptr;
  if (kTouchScreenBuild) {
    g_activation = {};
    g_activation.cbSize = sizeof g_activation;
  }
}

void OnDestroy() {
  if (g_started) {
    ShutDown();
    g_started = false;
  }
  if (g_menu_bar) DestroyWindow(g_menu_bar);
  g_menu_bar = nullptr;
  PostQuitMessage(0);
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  VisibleList().Paint(dc, window);
  EndPaint(window, &paint);
}

}  // namespace

HWND MainWindowMenuBar() { return g_menu_bar; }

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_ACTIVATE:
      if (!kTouchScreenBuild) break;
      SHHandleWMActivate(window, wparam, lparam, &g_activation, 0);
      return 0;
    case WM_SETTINGCHANGE:
      if (!kTouchScreenBuild) break;
      SHHandleWMSettingChange(window, wparam, lparam, &g_activation);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(window, static_cast<DWORD>(wparam));
      return 0;
    case WM_COMMAND:
      if (RunCommand(window, g_menu_bar, LOWORD(wparam))) return 0;
      break;
    case MSG_BUSY:
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
      return 0;
    case MSG_IDLE:
      SetCursor(nullptr);
      return 0;
    case MSG_STARTED:
      SetMenuCheckMarks(g_menu_bar);
      return 0;
    case MSG_REFRESH:
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}
