// The display the profile chooses, the screen's size as this process sees
// it, and the redrawing of the screen: the dump is written for either
// display, and the terminal display also draws the screen on its terminal.
#include "internal/display.h"

#include "internal/device_root.h"
#include "internal/device_windows.h"
#include "internal/menus.h"
#include "internal/profile_value.h"
#include "internal/screen_dump.h"
#include "internal/terminal_display.h"
#include "internal/windowing.h"

#include <algorithm>

namespace kelvane {
namespace {

constexpr LONG kDefaultColumns = 40;
constexpr LONG kDefaultRows = 20;
constexpr LONG kLargestSide = 1000;
constexpr LONG kLargestScale = 4;

LONG ProfileSide(const char* key, LONG fallback) {
  return static_cast<LONG>(ReadInteger(MemberOf(Profile(), key), key, fallback, 1, kLargestSide));
}

SIZE DeviceScreenSize() {
  return {ProfileSide("displayColumns", kDefaultColumns), ProfileSide("displayRows", kDefaultRows)};
}

// Whether the program's own resources carry the high-resolution marker; read
// once. A program without resources has no marker, which is no failure of the
// call that asks, so the caller's last error stays.
bool ProgramIsHighResolutionAware() {
  static const bool aware = [] {
    const DWORD error = GetLastError();
    const KELVANE_RESOURCES* resources = ModuleResources(nullptr);
    SetLastError(error);
    return resources && resources->hi_res_aware;
  }();
  return aware;
}

// Called with the device lock held.
void Present(HWND shown) {
  const Screen screen = ScaledToDevice(ComposeScreen(shown), DisplayScale(), DeviceScreenSize());
  WriteScreenDump(screen, shown);
  PresentOnTerminal(screen, CurrentCursorName());
}

}  // namespace

// The profile's value is read (and a wrong one reported) whichever program asks.
LONG DisplayScale() {
  const auto scale = ReadInteger(MemberOf(Profile(), "displayScale"), "displayScale", 1, 1, kLargestScale);
  return ProgramIsHighResolutionAware() ? 1 : static_cast<LONG>(scale);
}

SIZE ScreenSize() {
  const SIZE device = DeviceScreenSize();
  const LONG scale = DisplayScale();
  return {std::max<LONG>(1, device.cx / scale), std::max<LONG>(1, device.cy / scale)};
}

std::string DisplayKind() {
  const std::string display = ReadText(MemberOf(Profile(), "display"), "display", "none");
  if (display == "terminal" || display == "none") return display;
  ReportProfileProblem("display \"" + display + "\" is not available; the display is \"none\"");
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
