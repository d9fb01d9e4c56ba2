// The headless display ("display": "none"): the screen is a grid of
// character cells, and whatever the device's foreground window shows is
// written, with its colours, to ROOT/screen.txt after each change. The format
// is described in docs/headless-display.md; keep the two in step.
#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/device_windows.h"
#include "internal/display.h"
#include "internal/quoted_text.h"
#include "internal/windowing.h"

#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstdio>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>

namespace kelvane {
namespace {

constexpr LONG kDefaultColumns = 40;
constexpr LONG kDefaultRows = 20;
constexpr LONG kLargestSide = 1000;
// The dump lists this many of the process's latest message boxes.
constexpr size_t kBoxesKept = 16;

struct MessageBoxRecord {
  std::wstring text;
  std::wstring caption;
  UINT type;
  int answer;  // 0 while the box waits for its answer
  uint64_t serial;
};

std::mutex g_boxes_lock;
std::deque<MessageBoxRecord> g_boxes;
uint64_t g_next_serial = 1;

LONG ProfileSide(const char* key, LONG fallback) {
  return static_cast<LONG>(ReadInteger(MemberOf(Profile(), key), key, fallback, 1, kLargestSide));
}

void WarnOfOtherDisplays() {
  static std::once_flag once;
  std::call_once(once, [] {
    const std::string display = ReadText(MemberOf(Profile(), "display"), "display", "none");
    if (display != "none")
      std::fprintf(stderr, "device: display \"%s\" is not available; the display is \"none\"\n", display.c_str());
  });
}

// The screen as this process shows it: the window's painted cells at its
// place on the screen, over blank cells.
struct Screen {
  LONG columns;
  LONG rows;
  std::vector<Cell> cells;
  std::string window_line = "window none";
};

Screen Compose(HWND hwnd) {
  const SIZE size = ScreenSize();
  Screen screen{size.cx, size.cy, std::vector<Cell>(static_cast<size_t>(size.cx * size.cy))};
  std::lock_guard<std::mutex> guard(WindowLock());
  auto window = FindOwnWindow(hwnd);
  if (!window) return screen;
  char line[96];
  std::snprintf(line, sizeof line, "window 0x%016llx pid %d visible %d activations %d class ",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)), static_cast<int>(getpid()),
                window->visible ? 1 : 0, window->activations);
  screen.window_line = line + QuoteText(window->window_class->name) + " title " + QuoteText(window->title);
  if (!window->visible) return screen;
  const LONG width = window->Width();
  for (LONG y = 0; y < window->Height(); ++y) {
    const LONG sy = window->rect.top + y;
    if (sy < 0 || sy >= screen.rows) continue;
    for (LONG x = 0; x < width; ++x) {
      const LONG sx = window->rect.left + x;
      if (sx >= 0 && sx < screen.columns) screen.cells[sy * screen.columns + sx] = window->frame[y * width + x];
    }
  }
  return screen;
}

std::string ShownCharacter(WCHAR ch) { return ch < 0x20 || ch == 0x7F ? "?" : Narrow(std::wstring(1, ch)); }

std::string DumpText(const Screen& screen) {
  std::ostringstream out;
  out << "screen " << screen.columns << " " << screen.rows << "\n" << screen.window_line << "\n";
  out << "cursor " << CurrentCursorName() << "\n";
  {
    std::lock_guard<std::mutex> guard(g_boxes_lock);
    for (const auto& box : g_boxes) {
      char head[48];
      std::snprintf(head, sizeof head, "messagebox %d 0x%08x ", box.answer, box.type);
      out << head << QuoteText(box.caption) << " " << QuoteText(box.text) << "\n";
    }
  }
  out << "rows\n";
  for (LONG y = 0; y < screen.rows; ++y) {
    std::string row;
    for (LONG x = 0; x < screen.columns; ++x) row += ShownCharacter(screen.cells[y * screen.columns + x].ch);
    row.erase(row.find_last_not_of(' ') + 1);
    out << row << "\n";
  }
  out << "colours\n";
  for (LONG y = 0; y < screen.rows; ++y) {
    const Cell* cells = &screen.cells[y * screen.columns];
    for (LONG start = 0, x = 1; x <= screen.columns; ++x) {
      if (x < screen.columns && cells[x].fg == cells[start].fg && cells[x].bg == cells[start].bg) continue;
      out << y << " " << start << " " << x - start << " " << cells[start].fg << " " << cells[start].bg << "\n";
      start = x;
    }
  }
  out << "end\n";
  return out.str();
}

// Called with the device lock held, so that no other process changes the
// foreground or writes the dump meanwhile. The file is replaced whole.
void WriteDump(HWND hwnd) {
  WarnOfOtherDisplays();
  const std::string text = DumpText(Compose(hwnd));
  const auto path = DeviceRoot() / "screen.txt";
  const std::string temp = path.string() + "." + std::to_string(getpid()) + ".new";
  {
    std::ofstream out(temp, std::ios::trunc | std::ios::binary);
    out << text;
    if (!out) return;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
}

// The box waiting for its answer from injected input. A second box of the
// process waits until the first is answered, as modal boxes stack.
struct PendingBox {
  std::mutex showing;  // held by the box that waits
  std::mutex lock;
  std::condition_variable answered;
  const std::vector<int>* buttons = nullptr;
  int answer = 0;
};

PendingBox& Pending() {
  static PendingBox* pending = new PendingBox;  // outlives static destructors
  return *pending;
}

bool OnTerminalDisplay() { return ReadText(MemberOf(Profile(), "display"), "display", "none") == "terminal"; }

bool AnswersFromInput() {
  const Json::Value& answer = MemberOf(Profile(), "messageBoxAnswer");
  return answer.isString() && answer.asString() == "input";
}

void DumpBoxes() {
  DeviceWindowsLock lock;
  if (lock.held()) {
    const HWND foreground = lock.Read().foreground;
    WriteDump(IsOwnProcessWindow(foreground) ? foreground : nullptr);
  }
}

// Adds the box to the dump; returns its serial.
uint64_t Record(const std::wstring& text, const std::wstring& caption, UINT type, int answer) {
  uint64_t serial;
  {
    std::lock_guard<std::mutex> guard(g_boxes_lock);
    serial = g_next_serial++;
    g_boxes.push_back({text, caption, type, answer, serial});
    if (g_boxes.size() > kBoxesKept) g_boxes.pop_front();
  }
  DumpBoxes();
  return serial;
}

void RecordAnswer(uint64_t serial, int answer) {
  {
    std::lock_guard<std::mutex> guard(g_boxes_lock);
    for (auto& box : g_boxes)
      if (box.serial == serial) box.answer = answer;
  }
  DumpBoxes();
}

int AnswerFromInput(const std::wstring& text, const std::wstring& caption, UINT type,
                    const std::vector<int>& buttons) {
  PendingBox& box = Pending();
  std::lock_guard<std::mutex> showing(box.showing);
  {
    // Waiting before it shows, so that an answer to what the dump shows is
    // never lost.
    std::lock_guard<std::mutex> guard(box.lock);
    box.buttons = &buttons;
    box.answer = 0;
  }
  const uint64_t serial = Record(text, caption, type, 0);
  int answer;
  {
    std::unique_lock<std::mutex> guard(box.lock);
    box.answered.wait(guard, [&] { return box.answer != 0; });
    box.buttons = nullptr;
    answer = box.answer;
  }
  RecordAnswer(serial, answer);
  return answer;
}

int ConfiguredAnswer() {
  const Json::Value& answer = MemberOf(Profile(), "messageBoxAnswer");
  if (answer.isInt()) return answer.asInt();
  return answer.isString() ? ButtonNamed(answer.asString()) : 0;
}

}  // namespace

int ButtonNamed(const std::string& name) {
  static const struct {
    const char* name;
    int id;
  } kNames[] = {{"IDOK", IDOK},       {"IDCANCEL", IDCANCEL}, {"IDABORT", IDABORT}, {"IDRETRY", IDRETRY},
                {"IDIGNORE", IDIGNORE}, {"IDYES", IDYES},       {"IDNO", IDNO}};
  for (const auto& entry : kNames)
    if (name == entry.name) return entry.id;
  char* end = nullptr;
  const long number = std::strtol(name.c_str(), &end, 10);
  return !name.empty() && *end == '\0' && number > 0 && number <= IDNO ? static_cast<int>(number) : 0;
}

SIZE ScreenSize() { return {ProfileSide("displayColumns", kDefaultColumns), ProfileSide("displayRows", kDefaultRows)}; }

void RefreshScreen() {
  DeviceWindowsLock lock;
  if (!lock.held()) return;
  const HWND foreground = lock.Read().foreground;
  if (IsOwnProcessWindow(foreground)) WriteDump(foreground);
}

// Nobody answers a headless box: it takes the profile's "messageBoxAnswer"
// when the box has that button, else its default button, and it shows in
// the dump over whatever this process shows. With "input", the box shows
// unanswered (answer 0) and waits for an "answer" line of injected input.
// On a "terminal" display, a person at the process's terminal answers it.
int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT type, const std::vector<int>& buttons,
                   int default_button) {
  int answer = OnTerminalDisplay() ? AskOnTerminal(text, caption, buttons, default_button) : 0;
  if (!answer && AnswersFromInput()) return AnswerFromInput(text, caption, type, buttons);
  if (!answer) {
    answer = default_button;
    const int configured = ConfiguredAnswer();
    for (int id : buttons)
      if (id == configured) answer = configured;
  }
  Record(text, caption, type, answer);
  return answer;
}

bool AnswerMessageBox(int button) {
  PendingBox& box = Pending();
  std::lock_guard<std::mutex> guard(box.lock);
  if (!box.buttons || box.answer != 0) return false;
  for (int id : *box.buttons)
    if (id == button) {
      box.answer = button;
      box.answered.notify_all();
      return true;
    }
  return false;
}

}  // namespace kelvane
