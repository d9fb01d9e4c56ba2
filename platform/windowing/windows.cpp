// Windows: creation, destruction, geometry, visibility and the foreground.
//
// Top-level windows are listed in the device's table (device_windows.h) from
// the end of their creation to the start of their destruction, which is what
// FindWindowW and SetForegroundWindow of any process on the device see.
// Windows have no non-client area: the client area is the whole window.
#include "internal/device_windows.h"
#include "internal/display.h"
#include "internal/last_error.h"
#include "internal/window_session.h"
#include "internal/windowing.h"

#include <algorithm>
#include <cstdio>

namespace kelvane {
namespace {

HWND WithoutOwnedWindowsBit(HWND hwnd) {
  return reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(hwnd) & ~uintptr_t{1});
}

// Coordinates stay within 16 bits and sizes within the largest window, as
// on the device.
RECT Placement(int x, int y, int width, int height) {
  x = std::clamp(x, -32768, 32767);
  y = std::clamp(y, -32768, 32767);
  width = std::clamp<int>(width, 0, kLargestWindowSide);
  height = std::clamp<int>(height, 0, kLargestWindowSide);
  return RECT{x, y, x + width, y + height};
}

// Locked. A window, its descendants and the windows it owns, parents and
// owners first.
std::vector<std::shared_ptr<Window>> Subtree(const std::shared_ptr<Window>& root) {
  std::vector<std::shared_ptr<Window>> out{root};
  const auto all = OwnWindows();
  for (size_t i = 0; i < out.size(); ++i)
    for (const auto& window : all) {
      const HWND above = window->IsTopLevel() ? window->owner : window->parent;
      if (above == out[i]->handle && !window->destroying) out.push_back(window);
    }
  return out;
}

// The window comes to the front of the device: it becomes the foreground
// window and is activated; the previous one is deactivated. A window of
// another process hears of it through that process's port.
BOOL BringToFront(HWND hwnd) {
  bool listed = false;
  const HWND previous = ExchangeForeground(hwnd, &listed);
  if (!listed) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  if (previous == hwnd) return TRUE;
  auto notify = [](HWND target, bool active) {
    if (IsOwnProcessWindow(target)) {
      ActivateOwnWindow(target, active);
      return;
    }
    char line[64];
    std::snprintf(line, sizeof line, "activate %llx %d\n",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(target)), active ? 1 : 0);
    WriteToProcessPort(ProcessOfWindow(target), line);
  };
  notify(hwnd, true);
  if (previous) notify(previous, false);
  return TRUE;
}

}  // namespace

void ActivateOwnWindow(HWND hwnd, bool active) {
  bool on_own_thread;
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto window = FindOwnWindow(hwnd);
    if (!window) return;
    if (active) ++window->activations;
    on_own_thread = window->queue->thread_id == GetCurrentThreadId();
  }
  const WPARAM state = active ? WA_ACTIVE : WA_INACTIVE;
  if (on_own_thread)
    CallWindowProcedure(hwnd, WM_ACTIVATE, state, 0);
  else
    PostMessageW(hwnd, WM_ACTIVATE, state, 0);
  RefreshScreen();
}

}  // namespace kelvane

using namespace kelvane;

// ---- CreateWindowExW ----
// WM_CREATE is sent during the call with the CREATESTRUCTW; a window
// procedure that answers -1 makes the creation fail, and the window is
// destroyed (WM_DESTROY) before the call returns NULL. CW_USEDEFAULT gives a
// top-level window the whole screen, as the device's shell does. A top-level
// window with a parent is owned by it and is not listed on the device.
HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam) {
  const SIZE screen = ScreenSize();
  const bool child = (dwStyle & WS_CHILD) != 0;
  auto window = std::make_shared<Window>();
  CREATESTRUCTW create{lpParam, hInstance, hMenu, hWndParent, 0, 0, 0, 0, static_cast<LONG>(dwStyle), lpWindowName,
                       lpClassName, dwExStyle};
  std::wstring class_name;
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    window->window_class = FindClass(lpClassName);
    if (!window->window_class) return Fail(ERROR_CANNOT_FIND_WND_CLASS, static_cast<HWND>(nullptr));
    if (child && !hWndParent) return Fail(ERROR_TLW_WITH_WSCHILD, static_cast<HWND>(nullptr));
    if (hWndParent && !FindOwnWindow(hWndParent)) return Fail(ERROR_INVALID_WINDOW_HANDLE, static_cast<HWND>(nullptr));
    if (X == CW_USEDEFAULT) X = Y = 0;
    if (nWidth == CW_USEDEFAULT) {
      nWidth = child ? 0 : screen.cx;
      nHeight = child ? 0 : screen.cy;
    }
    window->handle = NewWindowHandle();
    window->proc = window->window_class->proc;
    window->title = lpWindowName ? lpWindowName : L"";
    window->style = dwStyle & ~static_cast<DWORD>(WS_VISIBLE);
    window->parent = child ? hWndParent : nullptr;
    window->owner = child ? nullptr : hWndParent;
    window->queue = CurrentQueue();
    window->rect = Placement(X, Y, nWidth, nHeight);
    ResizeFrame(*window);
    AddWindow(window);
    create.x = window->rect.left;
    create.y = window->rect.top;
    create.cx = window->Width();
    create.cy = window->Height();
    class_name = window->window_class->name;
  }
  const HWND hwnd = window->handle;
  if (CallWindowProcedure(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!child && !hWndParent) {
    {
      std::lock_guard<std::mutex> guard(WindowLock());
      // The procedure may have destroyed its window already.
      if (!FindOwnWindow(hwnd) || window->destroying) return nullptr;
      window->published = true;
    }
    // The session first: whoever finds the window may signal or call its
    // process at once.
    TopLevelWindowCreated();
    PublishTopLevel(hwnd, class_name, lpWindowName ? lpWindowName : L"");
  }
  if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

// ---- DestroyWindow ----
// Only the window's own thread may destroy it. WM_DESTROY goes to the window,
// then to its children; the handles stay valid until all have had it. A
// top-level window stays on the device's list, and so on the screen and
// findable by other processes, until its WM_DESTROY has returned: a program
// that winds down there is still the running instance.
BOOL WINAPI DestroyWindow(HWND hWnd) {
  std::vector<std::shared_ptr<Window>> doomed;
  bool published;
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto window = FindOwnWindow(hWnd);
    if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    if (window->queue->thread_id != GetCurrentThreadId()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (window->destroying) return TRUE;
    doomed = Subtree(window);
    for (const auto& w : doomed) w->destroying = true;
    published = window->published;
  }
  for (const auto& w : doomed) CallWindowProcedure(w->handle, WM_DESTROY, 0, 0);
  if (published) WithdrawTopLevel(hWnd);
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    for (const auto& w : doomed) RemoveWindow(w->handle);
  }
  if (published) TopLevelWindowGone();
  return TRUE;
}

// ---- IsWindow ----
// Also true for a top-level window of another process on the device.
BOOL WINAPI IsWindow(HWND hWnd) {
  if (!IsOwnProcessWindow(hWnd)) return hWnd && TopLevelExists(hWnd);
  std::lock_guard<std::mutex> guard(WindowLock());
  return FindOwnWindow(hWnd) != nullptr;
}

// ---- FindWindowW ----
// Searches the top-level windows of every process on the device.
HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  std::wstring class_name;
  if (lpClassName && IS_INTRESOURCE(lpClassName)) {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto window_class = FindClass(lpClassName);
    if (!window_class) return nullptr;
    class_name = window_class->name;
    lpClassName = class_name.c_str();
  }
  return FindTopLevel(lpClassName, lpWindowName);
}

// ---- SetForegroundWindow ----
// The shell's callers set the handle's lowest bit to bring the window's owned
// windows along; handles never have it, so it is taken off.
BOOL WINAPI SetForegroundWindow(HWND hWnd) {
  HWND target = WithoutOwnedWindowsBit(hWnd);
  if (IsOwnProcessWindow(target)) {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto top = TopLevelOf(FindOwnWindow(target));
    if (!top) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    target = top->handle;
  }
  return BringToFront(target);
}

// ---- GetForegroundWindow ----
HWND WINAPI GetForegroundWindow(void) { return DeviceForeground(); }

// ---- ShowWindow ----
// Returns whether the window was visible. Showing a top-level window brings
// it to the front.
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  bool was_visible;
  bool to_front;
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto window = FindOwnWindow(hWnd);
    if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    was_visible = window->visible;
    window->visible = nCmdShow != SW_HIDE;
    if (window->visible) {
      window->style |= WS_VISIBLE;
      if (!was_visible) InvalidateWindow(*window, nullptr, true);
    } else {
      window->style &= ~static_cast<DWORD>(WS_VISIBLE);
    }
    to_front = window->visible && window->published;
  }
  if (to_front) BringToFront(hWnd);
  RefreshScreen();
  return was_visible;
}

// ---- UpdateWindow ----
// Sends WM_PAINT at once, past the queue, when the window has an update region.
BOOL WINAPI UpdateWindow(HWND hWnd) {
  bool paint;
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto window = FindOwnWindow(hWnd);
    if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    paint = window->visible && window->needs_paint;
  }
  if (paint) CallWindowProcedure(hWnd, WM_PAINT, 0, 0);
  return TRUE;
}

// ---- MoveWindow ----
// A top-level window's frame keeps what still fits; bRepaint invalidates the
// whole window. No WM_MOVE or WM_SIZE is sent.
BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto window = FindOwnWindow(hWnd);
    if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    window->rect = Placement(X, Y, nWidth, nHeight);
    ResizeFrame(*window);
    if (bRepaint) InvalidateWindow(*window, nullptr, true);
  }
  RefreshScreen();
  return TRUE;
}

// ---- GetWindowRect ----
BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  if (!lpRect) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  std::lock_guard<std::mutex> guard(WindowLock());
  auto window = FindOwnWindow(hWnd);
  if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  const POINT origin = ClientOriginOnScreen(window);
  *lpRect = {origin.x, origin.y, origin.x + window->Width(), origin.y + window->Height()};
  return TRUE;
}

// ---- GetClientRect ----
BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  if (!lpRect) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  std::lock_guard<std::mutex> guard(WindowLock());
  auto window = FindOwnWindow(hWnd);
  if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  *lpRect = {0, 0, window->Width(), window->Height()};
  return TRUE;
}
