// The device's screen, as the profile's "display" chooses it: "none", the
// headless display (docs/headless-display.md), whose screen is a grid of
// character cells dumped to ROOT/screen.txt, or "terminal", which shows the
// same grid on the terminal the program runs in and dumps it too. One cell
// is one unit of window coordinates, so a text's extent is its length by 1.
//
// Called without WindowLock() held.
#ifndef KELVANE_PLATFORM_DISPLAY_H
#define KELVANE_PLATFORM_DISPLAY_H

#include <windows.h>

#include <string>
#include <vector>

namespace kelvane {

// The screen's size in cells as this process sees it: the device's grid
// (profile "displayColumns" x "displayRows") divided by DisplayScale().
SIZE ScreenSize();
// How many device cells a side one cell of this process covers. A program
// whose resources carry the high-resolution marker sees the device's grid
// 1:1; one without it runs in emulation on a high-resolution device (profile
// "displayScale"), as the shell pixel-doubles a program that does not know
// the screen's real size.
LONG DisplayScale();
// "terminal" or "none".
std::string DisplayKind();
// What this process shows changed (painting, cursor, activation, menus): the
// screen is redrawn when one of its windows is the device's foreground.
void RefreshScreen();
// A message box came, changed or went: this process redraws the screen even
// when none of its windows is in front (an installer has none).
void RefreshScreenForBox();
// Asks a person on the process's controlling terminal to choose one of the
// buttons; 0 when the process has no terminal.
int AskOnTerminal(const std::wstring& text, const std::wstring& caption, const std::vector<int>& buttons,
                  int default_button);
// Answers this process's box that waits for injected input, when one waits
// and has the button; false otherwise.
bool AnswerMessageBox(int button);
// The button of a name ("IDYES") or number ("6"); 0 for none.
int ButtonNamed(const std::string& name);

}  // namespace kelvane

#endif
