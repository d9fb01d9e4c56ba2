// config.ini: one "key=value" line per setting, next to the program.
//
// Every operation opens the file anew under the configuration lock and holds
// no other lock. A write rewrites the whole file, keeping every other line
// (comments, unknown keys, later duplicates) unchanged and in place; the new
// contents go to a temporary file that then replaces the old one in one step,
// so a program that dies half-way never loses the file.
//
// The file is 8-bit text: each byte is one character, read and written back
// unchanged, so bytes the program does not understand survive a rewrite.
#ifndef KELVANE_SETTINGS_CONFIG_FILE_H
#define KELVANE_SETTINGS_CONFIG_FILE_H

#include <windows.h>

class ConfigFile {
 public:
  // Both must outlive the object.
  ConfigFile(const WCHAR* path, CRITICAL_SECTION* lock) : path_(path), lock_(lock) {}

  // The value of the first line with this key, or the default when the file
  // is missing, no line has the key, or that line's value does not scan.
  DWORD ReadNumber(const WCHAR* key, DWORD default_value) const;
  // Copies the value (at most 63 characters) into buffer (at least 64) and
  // returns true; false leaves the buffer untouched.
  bool ReadText(const WCHAR* key, WCHAR* buffer) const;
  // Rewrites the file with the setting; false when it could not be written.
  bool WriteNumber(const WCHAR* key, DWORD value) const;
  bool WriteText(const WCHAR* key, const WCHAR* value) const;

 private:
  bool Rewrite(const WCHAR* key, const WCHAR* new_line) const;

  const WCHAR* path_;
  CRITICAL_SECTION* lock_;
};

// The program's own config.ini, through the application state.
DWORD ReadNumber(const WCHAR* key, DWORD default_value);
bool ReadText(const WCHAR* key, WCHAR* buffer);
bool WriteNumber(const WCHAR* key, DWORD value);
bool WriteText(const WCHAR* key, const WCHAR* value);

#endif
