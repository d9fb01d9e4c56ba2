// A process's windowing session: it runs while the process has at least one
// top-level window. Its event thread
//   - listens on the process's port (device_windows.h) for requests of other
//     processes: "activate <hwnd hex> <0|1>" and
//     "post <hwnd hex> <message> <wParam> <lParam>";
//   - reads injected input from the FIFO ROOT/input ("key 0x30",
//     "command 40008", "close"; docs/headless-display.md) and posts it to the
//     main window; with several windowing processes on one device, the first
//     one to start its session reads it;
//   - turns SIGTERM and SIGINT into WM_CLOSE for the main window, as the shell
//     closes a program (the handler only writes a byte to a pipe).
#ifndef KELVANE_PLATFORM_WINDOW_SESSION_H
#define KELVANE_PLATFORM_WINDOW_SESSION_H

namespace kelvane {

// Called without WindowLock() held.
void TopLevelWindowCreated();
void TopLevelWindowGone();
// Whether the session runs, so keys can reach this process.
bool WindowSessionRuns();

}  // namespace kelvane

#endif
