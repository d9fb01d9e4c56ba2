// The display "terminal": ncurses draws the device's screen below a title
// row, in the terminal's nearest colours, and the terminal's keys become the
// device's keys. ncurses is not thread-safe, so every call into it is made
// under g_lock; the lock is never held while a key is routed, because
// routing redraws the screen.
#include "internal/terminal_display.h"

#include "internal/display.h"
#include "internal/icon_mark.h"
#include "internal/overlays.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <ncursesw/curses.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvane {
namespace {

constexpr char kStopByte = 'S';
constexpr char kResizeByte = 'R';
// The host note under the screen is read again this often (ms).
constexpr int kNotePeriod = 1000;
constexpr size_t kNoteLines = 3;
constexpr int kIconMarkWidth = 2;  // cells

std::mutex g_lock;
SCREEN* g_terminal = nullptr;
std::thread g_thread;
int g_wake[2] = {-1, -1};
std::atomic<int> g_signal_fd{-1};
struct sigaction g_old_winch {};
std::map<std::pair<short, short>, short> g_pairs;  // (fg, bg) -> pair
Screen g_last;                                     // what was drawn, for the note's redraws
std::string g_last_cursor;

void OnResizeSignal(int) {
  const int saved = errno;
  const int fd = g_signal_fd.load();
  const char byte = kResizeByte;
  if (fd >= 0 && write(fd, &byte, 1) < 0) {
    // A full pipe already holds a resize.
  }
  errno = saved;
}

// The terminal colour nearest to a COLORREF: the 6x6x6 cube and the grey
// ramp of a 256-colour terminal, else the eight basic colours.
short NearestColour(COLORREF colour) {
  const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  if (COLORS < 256)
    return static_cast<short>((r > 127 ? COLOR_RED : 0) | (g > 127 ? COLOR_GREEN : 0) | (b > 127 ? COLOR_BLUE : 0));
  static const int kLevels[] = {0, 95, 135, 175, 215, 255};
  auto level = [](int v) {
    int best = 0;
    for (int i = 1; i < 6; ++i)
      if (std::abs(kLevels[i] - v) < std::abs(kLevels[best] - v)) best = i;
    return best;
  };
  const int ri = level(r), gi = level(g), bi = level(b);
  const int cube_error = (kLevels[ri] - r) * (kLevels[ri] - r) + (kLevels[gi] - g) * (kLevels[gi] - g) +
                         (kLevels[bi] - b) * (kLevels[bi] - b);
  const int grey_index = std::min(23, std::max(0, ((r + g + b) / 3 - 8 + 5) / 10));
  const int grey = 8 + 10 * grey_index;
  const int grey_error = (grey - r) * (grey - r) + (grey - g) * (grey - g) + (grey - b) * (grey - b);
  return static_cast<short>(grey_error < cube_error ? 232 + grey_index : 16 + 36 * ri + 6 * gi + bi);
}

// Under g_lock. The colour pair of a cell's colours; pair 0 when the
// terminal has no pairs left.
short PairOf(COLORREF fg, COLORREF bg) {
  const std::pair<short, short> key{NearestColour(fg), NearestColour(bg)};
  auto it = g_pairs.find(key);
  if (it != g_pairs.end()) return it->second;
  const short pair = static_cast<short>(g_pairs.size() + 1);
  if (pair >= COLOR_PAIRS || init_pair(pair, key.first, key.second) == ERR) return 0;
  g_pairs[key] = pair;
  return pair;
}

void PutCell(int y, int x, wchar_t ch, short pair) {
  cchar_t cell;
  const wchar_t text[2] = {ch, L'\0'};
  setcchar(&cell, text, A_NORMAL, pair, nullptr);
  mvadd_wch(y, x, &cell);
}

void PutText(int y, int x, const std::wstring& text, short pair) {
  for (size_t i = 0; i < text.size() && x + static_cast<int>(i) < COLS; ++i)
    PutCell(y, x + static_cast<int>(i), text[i], pair);
}

// The last lines of the host file KELVANE_TERMINAL_NOTE (a demo's news).
std::vector<std::wstring> NoteLines() {
  const char* path = std::getenv("KELVANE_TERMINAL_NOTE");
  std::vector<std::wstring> lines;
  if (!path) return lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    lines.emplace_back(line.begin(), line.end());
    if (lines.size() > kNoteLines) lines.erase(lines.begin());
  }
  return lines;
}

// Under g_lock. The window's icon at the start of the title row: each cell
// an upper half block, its upper quarter in the text colour and its lower
// quarter in the background.
void DrawIconMark(const IconMark& mark, LONG width) {
  for (int x = 0; x < kIconMarkWidth && x < width; ++x)
    PutCell(0, x, L'\u2580', PairOf(mark.top[x], mark.bottom[x]));
}

// Under g_lock.
void Draw() {
  const Screen& screen = g_last;
  erase();
  const short title = PairOf(RGB(255, 255, 255), RGB(0, 0, 128));
  const LONG width = std::min<LONG>(screen.columns, COLS);
  std::wstring row(static_cast<size_t>(width), L' ');
  const std::wstring heading = (screen.icon ? std::wstring(static_cast<size_t>(kIconMarkWidth), L' ') : L"") + L" " + screen.title;
  row.replace(0, std::min(row.size(), heading.size()), heading.substr(0, row.size()));
  if (g_last_cursor == "wait" && width >= 3) row.replace(row.size() - 2, 1, L"\u231B");
  PutText(0, 0, row, title);
  if (screen.icon) DrawIconMark(MarkOf(*screen.icon), width);
  for (LONG y = 0; y < screen.rows && y + 1 < LINES; ++y)
    for (LONG x = 0; x < width; ++x) {
      const Cell& cell = screen.At(y, x);
      PutCell(static_cast<int>(y) + 1, static_cast<int>(x), cell.ch < 0x20 ? L'?' : cell.ch, PairOf(cell.fg, cell.bg));
    }
  const auto note = NoteLines();
  for (size_t i = 0; i < note.size(); ++i)
    if (screen.rows + 2 + static_cast<int>(i) < LINES) PutText(screen.rows + 2 + static_cast<int>(i), 0, note[i], 0);
  refresh();
}

// The device key of a terminal key; 0 for none.
UINT DeviceKeyOf(wint_t key, bool function_key) {
  if (function_key) {
    switch (key) {
      case KEY_F(1): return VK_TSOFT1;
      case KEY_F(2): return VK_TSOFT2;
      case KEY_UP: return VK_UP;
      case KEY_DOWN: return VK_DOWN;
      case KEY_LEFT: return VK_LEFT;
      case KEY_RIGHT: return VK_RIGHT;
      case KEY_ENTER: return VK_RETURN;
      case KEY_BACKSPACE: return VK_BACK;
      default: return 0;
    }
  }
  if (key >= L'0' && key <= L'9') return static_cast<UINT>(key);
  switch (key) {
    case L'\n':
    case L'\r': return VK_RETURN;
    case 27: return VK_ESCAPE;
    case 127:
    case L'\b': return VK_BACK;
    case L' ': return VK_SPACE;
    default: return 0;
  }
}

void Run() {
  pollfd fds[2] = {{g_wake[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
  for (;;) {
    const int ready = poll(fds, 2, kNotePeriod);
    if (ready < 0 && errno != EINTR) return;
    std::vector<UINT> keys;
    {
      std::lock_guard<std::mutex> guard(g_lock);
      if (ready > 0 && (fds[0].revents & POLLIN)) {
        char bytes[16];
        const ssize_t n = read(g_wake[0], bytes, sizeof bytes);
        for (ssize_t i = 0; i < n; ++i) {
          if (bytes[i] == kStopByte) return;
          winsize size{};
          if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) resize_term(size.ws_row, size.ws_col);
        }
      }
      wint_t key;
      int kind;
      while ((kind = get_wch(&key)) != ERR)
        if (const UINT vk = DeviceKeyOf(key, kind == KEY_CODE_YES)) keys.push_back(vk);
      if (keys.empty()) Draw();  // a resize, or the note's period
    }
    for (UINT key : keys) PressKey(key);
  }
}

}  // namespace

void StartTerminalDisplay() {
  if (DisplayKind() != "terminal") return;
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    std::fprintf(stderr, "device: display \"terminal\" needs a terminal; the screen is only dumped\n");
    return;
  }
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_terminal || pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) return;
  // Only the character type: the program's number formatting keeps its locale.
  std::setlocale(LC_CTYPE, "");
  g_terminal = newterm(nullptr, stdout, stdin);
  if (!g_terminal) {
    std::fprintf(stderr, "device: the terminal cannot be used; the screen is only dumped\n");
    for (int& fd : g_wake) {
      close(fd);
      fd = -1;
    }
    return;
  }
  set_term(g_terminal);
  cbreak();
  noecho();
  keypad(stdscr, TRUE);
  nodelay(stdscr, TRUE);
  set_escdelay(25);
  curs_set(0);
  if (has_colors()) start_color();
  g_signal_fd = g_wake[1];
  struct sigaction action {};
  action.sa_handler = OnResizeSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGWINCH, &action, &g_old_winch);
  g_thread = std::thread(Run);
}

void StopTerminalDisplay() {
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_terminal) return;
    const char byte = kStopByte;
    while (write(g_wake[1], &byte, 1) < 0 && errno == EINTR) {
    }
  }
  g_thread.join();
  std::lock_guard<std::mutex> guard(g_lock);
  sigaction(SIGWINCH, &g_old_winch, nullptr);
  g_signal_fd = -1;
  endwin();
  delscreen(g_terminal);
  g_terminal = nullptr;
  g_pairs.clear();
  for (int& fd : g_wake) {
    close(fd);
    fd = -1;
  }
}

bool TerminalDisplayRuns() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_terminal != nullptr;
}

void PresentOnTerminal(const Screen& screen, const std::string& cursor) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!g_terminal) return;
  g_last = screen;
  g_last_cursor = cursor;
  Draw();
}

}  // namespace kelvane
