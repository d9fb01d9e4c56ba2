// The main window's menu and soft-key commands, and the menu's check marks.
// Window thread only.
#ifndef KELVANE_UI_WINDOW_COMMANDS_H
#define KELVANE_UI_WINDOW_COMMANDS_H

#include <windows.h>

// Runs a command; false for one the window does not know.
bool RunCommand(HWND window, HWND menu_bar, WORD command);
// Sets the check marks of "Show" (the log view) and "Keep Wi-Fi On". Without
// a menu bar there is no pop-up to mark.
void SetMenuCheckMarks(HWND menu_bar);

#endif
