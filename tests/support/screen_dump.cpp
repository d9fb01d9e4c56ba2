#include "support/screen_dump.h"

#include "internal/quoted_text.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kelvane::testing {
namespace {

bool ParseWindow(const std::string& line, ScreenDump::Window* window) {
  if (line == "window none") return true;
  std::istringstream in(line);
  std::string word, hwnd, pid_word, visible_word, activations_word, class_word;
  int visible = 0;
  if (!(in >> word >> hwnd >> pid_word >> window->pid >> visible_word >> visible >> activations_word >>
        window->activations >> class_word) ||
      word != "window" || pid_word != "pid" || visible_word != "visible" || activations_word != "activations" ||
      class_word != "class")
    return false;
  window->hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(hwnd.c_str(), nullptr, 16)));
  window->visible = visible != 0;
  size_t pos = static_cast<size_t>(in.tellg()) + 1;
  if (!UnquoteText(line, &pos, &window->class_name)) return false;
  const std::string title_word = " title ";
  if (line.compare(pos, title_word.size(), title_word) != 0) return false;
  pos += title_word.size();
  return UnquoteText(line, &pos, &window->title);
}

// The quoted caption and text that end a box's line, the caption at `pos`.
bool ParseCaptionAndText(const std::string& line, size_t pos, std::wstring* caption, std::wstring* text) {
  if (!UnquoteText(line, &pos, caption)) return false;
  ++pos;
  return UnquoteText(line, &pos, text);
}

bool ParseMessageBox(const std::string& line, ScreenDump::Box* box) {
  std::istringstream in(line);
  std::string word, type;
  if (!(in >> word >> box->answer >> type) || word != "messagebox") return false;
  box->type = static_cast<UINT>(std::strtoul(type.c_str(), nullptr, 16));
  return ParseCaptionAndText(line, static_cast<size_t>(in.tellg()) + 1, &box->caption, &box->text);
}

// The overlay lines between "cursor" and "rows"; false for a malformed one.
bool ParseOverlay(const std::string& line, ScreenDump* dump) {
  std::istringstream in(line);
  std::string word;
  in >> word;
  if (word == "messagebox") {
    ScreenDump::Box box;
    if (!ParseMessageBox(line, &box)) return false;
    dump->message_boxes.push_back(box);
    return true;
  }
  if (word == "windowrect") {
    RECT& r = dump->window_rect;
    dump->has_window_rect = true;
    return static_cast<bool>(in >> r.left >> r.top >> r.right >> r.bottom);
  }
  if (word == "classicon") {
    dump->has_class_icon = true;
    if (!(in >> dump->class_icon_id)) return false;
    ScreenDump::IconImage image;
    char times = 0, slash = 0;
    while (in >> image.width >> times >> image.height >> slash >> image.colours) {
      if (times != 'x' || slash != '/') return false;
      dump->class_icon_images.push_back(image);
    }
    return in.eof() && !dump->class_icon_images.empty();
  }
  if (word == "softkeys") {
    size_t pos = word.size();
    while (pos < line.size()) {
      ++pos;
      std::wstring label;
      if (!UnquoteText(line, &pos, &label)) return false;
      dump->soft_keys.push_back(label);
    }
    return true;
  }
  if (word == "shell") {
    std::string a, s;
    return static_cast<bool>(in >> a >> dump->shell_activations >> s >> dump->shell_setting_changes) &&
           a == "activations" && s == "settingchanges";
  }
  if (word == "menu") {
    ScreenDump::Menu menu;
    size_t depth;
    std::string selected_word;
    if (!(in >> depth >> selected_word >> menu.selected) || depth != dump->menus.size()) return false;
    dump->menus.push_back(menu);
    return true;
  }
  if (word == "item") {
    ScreenDump::MenuItem item;
    int checked = 0;
    if (dump->menus.empty() || !(in >> item.command >> checked)) return false;
    item.checked = checked != 0;
    size_t pos = static_cast<size_t>(in.tellg()) + 1;
    if (!UnquoteText(line, &pos, &item.text)) return false;
    dump->menus.back().items.push_back(item);
    return true;
  }
  if (word == "openbox") {
    ScreenDump::OpenBox box;
    std::string type, selected_word;
    if (!(in >> type >> selected_word >> box.selected)) return false;
    box.type = static_cast<UINT>(std::strtoul(type.c_str(), nullptr, 16));
    if (!ParseCaptionAndText(line, static_cast<size_t>(in.tellg()) + 1, &box.caption, &box.text)) return false;
    dump->open_boxes.push_back(box);
    return true;
  }
  return false;
}

}  // namespace

const ScreenDump::MenuItem* ScreenDump::FindMenuItem(const std::wstring& text) const {
  for (const auto& menu : menus)
    for (const auto& item : menu.items)
      if (item.text == text) return &item;
  return nullptr;
}

ScreenDump::Colours ScreenDump::At(int row, int column) const {
  if (row < 0 || row >= rows || column < 0 || column >= columns) return {};
  return colours[static_cast<size_t>(row * columns + column)];
}

int ScreenDump::FindRow(const std::string& needle) const {
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i].find(needle) != std::string::npos) return static_cast<int>(i);
  return -1;
}

bool ReadScreenDump(const std::filesystem::path& root, ScreenDump* dump) {
  std::ifstream in(root / "screen.txt");
  std::string line, word;
  *dump = ScreenDump{};
  if (!std::getline(in, line) || std::sscanf(line.c_str(), "screen %d %d", &dump->columns, &dump->rows) != 2)
    return false;
  if (!std::getline(in, line) || !ParseWindow(line, &dump->window)) return false;
  if (!std::getline(in, line) || line.rfind("cursor ", 0) != 0) return false;
  dump->cursor = line.substr(7);
  while (std::getline(in, line) && line != "rows")
    if (!ParseOverlay(line, dump)) return false;
  for (int row = 0; row < dump->rows; ++row) {
    if (!std::getline(in, line)) return false;
    dump->text.push_back(line);
  }
  if (!std::getline(in, line) || line != "colours") return false;
  dump->colours.assign(static_cast<size_t>(dump->rows * dump->columns), ScreenDump::Colours{});
  size_t covered = 0;
  while (std::getline(in, line) && line != "end") {
    int row, column, count;
    unsigned long fg, bg;
    if (std::sscanf(line.c_str(), "%d %d %d %lu %lu", &row, &column, &count, &fg, &bg) != 5) return false;
    if (row < 0 || row >= dump->rows || column < 0 || count < 1 || column + count > dump->columns) return false;
    for (int x = column; x < column + count; ++x)
      dump->colours[static_cast<size_t>(row * dump->columns + x)] = {static_cast<COLORREF>(fg),
                                                                      static_cast<COLORREF>(bg)};
    covered += static_cast<size_t>(count);
  }
  return line == "end" && covered == dump->colours.size();
}

}  // namespace kelvane::testing
