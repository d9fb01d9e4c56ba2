// The program entry: refuses a second instance, creates the main window and
// runs the message loop. Returns the exit code.
#ifndef KELVANE_UI_PROGRAM_ENTRY_H
#define KELVANE_UI_PROGRAM_ENTRY_H

#include <windows.h>

int ProgramEntry(HINSTANCE instance, int show_command);

#endif
