// Waits for what a running program (Quorvane) shows on the device's screen.
#ifndef KELVANE_TESTS_PROGRAM_SCREEN_H
#define KELVANE_TESTS_PROGRAM_SCREEN_H

#include <sys/types.h>

#include <filesystem>

namespace kelvane::testing {

// Waits (20 s of host time at most) until the screen dump is the program's
// own with its status painted ("port:" row). The window is listed on the
// device before it is shown and painted, so from then on another program
// finds it and a window shown later comes up over it; before, a window shown
// meanwhile could end up under it, and a restart could miss it.
bool WaitForPaintedStatus(const std::filesystem::path& root, pid_t program);

}  // namespace kelvane::testing

#endif
