// Message boxes. A box is modal: MessageBoxW runs a message loop of its own
// until a key answers it, so the caller's windows keep painting meanwhile.
// On a headless display nobody looks, so a box is answered at once (the
// profile's "messageBoxAnswer" when the box has that button, else its
// default button) unless the profile asks for "keys" and the process has a
// window to hear them.
#include "internal/device_root.h"
#include "internal/display.h"
#include "internal/last_error.h"
#include "internal/overlays.h"
#include "internal/profile_value.h"
#include "internal/terminal_display.h"
#include "internal/window_session.h"
#include "internal/windowing.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>

namespace kelvane {
namespace {

// The buttons of each box type (MB_TYPEMASK), left to right.
const std::vector<int> kButtons[] = {
    {IDOK},                        // MB_OK
    {IDOK, IDCANCEL},              // MB_OKCANCEL
    {IDABORT, IDRETRY, IDIGNORE},  // MB_ABORTRETRYIGNORE
    {IDYES, IDNO, IDCANCEL},       // MB_YESNOCANCEL
    {IDYES, IDNO},                 // MB_YESNO
    {IDRETRY, IDCANCEL},           // MB_RETRYCANCEL
};

// The dump lists this many of the process's latest answered boxes.
constexpr size_t kAnsweredKept = 16;

struct WaitingBox {
  BoxView view;
  int answer = 0;
  uint64_t serial = 0;  // its record among the answered boxes
  std::shared_ptr<MessageQueue> queue;  // the thread that waits in MessageBoxW
};

std::mutex g_lock;
std::vector<std::shared_ptr<WaitingBox>> g_waiting;
std::deque<std::pair<uint64_t, AnsweredBox>> g_answered;  // by serial
uint64_t g_next_serial = 1;

// Under g_lock. Records a box; a waiting box is recorded with answer 0.
uint64_t Record(const BoxView& view, int answer) {
  g_answered.push_back({g_next_serial, {view.caption, view.text, view.type, answer}});
  if (g_answered.size() > kAnsweredKept) g_answered.pop_front();
  return g_next_serial++;
}

// How the profile answers boxes: a button, or none (0).
int ConfiguredAnswer() {
  const Json::Value& answer = MemberOf(Profile(), "messageBoxAnswer");
  if (answer.isInt()) return answer.asInt();
  return answer.isString() ? ButtonNamed(answer.asString()) : 0;
}

// "keys": boxes wait for the device's keys; "input": for an injected
// "answer" line as well, even in a process without a window of its own.
std::string WaitingMode() {
  const Json::Value& answer = MemberOf(Profile(), "messageBoxAnswer");
  return answer.isString() ? answer.asString() : std::string();
}

// Gives a waiting box its answer; false when it had one already.
bool Settle(const std::shared_ptr<WaitingBox>& box, int answer) {
  std::lock_guard<std::mutex> guard(g_lock);
  auto it = std::find(g_waiting.begin(), g_waiting.end(), box);
  if (it == g_waiting.end()) return false;
  g_waiting.erase(it);
  box->answer = answer;
  for (auto& record : g_answered)
    if (record.first == box->serial) record.second.answer = answer;
  return true;
}

// Answers a box and wakes the thread that waits for it with a thread
// message, which its loop takes as the end.
void Answer(const std::shared_ptr<WaitingBox>& box, int answer) {
  if (!Settle(box, answer)) return;
  std::lock_guard<std::mutex> guard(WindowLock());
  MSG wake{};
  wake.message = WM_NULL;
  PostToQueue(*box->queue, wake);
}

bool Answered(const std::shared_ptr<WaitingBox>& box) {
  std::lock_guard<std::mutex> guard(g_lock);
  return box->answer != 0;
}

int RunModal(const BoxView& view) {
  auto box = std::make_shared<WaitingBox>();
  box->view = view;
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    box->queue = CurrentQueue();
  }
  {
    std::lock_guard<std::mutex> guard(g_lock);
    box->serial = Record(view, 0);
    g_waiting.push_back(box);
  }
  RefreshScreenForBox();
  const int default_answer = view.buttons[view.selected];
  MSG msg;
  // Checked before each wait as well: a box opened over this one (in a
  // message this loop dispatched) may have taken this box's wake-up.
  while (!Answered(box)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The thread is quitting: the box goes with its default answer and the
      // quit is left for the caller's loop.
      Settle(box, default_answer);
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!msg.hwnd && msg.message == WM_NULL && Answered(box)) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  std::lock_guard<std::mutex> guard(g_lock);
  return box->answer;
}

}  // namespace

std::vector<BoxView> OpenBoxes() {
  std::lock_guard<std::mutex> guard(g_lock);
  std::vector<BoxView> out;
  for (const auto& box : g_waiting) out.push_back(box->view);
  return out;
}

std::vector<AnsweredBox> AnsweredBoxes() {
  std::lock_guard<std::mutex> guard(g_lock);
  std::vector<AnsweredBox> out;
  for (const auto& record : g_answered) out.push_back(record.second);
  return out;
}

int ButtonNamed(const std::string& name) {
  static const struct {
    const char* name;
    int id;
  } kNames[] = {{"IDOK", IDOK},         {"IDCANCEL", IDCANCEL}, {"IDABORT", IDABORT}, {"IDRETRY", IDRETRY},
                {"IDIGNORE", IDIGNORE}, {"IDYES", IDYES},       {"IDNO", IDNO}};
  for (const auto& entry : kNames)
    if (name == entry.name) return entry.id;
  char* end = nullptr;
  const long number = std::strtol(name.c_str(), &end, 10);
  return !name.empty() && *end == '\0' && number > 0 && number <= IDNO ? static_cast<int>(number) : 0;
}

// The oldest waiting box that has the button takes it, as modal boxes
// stack and the first must be answered first.
bool AnswerMessageBox(int button) {
  std::shared_ptr<WaitingBox> box;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    for (const auto& waiting : g_waiting) {
      const auto& buttons = waiting->view.buttons;
      if (std::find(buttons.begin(), buttons.end(), button) != buttons.end()) {
        box = waiting;
        break;
      }
    }
  }
  if (!box) return false;
  Answer(box, button);
  RefreshScreenForBox();
  return true;
}

bool BoxTakesKey(UINT key) {
  std::shared_ptr<WaitingBox> box;
  int answer = 0;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_waiting.empty()) return false;
    box = g_waiting.back();
    BoxView& view = box->view;
    const auto has = [&](int id) { return std::find(view.buttons.begin(), view.buttons.end(), id) != view.buttons.end(); };
    switch (key) {
      case VK_LEFT: view.selected = view.selected > 0 ? view.selected - 1 : 0; break;
      case VK_RIGHT: view.selected = std::min(view.selected + 1, view.buttons.size() - 1); break;
      case VK_UP: view.scroll = view.scroll > 0 ? view.scroll - 1 : 0; break;
      case VK_DOWN: ++view.scroll; break;  // the display stops at the last line
      case VK_RETURN: answer = view.buttons[view.selected]; break;
      case VK_TSOFT1: answer = view.buttons.front(); break;
      case VK_TSOFT2: answer = view.buttons.back(); break;
      case VK_ESCAPE:
        // As on the platform: Escape answers only a box that can be cancelled.
        if (has(IDCANCEL)) answer = IDCANCEL;
        else if (view.buttons.size() == 1) answer = view.buttons.front();
        break;
      default: break;
    }
  }
  if (answer) Answer(box, answer);
  RefreshScreenForBox();
  return true;
}

}  // namespace kelvane

using namespace kelvane;

// ---- MessageBoxW ----
// The default button is the first unless MB_DEFBUTTONn names another that
// the box has. A null text or caption shows as empty.
int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  const UINT kind = uType & MB_TYPEMASK;
  if (kind >= sizeof kButtons / sizeof kButtons[0]) return Fail(ERROR_INVALID_PARAMETER, 0);
  if (hWnd && !IsWindow(hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE, 0);
  BoxView view;
  view.caption = lpCaption ? lpCaption : L"";
  view.text = lpText ? lpText : L"";
  view.type = uType;
  view.buttons = kButtons[kind];
  const size_t default_index = (uType & MB_DEFMASK) >> 8;
  view.selected = default_index < view.buttons.size() ? default_index : 0;
  const std::string mode = WaitingMode();
  const bool terminal = DisplayKind() == "terminal";
  // Only a process with a window hears keys; an injected answer reaches any
  // process that waits for one.
  // On a terminal display only the running ncurses display hears keys; else
  // the person at the terminal is asked in plain text.
  const bool hears_keys = terminal ? TerminalDisplayRuns() : mode == "keys" && WindowSessionRuns();
  if (mode == "input" || hears_keys) {
    const int answer = RunModal(view);
    RefreshScreenForBox();
    return answer;
  }
  int answer = terminal ? AskOnTerminal(view.text, view.caption, view.buttons, view.buttons[view.selected]) : 0;
  if (!answer) {
    answer = view.buttons[view.selected];
    const int configured = ConfiguredAnswer();
    for (int id : view.buttons)
      if (id == configured) answer = configured;
  }
  {
    std::lock_guard<std::mutex> guard(g_lock);
    Record(view, answer);
  }
  RefreshScreenForBox();
  return answer;
}
