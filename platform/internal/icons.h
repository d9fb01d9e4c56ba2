// Icons as the device layer keeps them. LoadIconW decodes a module's icon
// resource and records the handle it hands out; a window class keeps the
// decoded icon, so the displays can show it whatever becomes of the module.
//
// An icon stays in the table until the process ends. The table has a lock
// of its own, never held while another lock is taken; callers may hold
// WindowLock().
#ifndef KELVANE_PLATFORM_ICONS_H
#define KELVANE_PLATFORM_ICONS_H

#include <windows.h>

#include <memory>
#include <vector>

namespace kelvane {

struct IconImage {
  LONG width = 0;
  LONG height = 0;
  int colours = 0;
  std::vector<BYTE> pixels;  // palette indexes, row by row

  COLORREF At(LONG x, LONG y) const;
};

struct Icon {
  UINT id = 0;
  std::vector<IconImage> images;  // in resource order, never empty
};

// The icon a handle from LoadIconW names; null for any other handle.
std::shared_ptr<const Icon> LoadedIcon(HICON handle);

// The colour of an index of the standard 16-colour palette.
COLORREF PaletteColour(BYTE index);

}  // namespace kelvane

#endif
