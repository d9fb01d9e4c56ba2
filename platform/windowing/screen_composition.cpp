// Composing the screen: windows at their places, then the open soft-key menu
// (above the soft-key bar, at the right, each pop-up to the left of its item)
// and the message boxes, centred, newest on top.
#include "internal/display.h"
#include "internal/overlays.h"
#include "internal/quoted_text.h"
#include "internal/screen.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace kelvane {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kMenuBackground = RGB(224, 224, 224);
constexpr COLORREF kHighlight = RGB(0, 0, 128);
constexpr WCHAR kCheckMark = L'\u2713';
constexpr WCHAR kPopUpMark = L'\u25B8';

// Locked. Copies a top-level window's painted cells to their screen places.
void DrawWindow(const Window& window, Screen* screen) {
  if (!window.visible) return;
  const LONG width = window.Width();
  for (LONG y = 0; y < window.Height(); ++y) {
    const LONG sy = window.rect.top + y;
    if (sy < 0 || sy >= screen->rows) continue;
    for (LONG x = 0; x < width; ++x) {
      const LONG sx = window.rect.left + x;
      if (sx >= 0 && sx < screen->columns) screen->At(sy, sx) = window.frame[static_cast<size_t>(y * width + x)];
    }
  }
}

void Put(Screen* screen, LONG row, LONG column, WCHAR ch, COLORREF fg, COLORREF bg) {
  if (row < 0 || row >= screen->rows || column < 0 || column >= screen->columns) return;
  screen->At(row, column) = Cell{ch, fg, bg};
}

void PutText(Screen* screen, LONG row, LONG column, const std::wstring& text, COLORREF fg, COLORREF bg) {
  for (size_t i = 0; i < text.size(); ++i) Put(screen, row, column + static_cast<LONG>(i), text[i], fg, bg);
}

// A frame of box-drawing characters around a filled rectangle.
void DrawFrame(Screen* screen, RECT r, COLORREF fg, COLORREF bg) {
  for (LONG y = r.top; y < r.bottom; ++y)
    for (LONG x = r.left; x < r.right; ++x) {
      WCHAR ch = L' ';
      const bool top = y == r.top, bottom = y == r.bottom - 1, left = x == r.left, right = x == r.right - 1;
      if ((top || bottom) && (left || right)) ch = top ? (left ? L'\u250C' : L'\u2510') : (left ? L'\u2514' : L'\u2518');
      else if (top || bottom) ch = L'\u2500';
      else if (left || right) ch = L'\u2502';
      Put(screen, y, x, ch, fg, bg);
    }
}

void DrawMenu(const std::vector<MenuLevel>& levels, Screen* screen) {
  LONG right = screen->columns, anchor_row = screen->rows - 1;  // the first level sits on the soft-key bar
  bool first = true;
  for (const MenuLevel& level : levels) {
    size_t longest = 0;
    for (const auto& item : level.items) longest = std::max(longest, item.text.size());
    const LONG width = static_cast<LONG>(longest) + 6, height = static_cast<LONG>(level.items.size()) + 2;
    LONG left = std::max<LONG>(0, right - width);
    LONG top = first ? anchor_row - height : anchor_row;
    top = std::max<LONG>(0, std::min(top, screen->rows - 1 - height));
    DrawFrame(screen, {left, top, left + width, top + height}, kBlack, kMenuBackground);
    for (size_t i = 0; i < level.items.size(); ++i) {
      const MenuItemView& item = level.items[i];
      const bool selected = i == level.selected;
      const COLORREF fg = selected ? kWhite : kBlack, bg = selected ? kHighlight : kMenuBackground;
      const LONG row = top + 1 + static_cast<LONG>(i);
      std::wstring line(static_cast<size_t>(width - 2), L' ');
      if (item.checked) line[0] = kCheckMark;
      line.replace(2, item.text.size(), item.text);
      if (item.popup) line.back() = kPopUpMark;
      PutText(screen, row, left + 1, line, fg, bg);
    }
    // The next pop-up opens beside the selected item, towards the left.
    right = left + 2;
    anchor_row = top + 1 + static_cast<LONG>(level.selected);
    first = false;
  }
}

// The text broken into lines of at most `width` characters, at spaces where it can.
std::vector<std::wstring> Wrap(const std::wstring& text, size_t width) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring paragraph = text.substr(start, end - start);
    if (!paragraph.empty() && paragraph.back() == L'\r') paragraph.pop_back();
    do {
      size_t cut = paragraph.size() <= width ? paragraph.size() : paragraph.rfind(L' ', width);
      if (cut == std::wstring::npos || cut == 0) cut = std::min(width, paragraph.size());
      lines.push_back(paragraph.substr(0, cut));
      paragraph.erase(0, cut);
      if (!paragraph.empty() && paragraph.front() == L' ') paragraph.erase(0, 1);
    } while (!paragraph.empty());
    start = end + 1;
  }
  return lines;
}

void DrawBox(const BoxView& box, Screen* screen) {
  if (screen->columns < 8 || screen->rows < 5) return;
  std::wstring buttons;
  std::vector<std::pair<size_t, size_t>> spans;  // where each button's label lies in `buttons`
  for (int id : box.buttons) {
    if (!buttons.empty()) buttons += L" ";
    spans.emplace_back(buttons.size(), ButtonLabel(id).size() + 4);
    buttons += L"[ " + ButtonLabel(id) + L" ]";
  }
  const size_t widest = static_cast<size_t>(screen->columns - 4);
  const std::vector<std::wstring> lines = Wrap(box.text, widest);
  size_t inner = std::max(buttons.size(), box.caption.size() + 2);
  for (const auto& line : lines) inner = std::max(inner, line.size());
  inner = std::min(inner, widest);
  const size_t shown = std::min(lines.size(), static_cast<size_t>(screen->rows - 4));
  const size_t scroll = std::min(box.scroll, lines.size() - shown);
  const LONG width = static_cast<LONG>(inner) + 2, height = static_cast<LONG>(shown) + 4;
  const LONG left = (screen->columns - width) / 2, top = (screen->rows - height) / 2;
  DrawFrame(screen, {left, top, left + width, top + height}, kBlack, kWhite);
  if (!box.caption.empty())
    PutText(screen, top, left + 1, (L" " + box.caption + L" ").substr(0, inner), kWhite, kHighlight);
  for (size_t i = 0; i < shown; ++i) PutText(screen, top + 1 + static_cast<LONG>(i), left + 1, lines[scroll + i], kBlack, kWhite);
  const LONG buttons_left = left + 1 + static_cast<LONG>((inner - std::min(inner, buttons.size())) / 2);
  for (size_t i = 0; i < spans.size(); ++i) {
    const bool selected = i == box.selected;
    PutText(screen, top + height - 2, buttons_left + static_cast<LONG>(spans[i].first),
            buttons.substr(spans[i].first, spans[i].second), selected ? kWhite : kBlack, selected ? kHighlight : kWhite);
  }
}

}  // namespace

std::wstring ButtonLabel(int id) {
  switch (id) {
    case IDOK: return L"OK";
    case IDCANCEL: return L"Cancel";
    case IDABORT: return L"Abort";
    case IDRETRY: return L"Retry";
    case IDIGNORE: return L"Ignore";
    case IDYES: return L"Yes";
    case IDNO: return L"No";
    default: return L"?";
  }
}

Screen ComposeScreen(HWND shown) {
  const SIZE size = ScreenSize();
  Screen screen;
  screen.columns = size.cx;
  screen.rows = size.cy;
  screen.cells.resize(static_cast<size_t>(size.cx * size.cy));
  {
    std::lock_guard<std::mutex> guard(WindowLock());
    if (auto window = FindOwnWindow(shown)) {
      char line[96];
      std::snprintf(line, sizeof line, "window 0x%016llx pid %d visible %d activations %d class ",
                    static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(shown)), static_cast<int>(getpid()),
                    window->visible ? 1 : 0, window->activations);
      screen.window_line = line + QuoteText(window->window_class->name) + " title " + QuoteText(window->title);
      screen.title = window->title;
      screen.has_window = true;
      screen.window_rect = window->rect;
      screen.icon = window->window_class->icon;
      DrawWindow(*window, &screen);
      for (const auto& owned : OwnWindows())
        if (owned->IsTopLevel() && owned->owner == shown && window->visible) DrawWindow(*owned, &screen);
    }
  }
  DrawMenu(OpenMenuLevels(), &screen);
  for (const BoxView& box : OpenBoxes()) DrawBox(box, &screen);
  return screen;
}

}  // namespace kelvane
