// Window classes. As on the device, a class belongs to the process that
// registers it and its name is compared without regard to case.
#include "internal/icons.h"
#include "internal/last_error.h"
#include "internal/windowing.h"

namespace {

// Registered classes get atoms from the range the platform uses for them.
constexpr ATOM kFirstAtom = 0xC000;
ATOM g_next_atom = kFirstAtom;  // under WindowLock()

}  // namespace

using namespace kelvane;

// ---- RegisterClassW ----
// The class keeps its icon; a handle that LoadIconW did not give is refused.
ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName ||
      IS_INTRESOURCE(lpWndClass->lpszClassName) || !*lpWndClass->lpszClassName || lpWndClass->cbClsExtra < 0 ||
      lpWndClass->cbWndExtra < 0)
    return Fail(ERROR_INVALID_PARAMETER, ATOM{0});
  std::shared_ptr<const Icon> icon = LoadedIcon(lpWndClass->hIcon);
  if (lpWndClass->hIcon && !icon) return Fail(ERROR_INVALID_ICON_HANDLE, ATOM{0});
  std::lock_guard<std::mutex> guard(WindowLock());
  if (FindClass(lpWndClass->lpszClassName)) return Fail(ERROR_CLASS_ALREADY_EXISTS, ATOM{0});
  if (g_next_atom == 0) return Fail(ERROR_NOT_ENOUGH_MEMORY, ATOM{0});  // the atom range is spent
  auto window_class = std::make_shared<WindowClass>();
  window_class->name = lpWndClass->lpszClassName;
  window_class->proc = lpWndClass->lpfnWndProc;
  window_class->background = lpWndClass->hbrBackground;
  window_class->icon = std::move(icon);
  window_class->atom = g_next_atom++;
  Classes()[ClassKey(window_class->name)] = window_class;
  return window_class->atom;
}

// ---- UnregisterClassW ----
// A class that still has windows stays registered.
BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE) {
  std::lock_guard<std::mutex> guard(WindowLock());
  auto window_class = FindClass(lpClassName);
  if (!window_class) return Fail(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
  if (window_class->windows > 0) return Fail(ERROR_CLASS_HAS_WINDOWS, FALSE);
  Classes().erase(ClassKey(window_class->name));
  return TRUE;
}
