// Message queues: posted and sent messages, retrieval and dispatch.
//
// Retrieval order, as on the device: messages sent from other threads are
// delivered first (inside the retrieving call), then posted messages in
// order, then WM_QUIT once PostQuitMessage was called, and WM_PAINT last,
// only when nothing else is waiting. WM_PAINT is not a queue entry but the
// state of a window's update region, so invalidations coalesce and the
// message comes again until the region is validated (BeginPaint).
#include "internal/device_windows.h"
#include "internal/last_error.h"
#include "internal/windowing.h"

#include <cstdio>

namespace kelvane {
namespace {

// The platform refuses more posted messages than this per queue.
constexpr size_t kPostedLimit = 10000;

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  return msg;
}

// Locked. A window or one of its descendants.
bool IsWithin(HWND hwnd, HWND ancestor) {
  for (auto w = FindOwnWindow(hwnd); w; w = w->IsTopLevel() ? nullptr : FindOwnWindow(w->parent))
    if (w->handle == ancestor) return true;
  return false;
}

struct Filter {
  HWND hwnd;
  UINT min;
  UINT max;
  bool Passes(HWND target, UINT message) const {
    if (hwnd && target != hwnd && !IsWithin(target, hwnd)) return false;
    return (min == 0 && max == 0) || (message >= min && message <= max);
  }
};

// Locked. Delivers the messages other threads sent to this queue, dropping
// the lock around each call; true when any was delivered.
bool DeliverSentMessages(std::unique_lock<std::mutex>& guard, MessageQueue& queue) {
  bool delivered = false;
  while (!queue.sent.empty()) {
    std::shared_ptr<SentMessage> sent = queue.sent.front();
    queue.sent.pop_front();
    guard.unlock();
    const LRESULT result = CallWindowProcedure(sent->msg.hwnd, sent->msg.message, sent->msg.wParam, sent->msg.lParam);
    guard.lock();
    sent->result = result;
    sent->done = true;
    sent->sender->wake.notify_all();
    delivered = true;
  }
  return delivered;
}

enum class Found { kNothing, kMessage, kQuit };

// Locked. The next message for the filter, without waiting.
Found TakeMessage(MessageQueue& queue, const Filter& filter, bool remove, MSG* out) {
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!filter.Passes(it->hwnd, it->message)) continue;
    *out = *it;
    if (remove) queue.posted.erase(it);
    return out->message == WM_QUIT ? Found::kQuit : Found::kMessage;
  }
  // WM_QUIT passes every filter.
  if (queue.quit) {
    *out = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quit_code), 0);
    if (remove) queue.quit = false;
    return Found::kQuit;
  }
  for (const auto& window : OwnWindows()) {
    if (window->queue.get() != &queue || !window->visible || !window->needs_paint) continue;
    if (!filter.Passes(window->handle, WM_PAINT)) continue;
    *out = MakeMessage(window->handle, WM_PAINT, 0, 0);
    return Found::kMessage;
  }
  return Found::kNothing;
}

// GetMessageW and PeekMessageW: -1 for an error, 0 for WM_QUIT (GetMessageW)
// or nothing waiting (PeekMessageW), 1 for a message.
int RetrieveMessage(LPMSG lpMsg, HWND hWnd, UINT min, UINT max, bool wait, bool remove) {
  if (!lpMsg) return Fail(ERROR_INVALID_PARAMETER, -1);
  const Filter filter{hWnd, min, max};
  std::unique_lock<std::mutex> guard(WindowLock());
  std::shared_ptr<MessageQueue> queue = CurrentQueue();
  for (;;) {
    // A filter window that is gone fails every retrieval, as on the device.
    if (hWnd && !FindOwnWindow(hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE, -1);
    if (DeliverSentMessages(guard, *queue)) continue;
    const Found found = TakeMessage(*queue, filter, remove, lpMsg);
    if (found != Found::kNothing) return wait && found == Found::kQuit ? 0 : 1;
    if (!wait) return 0;
    queue->wake.wait(guard);
  }
}

// The character a key makes, for TranslateMessage; 0 for none.
WCHAR CharacterOfKey(WPARAM key) {
  if ((key >= '0' && key <= '9')) return static_cast<WCHAR>(key);
  if (key >= 'A' && key <= 'Z') return static_cast<WCHAR>(key - 'A' + 'a');
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return static_cast<WCHAR>(key - VK_NUMPAD0 + '0');
  switch (key) {
    case VK_SPACE: return L' ';
    case VK_RETURN: return L'\r';
    case VK_BACK: return L'\b';
    case VK_ESCAPE: return 0x1B;
    default: return 0;
  }
}

}  // namespace

LRESULT CallWindowProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    if (auto window = FindOwnWindow(hwnd)) proc = window->proc;
  }
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

BOOL PostToQueue(MessageQueue& queue, const MSG& msg) {
  if (!queue.alive) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  if (queue.posted.size() >= kPostedLimit) return Fail(ERROR_NOT_ENOUGH_QUOTA, FALSE);
  queue.posted.push_back(msg);
  queue.wake.notify_all();
  return TRUE;
}

void DiscardMessagesFor(MessageQueue& queue, HWND hwnd) {
  for (auto it = queue.posted.begin(); it != queue.posted.end();)
    it = it->hwnd == hwnd ? queue.posted.erase(it) : it + 1;
}

void AbandonQueue(MessageQueue& queue) {
  queue.alive = false;
  queue.posted.clear();
  for (const auto& sent : queue.sent) {
    sent->done = true;
    sent->sender->wake.notify_all();
  }
  queue.sent.clear();
}

}  // namespace kelvane

using namespace kelvane;

// ---- GetMessageW ----
BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  return RetrieveMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true, true);
}

// ---- PeekMessageW ----
BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  return RetrieveMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, false, (wRemoveMsg & PM_REMOVE) != 0) > 0;
}

// ---- TranslateMessage ----
// A key that makes a character puts WM_CHAR at the head of the queue, so it
// comes before the key's WM_KEYUP.
BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_KEYUP)) return FALSE;
  const WCHAR ch = lpMsg->message == WM_KEYDOWN ? CharacterOfKey(lpMsg->wParam) : 0;
  if (ch) {
    std::lock_guard<std::mutex> guard(WindowLock());
    CurrentQueue()->posted.push_front(MakeMessage(lpMsg->hwnd, WM_CHAR, ch, lpMsg->lParam));
  }
  return TRUE;
}

// ---- DispatchMessageW ----
// Messages without a window (posted to the thread) are not dispatched.
LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
  if (!lpMsg) return Fail(ERROR_INVALID_PARAMETER, LRESULT{0});
  if (!lpMsg->hwnd) return 0;
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    if (!FindOwnWindow(lpMsg->hwnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE, LRESULT{0});
  }
  return CallWindowProcedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

// ---- PostMessageW ----
// A null window posts to the calling thread. A window of another process on
// the device is reached through that process's port.
BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd && !IsOwnProcessWindow(hWnd)) {
    if (!TopLevelExists(hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    char line[128];
    std::snprintf(line, sizeof line, "post %llx %u %llu %lld\n",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hWnd)), Msg,
                  static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
    if (!WriteToProcessPort(ProcessOfWindow(hWnd), line)) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    return TRUE;
  }
  std::lock_guard<std::mutex> guard(WindowLock());
  if (!hWnd) return PostToQueue(*CurrentQueue(), MakeMessage(nullptr, Msg, wParam, lParam));
  auto window = FindOwnWindow(hWnd);
  if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
  return PostToQueue(*window->queue, MakeMessage(hWnd, Msg, wParam, lParam));
}

// ---- SendMessageW ----
// On the window's own thread the procedure is called directly. From another
// thread the message waits in the window's queue until its thread retrieves
// messages; meanwhile the sender still delivers messages sent to itself, so
// two threads sending to each other do not deadlock. A window whose thread
// ends first answers 0. Windows of other processes cannot be sent to here.
LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd && !IsOwnProcessWindow(hWnd))
    return Fail(TopLevelExists(hWnd) ? ERROR_NOT_SUPPORTED : ERROR_INVALID_WINDOW_HANDLE, LRESULT{0});
  std::unique_lock<std::mutex> guard(WindowLock());
  auto window = FindOwnWindow(hWnd);
  if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, LRESULT{0});
  std::shared_ptr<MessageQueue> me = CurrentQueue();
  if (window->queue == me) {
    const WNDPROC proc = window->proc;
    guard.unlock();
    return proc(hWnd, Msg, wParam, lParam);
  }
  if (!window->queue->alive) return Fail(ERROR_INVALID_WINDOW_HANDLE, LRESULT{0});
  auto sent = std::make_shared<SentMessage>();
  sent->msg = MakeMessage(hWnd, Msg, wParam, lParam);
  sent->sender = me;
  window->queue->sent.push_back(sent);
  window->queue->wake.notify_all();
  while (!sent->done)
    if (!DeliverSentMessages(guard, *me)) me->wake.wait(guard);
  return sent->result;
}

// ---- PostQuitMessage ----
void WINAPI PostQuitMessage(int nExitCode) {
  std::lock_guard<std::mutex> guard(WindowLock());
  std::shared_ptr<MessageQueue> queue = CurrentQueue();
  queue->quit = true;
  queue->quit_code = nExitCode;
  queue->wake.notify_all();
}

// ---- DefWindowProcW ----
LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_ERASEBKGND: {
      HBRUSH background = nullptr;
      {
        std::lock_guard<std::mutex> guard(WindowLock());
        if (auto window = FindOwnWindow(hWnd)) background = window->window_class->background;
      }
      return FillWithBrush(reinterpret_cast<HDC>(wParam), background) ? 1 : 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (BeginPaint(hWnd, &ps)) EndPaint(hWnd, &ps);
      return 0;
    }
    default:
      return 0;
  }
}
