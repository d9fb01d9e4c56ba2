#include "ui/program_entry.h"

#include "ui/device_family.h"
#include "ui/main_window.h"
#include "ui/resource_ids.h"

namespace {

// A touch screen's menu bar lies over the window's bottom: the window is
// shortened by the bar's height so that the bar covers none of it.
void MakeRoomForMenuBar(HWND window) {
  const HWND bar = MainWindowMenuBar();
  RECT window_rect, bar_rect;
  if (!bar || !GetWindowRect(window, &window_rect) || !GetWindowRect(bar, &bar_rect)) return;
  const LONG bottom = window_rect.bottom - (bar_rect.bottom - bar_rect.top);
  MoveWindow(window, window_rect.left, window_rect.top, window_rect.right - window_rect.left,
             bottom - window_rect.top, FALSE);
}

}  // namespace

int ProgramEntry(HINSTANCE instance, int show_command) {
  // A second start brings the running instance (and its owned windows) forward.
  if (HWND running = FindWindowW(MAIN_WINDOW_CLASS, nullptr)) {
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(running) | 1));
    return 0;
  }

  WNDCLASSW window_class = {};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = MAIN_WINDOW_CLASS;
  if (!RegisterClassW(&window_class)) return 0;

  HWND window = CreateWindowExW(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!window) return 0;
  if (kTouchScreenBuild) MakeRoomForMenuBar(window);
  ShowWindow(window, show_command);
  UpdateWindow(window);

  MSG message = {};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  UnregisterClassW(MAIN_WINDOW_CLASS, instance);
  return static_cast<int>(message.wParam);
}
