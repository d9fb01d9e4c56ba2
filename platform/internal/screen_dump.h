// The headless display's file, ROOT/screen.txt (docs/headless-display.md).
#ifndef KELVANE_PLATFORM_SCREEN_DUMP_H
#define KELVANE_PLATFORM_SCREEN_DUMP_H

#include "internal/screen.h"

namespace kelvane {

// Replaces ROOT/screen.txt with the screen and what overlays it. Called with
// the device lock held, so that no other process writes it meanwhile.
void WriteScreenDump(const Screen& screen, HWND shown);

}  // namespace kelvane

#endif
