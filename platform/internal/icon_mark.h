// The mark a text display draws for a window's class icon: the icon's
// smallest image (the one a title bar shows) shrunk to 2 x 2 blocks, each the
// average colour of its quarter, so that two cells of half blocks show it.
#ifndef KELVANE_PLATFORM_ICON_MARK_H
#define KELVANE_PLATFORM_ICON_MARK_H

#include "internal/icons.h"

namespace kelvane {

struct IconMark {
  COLORREF top[2];     // left and right quarter of the upper half
  COLORREF bottom[2];  // and of the lower half
};

IconMark MarkOf(const Icon& icon);

}  // namespace kelvane

#endif
