// The screen as this process shows it: a grid of character cells, one per
// unit of window coordinates, that both displays present (the headless dump
// and the terminal).
//
// Called without WindowLock() held.
#ifndef KELVANE_PLATFORM_SCREEN_H
#define KELVANE_PLATFORM_SCREEN_H

#include <windows.h>

#include "internal/windowing.h"

#include <memory>
#include <string>
#include <vector>

namespace kelvane {

struct Screen {
  LONG columns = 0;
  LONG rows = 0;
  std::vector<Cell> cells;  // row by row
  std::string window_line = "window none";
  std::wstring title;  // the shown window's title
  bool has_window = false;
  RECT window_rect{};  // the shown window's place on the screen
  std::shared_ptr<const Icon> icon;  // the shown window's class icon, or null

  Cell& At(LONG row, LONG column) { return cells[static_cast<size_t>(row * columns + column)]; }
  const Cell& At(LONG row, LONG column) const { return cells[static_cast<size_t>(row * columns + column)]; }
};

// The window `shown` (none when null) with the windows it owns over it, then
// the open menu and the message boxes waiting for an answer.
Screen ComposeScreen(HWND shown);

// A screen composed in this process's cells, on the device's grid of
// `device` cells: each cell a `scale` x `scale` block (screen_scaling.cpp).
Screen ScaledToDevice(Screen screen, LONG scale, SIZE device);

// The label of a message box button (IDOK: "OK", ...).
std::wstring ButtonLabel(int id);

}  // namespace kelvane

#endif
