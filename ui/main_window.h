// The main window: class "KelvaneWinClass", title "Kelvane". Its creation
// runs StartUp and its destruction ShutDown.
#ifndef KELVANE_UI_MAIN_WINDOW_H
#define KELVANE_UI_MAIN_WINDOW_H

#include <windows.h>

#define MAIN_WINDOW_CLASS L"KelvaneWinClass"
#define MAIN_WINDOW_TITLE L"Kelvane"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

#endif
