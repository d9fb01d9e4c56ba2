// The screen dump, ROOT/screen.txt: what the device's foreground window
// shows, with its colours, the soft keys, the open menu and the message
// boxes, rewritten after each change. The format is described in
// docs/headless-display.md; keep the two in step.
#include "internal/device_root.h"
#include "internal/icons.h"
#include "internal/overlays.h"
#include "internal/quoted_text.h"
#include "internal/screen_dump.h"
#include "internal/shell_menu_bar.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace kelvane {
namespace {

std::string ShownCharacter(WCHAR ch) { return ch < 0x20 || ch == 0x7F ? "?" : Narrow(std::wstring(1, ch)); }

void DumpOverlays(const Screen& screen, HWND shown, std::ostringstream& out) {
  if (screen.has_window) {
    const RECT& r = screen.window_rect;
    out << "windowrect " << r.left << " " << r.top << " " << r.right << " " << r.bottom << "\n";
  }
  if (screen.icon) {
    out << "classicon " << screen.icon->id;
    for (const IconImage& image : screen.icon->images)
      out << " " << image.width << "x" << image.height << "/" << image.colours;
    out << "\n";
  }
  MenuBarView bar;
  if (shown && FindMenuBar(shown, &bar)) {
    out << "softkeys";
    for (const auto& key : bar.keys) out << " " << QuoteText(key.label);
    out << "\n";
  }
  const ShellHandlingCounts shell = ShellHandling();
  out << "shell activations " << shell.activations << " settingchanges " << shell.setting_changes << "\n";
  const std::vector<MenuLevel> levels = OpenMenuLevels();
  for (size_t depth = 0; depth < levels.size(); ++depth) {
    out << "menu " << depth << " selected " << levels[depth].selected << "\n";
    for (const auto& item : levels[depth].items)
      out << "item " << (item.popup ? 0 : item.command) << " " << (item.checked ? 1 : 0) << " "
          << QuoteText(item.text) << "\n";
  }
  for (const auto& box : OpenBoxes()) {
    char head[64];
    std::snprintf(head, sizeof head, "openbox 0x%08x selected %d ", box.type, box.buttons[box.selected]);
    out << head << QuoteText(box.caption) << " " << QuoteText(box.text) << "\n";
  }
  for (const auto& box : AnsweredBoxes()) {
    char head[48];
    std::snprintf(head, sizeof head, "messagebox %d 0x%08x ", box.answer, box.type);
    out << head << QuoteText(box.caption) << " " << QuoteText(box.text) << "\n";
  }
}

std::string DumpText(const Screen& screen, HWND shown) {
  std::ostringstream out;
  out << "screen " << screen.columns << " " << screen.rows << "\n" << screen.window_line << "\n";
  out << "cursor " << CurrentCursorName() << "\n";
  DumpOverlays(screen, shown, out);
  out << "rows\n";
  for (LONG y = 0; y < screen.rows; ++y) {
    std::string row;
    for (LONG x = 0; x < screen.columns; ++x) row += ShownCharacter(screen.At(y, x).ch);
    row.erase(row.find_last_not_of(' ') + 1);
    out << row << "\n";
  }
  out << "colours\n";
  for (LONG y = 0; y < screen.rows; ++y) {
    const Cell* cells = &screen.At(y, 0);
    for (LONG start = 0, x = 1; x <= screen.columns; ++x) {
      if (x < screen.columns && cells[x].fg == cells[start].fg && cells[x].bg == cells[start].bg) continue;
      out << y << " " << start << " " << x - start << " " << cells[start].fg << " " << cells[start].bg << "\n";
      start = x;
    }
  }
  out << "end\n";
  return out.str();
}

}  // namespace

// The file is replaced whole, so a reader never sees half a dump.
void WriteScreenDump(const Screen& screen, HWND shown) {
  const std::string text = DumpText(screen, shown);
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

}  // namespace kelvane
