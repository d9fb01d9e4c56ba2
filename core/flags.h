// The flag word through which the program's threads signal each other.
//
// Every change is one atomic read-modify-write of the whole word, so a bit set
// by one thread is never lost by another thread's change; every test is one
// atomic read.
#ifndef KELVANE_CORE_FLAGS_H
#define KELVANE_CORE_FLAGS_H

#include <windows.h>

enum AppFlag : DWORD {
  PositionValid = 0x001,
  PortOpen = 0x008,
  DriverActive = 0x010,
  StopRequest = 0x020,
  ModeChange = 0x080,
  LogView = 0x100,
  Interrupt = 0x800,
};

bool TestFlag(DWORD mask);
void SetFlag(DWORD mask);
void ClearFlag(DWORD mask);
// Inverts the bits of mask in one atomic change; returns the new word.
DWORD ToggleFlag(DWORD mask);

#endif
