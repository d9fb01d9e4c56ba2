// Process-wide objects outside the application state that the threads share:
// the network traffic counter, the wake and stop events, the main window and the
// handles of the three worker threads.
#ifndef KELVANE_CORE_PROCESS_STATE_H
#define KELVANE_CORE_PROCESS_STATE_H

#include <windows.h>

// Bytes sent plus received since start; interlocked, no lock.
void AddTraffic(DWORD bytes);
DWORD ReadTraffic();

// Manual reset: the interruptible sleep of the worker. Signalled by a mode
// change and by shut-down; reset by the worker when it switches the source.
extern HANDLE WakeEvent;
// Manual reset, signalled only by shut-down and never reset: the sleep of
// the output loop and the sync thread. They cannot share WakeEvent, which
// stays signalled after a mode change until a worker resets it, and no
// worker runs when no output could be opened.
extern HANDLE StopEvent;
extern HWND MainWindow;
extern HANDLE OutputThreadHandle;
extern HANDLE WorkerThreadHandle;  // null when the output thread never started the worker
extern HANDLE SyncThreadHandle;

// Posts a message to the main window; does nothing before start-up stored it.
void PostToMainWindow(UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

#endif
