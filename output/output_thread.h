// The output thread: creates the virtual port and the GPS Intermediate
// Driver output, starts the positioning worker and feeds the port.
#ifndef KELVANE_OUTPUT_OUTPUT_THREAD_H
#define KELVANE_OUTPUT_OUTPUT_THREAD_H

#include <windows.h>

DWORD WINAPI OutputThread(LPVOID);

#endif
