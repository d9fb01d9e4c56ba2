// The status list that the positioning worker rebuilds after each pass.
#ifndef KELVANE_CORE_STATUS_LINES_H
#define KELVANE_CORE_STATUS_LINES_H

#include <windows.h>

struct OnOffTexts {
  WCHAR on[64];
  WCHAR off[64];
};

// Loads "On" and "Off" through the translation library.
OnOffTexts LoadOnOffTexts();

// Rebuilds the status list from the flags, the current position and the
// lookups' codes (nonzero codes explain a missing position); rewrites or
// empties the driver file when the driver output is active.
void RebuildStatusList(const OnOffTexts& texts, int tower_code, int wifi_code);

#endif
