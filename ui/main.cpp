// The program's host entry point: the device starts the program this way.
#include <windows.h>

#include "ui/program_entry.h"

int main() { return ProgramEntry(GetModuleHandleW(nullptr), SW_SHOW); }
