#include "ui/main_window.h"

#include "core/flags.h"
#include "core/messages.h"
#include "core/startup.h"
#include "settings/message_list.h"

namespace {

bool g_started = false;

MessageList& VisibleList() { return TestFlag(LogView) ? DiagnosticLog() : StatusList(); }

void OnKeyDown(HWND window, DWORD key) {
  MessageList& target = VisibleList();
  if (target.HandleKey(key)) PostMessageW(window, MSG_REFRESH, 0, 0);
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
