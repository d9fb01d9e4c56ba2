// The process's windows, window classes, message queues and device contexts.
//
// Everything here is guarded by one process-wide lock, WindowLock(); functions
// marked "locked" must be called with it held. Window procedures are never
// called with it held. The device-wide table of top-level windows
// (device_windows.h) has a lock of its own, which is never taken while
// WindowLock() is held.
//
// Window handles carry the creating process's id in their upper 32 bits, so a
// handle found in another process's table names its owner; the lowest four
// bits are always clear (the shell passes handles with bit 0 set).
#ifndef KELVANE_PLATFORM_WINDOWING_H
#define KELVANE_PLATFORM_WINDOWING_H

#include <windows.h>

#include <sys/types.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kelvane {

// One character cell of a window's painted content.
struct Cell {
  WCHAR ch = L' ';
  COLORREF fg = RGB(0, 0, 0);
  COLORREF bg = RGB(255, 255, 255);
};

// Window sizes are clamped to this many cells a side, as the platform clamps
// a window to its largest tracking size.
constexpr LONG kLargestWindowSide = 1024;

struct Icon;

struct WindowClass {
  std::wstring name;
  WNDPROC proc = nullptr;
  HBRUSH background = nullptr;
  std::shared_ptr<const Icon> icon;  // null for a class without one
  ATOM atom = 0;
  int windows = 0;  // live windows of the class
};

struct MessageQueue;

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> window_class;
  WNDPROC proc = nullptr;
  std::wstring title;
  DWORD style = 0;
  HWND parent = nullptr;  // WS_CHILD windows only
  // A top-level window created with a parent is owned by it: it is not
  // listed on the device, shows over its owner and goes with it.
  HWND owner = nullptr;
  std::shared_ptr<MessageQueue> queue;  // the creating thread's
  uint64_t order = 0;                   // creation order in the process
  // Screen coordinates for top-level windows, the parent's client
  // coordinates for child windows. There is no non-client area.
  RECT rect{};
  bool visible = false;
  bool destroying = false;
  bool published = false;  // listed in the device's top-level table
  // The update region, kept as its bounding rectangle.
  bool needs_paint = false;
  bool erase = false;
  RECT update{};
  // Top-level windows keep what was painted, one cell per client unit.
  std::vector<Cell> frame;
  LONG frame_width = 0;
  LONG frame_height = 0;
  int activations = 0;

  bool IsTopLevel() const { return !(style & WS_CHILD); }
  LONG Width() const { return rect.right - rect.left; }
  LONG Height() const { return rect.bottom - rect.top; }
};

// A message sent from another thread, waiting for the window's thread.
struct SentMessage {
  MSG msg{};
  LRESULT result = 0;
  bool done = false;
  std::shared_ptr<MessageQueue> sender;
};

// A thread's queue, created when the thread first needs one.
struct MessageQueue {
  DWORD thread_id = 0;
  bool alive = true;
  std::condition_variable wake;  // waits on WindowLock()
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  bool quit = false;
  int quit_code = 0;
};

std::mutex& WindowLock();

// Locked. The calling thread's queue (created on first use); when the thread
// ends, its windows are destroyed without messages, as the platform does.
std::shared_ptr<MessageQueue> CurrentQueue();
// Locked. A live window of this process, or null.
std::shared_ptr<Window> FindOwnWindow(HWND hwnd);
// Locked. Every live window of this process, in creation order.
std::vector<std::shared_ptr<Window>> OwnWindows();
// Locked. A new window handle of this process.
HWND NewWindowHandle();
// Locked. Adds a window to the process's table, or removes it.
void AddWindow(const std::shared_ptr<Window>& window);
void RemoveWindow(HWND hwnd);
// Locked. The class registered under a name (any case) or an atom, or null.
std::shared_ptr<WindowClass> FindClass(LPCWSTR name_or_atom);
// Locked. The class table, keyed by ClassKey(name).
std::map<std::wstring, std::shared_ptr<WindowClass>>& Classes();
std::wstring ClassKey(const std::wstring& name);

// The process that created a window handle (0 for a null handle).
pid_t ProcessOfWindow(HWND hwnd);
bool IsOwnProcessWindow(HWND hwnd);

// Locked. The top-level window that contains a window, and the screen
// position of a window's client origin.
std::shared_ptr<Window> TopLevelOf(const std::shared_ptr<Window>& window);
POINT ClientOriginOnScreen(const std::shared_ptr<Window>& window);
// Locked. The process's main window: its oldest live unowned top-level window.
HWND MainWindow();

// Calls a window's procedure (without the lock); 0 for a window that is gone.
LRESULT CallWindowProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Locked. Queues a posted message on a queue and wakes its thread.
BOOL PostToQueue(MessageQueue& queue, const MSG& msg);
// Locked. Drops the posted messages of a window that is being destroyed.
void DiscardMessagesFor(MessageQueue& queue, HWND hwnd);
// Locked. Ends a queue whose thread is gone: pending senders get 0.
void AbandonQueue(MessageQueue& queue);

// Locked. Adds a rectangle (client coordinates; null = the whole client
// area) to a window's update region and wakes its thread.
void InvalidateWindow(Window& window, const RECT* rect, bool erase);
// Locked. Resizes a top-level window's frame, keeping what fits.
void ResizeFrame(Window& window);
// Locked. Forgets the device contexts of a destroyed window.
void ReleaseDeviceContextsOf(HWND hwnd);
// Fills the area a device context may paint with a brush; FALSE when the
// brush has no colour (the null brush) or the context is unknown.
BOOL FillWithBrush(HDC hdc, HBRUSH brush);

// Called by a window's activation from any thread or process: counts it,
// delivers WM_ACTIVATE (sent on the window's own thread, posted otherwise)
// and refreshes the screen.
void ActivateOwnWindow(HWND hwnd, bool active);

// The name of the cursor last set ("none", "arrow", "wait").
std::string CurrentCursorName();

}  // namespace kelvane

#endif
