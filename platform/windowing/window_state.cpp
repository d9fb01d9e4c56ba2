// The process's window table, class table and per-thread message queues.
#include "internal/device_windows.h"
#include "internal/window_session.h"
#include "internal/windowing.h"

#include <unistd.h>

#include <algorithm>
#include <cwctype>

namespace kelvane {
namespace {

struct WindowState {
  std::map<HWND, std::shared_ptr<Window>> windows;
  std::map<std::wstring, std::shared_ptr<WindowClass>> classes;  // by lower-case name
  uint64_t next_serial = 1;
  uint64_t next_order = 1;
};

WindowState& State() {
  static WindowState* state = new WindowState;  // outlives static destructors
  return *state;
}

// Ends the thread's queue and destroys its windows when the thread ends. The
// platform destroys them without sending messages: the thread is gone.
class QueueOwner {
 public:
  std::shared_ptr<MessageQueue> queue;
  ~QueueOwner() {
    if (!queue) return;
    std::vector<std::shared_ptr<Window>> top_levels;
    {
      std::lock_guard<std::mutex> guard(WindowLock());
      AbandonQueue(*queue);
      for (const auto& window : OwnWindows()) {
        if (window->queue != queue) continue;
        if (window->published) top_levels.push_back(window);
        RemoveWindow(window->handle);
      }
    }
    for (const auto& window : top_levels) {
      WithdrawTopLevel(window->handle);
      TopLevelWindowGone();
    }
  }
};

thread_local QueueOwner t_queue_owner;

}  // namespace

std::mutex& WindowLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

std::shared_ptr<MessageQueue> CurrentQueue() {
  if (!t_queue_owner.queue) {
    t_queue_owner.queue = std::make_shared<MessageQueue>();
    t_queue_owner.queue->thread_id = GetCurrentThreadId();
  }
  return t_queue_owner.queue;
}

std::shared_ptr<Window> FindOwnWindow(HWND hwnd) {
  auto& windows = State().windows;
  auto it = windows.find(hwnd);
  return it == windows.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<Window>> OwnWindows() {
  std::vector<std::shared_ptr<Window>> out;
  for (const auto& entry : State().windows) out.push_back(entry.second);
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a->order < b->order; });
  return out;
}

HWND NewWindowHandle() {
  const uint64_t serial = State().next_serial++ & 0x0FFFFFFF;
  const uint64_t value = (static_cast<uint64_t>(getpid()) << 32) | (serial << 4);
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

void AddWindow(const std::shared_ptr<Window>& window) {
  window->order = State().next_order++;
  State().windows[window->handle] = window;
  ++window->window_class->windows;
}

void RemoveWindow(HWND hwnd) {
  auto& windows = State().windows;
  auto it = windows.find(hwnd);
  if (it == windows.end()) return;
  --it->second->window_class->windows;
  DiscardMessagesFor(*it->second->queue, hwnd);
  windows.erase(it);
  ReleaseDeviceContextsOf(hwnd);
}

std::map<std::wstring, std::shared_ptr<WindowClass>>& Classes() { return State().classes; }

std::wstring ClassKey(const std::wstring& name) {
  std::wstring key = name;
  std::transform(key.begin(), key.end(), key.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return key;
}

std::shared_ptr<WindowClass> FindClass(LPCWSTR name_or_atom) {
  if (!name_or_atom) return nullptr;
  if (IS_INTRESOURCE(name_or_atom)) {
    const ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name_or_atom));
    for (const auto& entry : Classes())
      if (entry.second->atom == atom) return entry.second;
    return nullptr;
  }
  auto it = Classes().find(ClassKey(name_or_atom));
  return it == Classes().end() ? nullptr : it->second;
}

pid_t ProcessOfWindow(HWND hwnd) {
  return static_cast<pid_t>(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(hwnd)) >> 32);
}

bool IsOwnProcessWindow(HWND hwnd) { return hwnd && ProcessOfWindow(hwnd) == getpid(); }

std::shared_ptr<Window> TopLevelOf(const std::shared_ptr<Window>& window) {
  std::shared_ptr<Window> w = window;
  while (w && !w->IsTopLevel()) w = FindOwnWindow(w->parent);
  return w;
}

POINT ClientOriginOnScreen(const std::shared_ptr<Window>& window) {
  POINT origin{0, 0};
  for (std::shared_ptr<Window> w = window; w; w = w->IsTopLevel() ? nullptr : FindOwnWindow(w->parent)) {
    origin.x += w->rect.left;
    origin.y += w->rect.top;
  }
  return origin;
}

HWND MainWindow() {
  for (const auto& window : OwnWindows())
    if (window->IsTopLevel() && !window->owner && !window->destroying) return window->handle;
  return nullptr;
}

}  // namespace kelvane
