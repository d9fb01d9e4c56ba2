// What the device shows over the windows: the soft-key menu that is open and
// the message boxes that wait for an answer, and the keys that reach them.
// A key goes to the newest open message box, else to the open menu, else to
// a soft key of the main window's menu bar, else to the main window.
//
// Called without WindowLock() held.
#ifndef KELVANE_PLATFORM_OVERLAYS_H
#define KELVANE_PLATFORM_OVERLAYS_H

#include <windows.h>

#include <string>
#include <vector>

#include "internal/menus.h"

namespace kelvane {

struct MenuLevel {
  std::vector<MenuItemView> items;
  size_t selected = 0;
};

// The open menu, outermost level first; empty when no menu is open.
std::vector<MenuLevel> OpenMenuLevels();
// Takes a key while a menu is open, or a soft key that opens one or sends
// its command; false when the key is not the menu's.
bool MenuTakesKey(UINT key);

struct BoxView {
  std::wstring caption;
  std::wstring text;
  UINT type = 0;
  std::vector<int> buttons;
  size_t selected = 0;  // index into buttons
  size_t scroll = 0;    // first text line shown
};

// The boxes waiting for an answer, oldest first.
std::vector<BoxView> OpenBoxes();
// Takes a key while a box waits: arrows choose, Enter answers, Escape
// cancels, the soft keys answer with the first and the last button.
bool BoxTakesKey(UINT key);

struct AnsweredBox {
  std::wstring caption;
  std::wstring text;
  UINT type = 0;
  int answer = 0;
};
// The process's latest answered boxes, oldest first.
std::vector<AnsweredBox> AnsweredBoxes();

// A key pressed on the device's keypad, routed as above.
void PressKey(UINT key);

}  // namespace kelvane

#endif
