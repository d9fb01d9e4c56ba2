// The display "terminal": the screen drawn with ncurses on the terminal the
// program runs in, with a title row above it; the terminal's keys are the
// device's keys (F1 and F2 the soft keys). It runs while the process has a
// top-level window and its standard input and output are a terminal.
#ifndef KELVANE_PLATFORM_TERMINAL_DISPLAY_H
#define KELVANE_PLATFORM_TERMINAL_DISPLAY_H

#include "internal/screen.h"

namespace kelvane {

// Take over the terminal, and give it back.
void StartTerminalDisplay();
void StopTerminalDisplay();
// Whether it runs: ncurses has the terminal and reads its keys.
bool TerminalDisplayRuns();
// Draws the screen when the terminal display runs; the cursor is the name
// of the one last set ("wait" shows in the title row).
void PresentOnTerminal(const Screen& screen, const std::string& cursor);

}  // namespace kelvane

#endif
