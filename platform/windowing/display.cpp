// The display the profile chooses, and the redrawing of the screen: the
// dump is written for either display, and the terminal display also draws
// the screen on its terminal.
#include "internal/display.h"

#include "internal/device_root.h"
#include "internal/device_windows.h"
#include "internal/profile_value.h"
#include "internal/screen_dump.h"
#include "internal/terminal_display.h"
#include "internal/windowing.h"

#include <cstdio>
#include <mutex>

namespace kelvane {
namespace {

constexpr LONG kDefaultColumns = 40;
constexpr LONG kDefaultRows = 20;
constexpr LONG kLargestSide = 1000;

LONG ProfileSide(const char* key, LONG fallback) {
  return static_cast<LONG>(ReadInteger(MemberOf(Profile(), key), key, fallback, 1, kLargestSide));
}

// Called with the device lock held.
void Present(HWND shown) {
  const Screen screen = ComposeScreen(shown);
  WriteScreenDump(screen, shown);
  PresentOnTerminal(screen, CurrentCursorName());
}

}  // namespace

SIZE ScreenSize() { return {ProfileSide("displayColumns", kDefaultColumns), ProfileSide("displayRows", kDefaultRows)}; }

std::string DisplayKind() {
  const std::string display = ReadText(MemberOf(Profile(), "display"), "display", "none");
  if (display == "terminal" || display == "none") return display;
  static std::once_flag once;
  std::call_once(once, [&] {
    std::fprintf(stderr, "device: display \"%s\" is not available; the display is \"none\"\n", display.c_str());
  });
  return "none";
}

void RefreshScreen() {
  DeviceWindowsLock lock;
  if (!lock.held()) return;
  const HWND foreground = lock.Read().foreground;
  if (IsOwnProcessWindow(foreground)) Present(foreground);
}

void RefreshScreenForBox() {
  DeviceWindowsLock lock;
  if (!lock.held()) return;
  const HWND foreground = lock.Read().foreground;
  Present(IsOwnProcessWindow(foreground) ? foreground : nullptr);
}

}  // namespace kelvane
