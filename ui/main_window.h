// The main window: class "KelvaneWinClass", title "Kelvane". Its creation
// runs StartUp and makes the soft-key menu bar; its destruction runs
// ShutDown. Window thread only.
#ifndef KELVANE_UI_MAIN_WINDOW_H
#define KELVANE_UI_MAIN_WINDOW_H

#include <windows.h>

#define MAIN_WINDOW_CLASS L"KelvaneWinClass"
#define MAIN_WINDOW_TITLE L"Kelvane"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The soft-key menu bar made at WM_CREATE; null when the shell could not make it.
HWND MainWindowMenuBar();

#endif
