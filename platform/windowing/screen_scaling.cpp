// A program without the high-resolution marker on a high-resolution device:
// the shell enlarges its drawing, each pixel a block of the screen's. A cell's
// character cannot grow, so it takes the block's top-left cell and its
// colours fill the block: backgrounds and colour bars keep their size and
// place on the screen, and every text stays where the program put it.
#include "internal/screen.h"

namespace kelvane {

Screen ScaledToDevice(Screen screen, LONG scale, SIZE device) {
  if (scale == 1 && screen.columns == device.cx && screen.rows == device.cy) return screen;
  Screen scaled = screen;
  scaled.columns = device.cx;
  scaled.rows = device.cy;
  scaled.cells.assign(static_cast<size_t>(device.cx * device.cy), Cell{});
  for (LONG y = 0; y < screen.rows; ++y)
    for (LONG x = 0; x < screen.columns; ++x) {
      const Cell& cell = screen.At(y, x);
      for (LONG dy = 0; dy < scale && y * scale + dy < device.cy; ++dy)
        for (LONG dx = 0; dx < scale && x * scale + dx < device.cx; ++dx)
          scaled.At(y * scale + dy, x * scale + dx) = dx == 0 && dy == 0 ? cell : Cell{L' ', cell.fg, cell.bg};
    }
  const RECT& r = screen.window_rect;
  scaled.window_rect = {r.left * scale, r.top * scale, r.right * scale, r.bottom * scale};
  return scaled;
}

}  // namespace kelvane
