// Help > About and Help > ReadMe: texts shown in message boxes over the
// main window.
#ifndef KELVANE_UI_HELP_BOXES_H
#define KELVANE_UI_HELP_BOXES_H

#include <windows.h>

// The maker's address, the last line of the About text.
#define MAKER_ADDRESS L"http://kelvane.example.org/"

void ShowAbout(HWND window);
// Shows "readme.txt" from the program directory; nothing when it cannot be read.
void ShowReadMe(HWND window);

#endif
