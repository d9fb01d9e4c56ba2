// One line of config.ini as the program scans it: the key is everything from
// the start of the line up to the first '=' or apostrophe (leading blanks
// belong to the key, so an indented line never matches), then '=' and a value.
// Keys and text values are at most 63 characters: a longer one makes the line
// match nothing, so it is neither read nor replaced, and survives rewrites.
#ifndef KELVANE_SETTINGS_CONFIG_LINE_H
#define KELVANE_SETTINGS_CONFIG_LINE_H

#include <windows.h>

#include <string>

constexpr size_t kMaxConfigText = 63;

struct ScannedConfigLine {
  bool has_key = false;   // a key of 1 to 63 characters was scanned
  std::wstring key;
  bool has_value = false;  // '=' followed by a value of the wanted kind
  DWORD number = 0;        // for ScanNumberLine
  std::wstring text;       // for ScanTextLine
};

// "key=number": the number is unsigned decimal after optional blanks and sign.
ScannedConfigLine ScanNumberLine(const std::wstring& line);
// "key=text": the text starts after optional blanks and ends at white space.
ScannedConfigLine ScanTextLine(const std::wstring& line);

#endif
