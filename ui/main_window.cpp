#include "ui/main_window.h"

#include "core/app_state.h"
#include "core/cell_source_holder.h"
#include "core/flags.h"
#include "core/messages.h"
#include "core/startup.h"
#include "settings/message_list.h"
#include "ui/commands.h"

namespace {

bool g_started = false;

MessageList& VisibleList() { return TestFlag(LogView) ? DiagnosticLog() : StatusList(); }

// Digits select the cell source, but only in the status view.
void OnKeyDown(HWND window, DWORD key) {
  if (!TestFlag(LogView)) {
    if (key >= '0' && key <= '3') RequestMode(static_cast<int>(key - '0'));
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD3) RequestMode(static_cast<int>(key - VK_NUMPAD0));
  }
  if (VisibleList().HandleKey(key)) PostMessageW(window, MSG_REFRESH, 0, 0);
}

bool OnCommand(HWND window, WORD command) {
  switch (command) {
    case IDM_QUIT:
      SendMessageW(window, WM_CLOSE, 0, 0);
      return true;
    case IDM_LOG_SHOW:
      if (ToggleFlag(LogView) & LogView) DiagnosticLog().ResetOffset();
      PostMessageW(window, MSG_REFRESH, 0, 0);
      return true;
    case IDM_LOG_SAVE:
      DiagnosticLog().SaveToFile();
      return true;
    case IDM_KEEP_WIFI_ON:
      SetWifiEnabled(WifiEnabled() ? 0 : 1);
      return true;
    default:
      return false;
  }
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  VisibleList().Paint(dc, window);
  EndPaint(window, &paint);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      StartUp(window);
      g_started = true;
      return 0;
    case WM_DESTROY:
      if (g_started) {
        ShutDown();
        g_started = false;
      }
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(window, static_cast<DWORD>(wparam));
      return 0;
    case WM_COMMAND:
      if (OnCommand(window, LOWORD(wparam))) return 0;
      return DefWindowProcW(window, message, wparam, lparam);
    case MSG_BUSY:
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
      return 0;
    case MSG_IDLE:
      SetCursor(nullptr);
      return 0;
    case MSG_STARTED:
      return 0;
    case MSG_REFRESH:
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}
