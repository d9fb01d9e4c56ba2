// Start-up and shut-down of the program's threads, run on the window thread:
// StartUp when the main window is created, ShutDown when it is destroyed.
#ifndef KELVANE_CORE_STARTUP_H
#define KELVANE_CORE_STARTUP_H

#include <windows.h>

#define PROGRAM_VERSION L"1.54"

void StartUp(HWND main_window);
void ShutDown();

#endif
