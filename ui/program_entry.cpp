#include "ui/program_entry.h"

#include "ui/main_window.h"

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
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = MAIN_WINDOW_CLASS;
  if (!RegisterClassW(&window_class)) return 0;

  HWND window = CreateWindowExW(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!window) return 0;
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
