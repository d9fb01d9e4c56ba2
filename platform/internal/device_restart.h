// The device's restart. Every other program on the device is closed as the
// shell closes it (WM_CLOSE to each of its top-level windows) and ended when
// it has not gone within the shell's grace period; then what lives only in
// the device's memory goes (bridged ports in ROOT/dev, the window table and
// the screen) and the tick count starts again from boot. What is stored (the
// registry hive, the files) stays.
//
// Programs are found through the device's window table, so a program without
// a window is not closed. Called without any device lock held.
#ifndef KELVANE_PLATFORM_DEVICE_RESTART_H
#define KELVANE_PLATFORM_DEVICE_RESTART_H

namespace kelvane {

// How long the shell waits, in device milliseconds, for a closed program to end.
constexpr unsigned kCloseGraceMs = 20000;

void RestartDevice();

}  // namespace kelvane

#endif
