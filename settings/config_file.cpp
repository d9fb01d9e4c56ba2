#include "settings/config_file.h"

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "settings/config_line.h"

namespace {

class LockGuard {
 public:
  explicit LockGuard(CRITICAL_SECTION* lock) : lock_(lock) { EnterCriticalSection(lock_); }
  ~LockGuard() { LeaveCriticalSection(lock_); }

 private:
  CRITICAL_SECTION* lock_;
};

// Reads one line with its '\n' (if any); false at the end of the file. The
// file is opened in binary mode, so a "\r\n" line end stays as it is.
bool ReadRawLine(FILE* file, std::wstring* line) {
  line->clear();
  int c;
  while ((c = fgetc(file)) != EOF) {
    *line += static_cast<WCHAR>(static_cast<unsigned char>(c));
    if (c == '\n') return true;
  }
  return !line->empty();
}

// A UTF-8 byte-order mark at the start (editors on the desktop add one) is
// no part of the first key. True when the file had one; the file is then
// past it, else at its start.
bool SkipByteOrderMark(FILE* file) {
  static const unsigned char kMark[3] = {0xEF, 0xBB, 0xBF};
  unsigned char start[3] = {};
  if (fread(start, 1, sizeof start, file) == sizeof start && memcmp(start, kMark, sizeof kMark) == 0) return true;
  fseek(file, 0, SEEK_SET);
  return false;
}

// Whether the file is there at all, readable or not.
bool FileExists(const WCHAR* path) {
  HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

void WriteRawText(FILE* file, const std::wstring& text) {
  for (WCHAR c : text) fputc(static_cast<unsigned char>(c), file);
}

// The first line whose key matches decides; scan turns a line into its fields.
template <class Scan>
bool FindSetting(const WCHAR* path, const WCHAR* key, Scan scan, ScannedConfigLine* found) {
  FILE* file = _wfopen(path, L"rb");
  if (!file) return false;
  SkipByteOrderMark(file);
  bool matched = false;
  std::wstring line;
  while (ReadRawLine(file, &line)) {
    ScannedConfigLine scanned = scan(line);
    if (scanned.has_key && scanned.key == key) {
      *found = std::move(scanned);
      matched = true;
      break;
    }
  }
  fclose(file);
  return matched;
}

}  // namespace

DWORD ConfigFile::ReadNumber(const WCHAR* key, DWORD default_value) const {
  LockGuard guard(lock_);
  ScannedConfigLine found;
  if (FindSetting(path_, key, ScanNumberLine, &found) && found.has_value) return found.number;
  return default_value;
}

bool ConfigFile::ReadText(const WCHAR* key, WCHAR* buffer) const {
  LockGuard guard(lock_);
  ScannedConfigLine found;
  if (!FindSetting(path_, key, ScanTextLine, &found) || !found.has_value) return false;
  wcscpy(buffer, found.text.c_str());  // at most 63 characters by the scan
  return true;
}

bool ConfigFile::WriteNumber(const WCHAR* key, DWORD value) const {
  WCHAR line[2 * 64 + 16];
  swprintf(line, sizeof line / sizeof line[0], L"%ls=%u", key, value);
  return Rewrite(key, line);
}

bool ConfigFile::WriteText(const WCHAR* key, const WCHAR* value) const {
  std::wstring line = std::wstring(key) + L"=" + value;
  return Rewrite(key, line.c_str());
}

bool ConfigFile::Rewrite(const WCHAR* key, const WCHAR* new_line) const {
  LockGuard guard(lock_);
  std::vector<std::wstring> lines;
  bool byte_order_mark = false;
  if (FILE* in = _wfopen(path_, L"rb")) {
    byte_order_mark = SkipByteOrderMark(in);
    std::wstring line;
    while (ReadRawLine(in, &line)) {
      if (!line.empty() && line.back() == L'\n') line.pop_back();
      lines.push_back(line);
    }
    fclose(in);
  } else if (FileExists(path_)) {
    // A rewrite from nothing would keep only the new line: every other
    // setting of a file we merely cannot read would be lost.
    fprintf(stderr, "Error: can not open file %ls, %ls not saved\n", path_, key);
    return false;
  } else {
    fprintf(stderr, "Error: can not open file %ls\n", path_);
  }

  // An existing setting keeps its place; a new one is appended.
  size_t index = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    const ScannedConfigLine scanned = ScanTextLine(lines[i]);
    if (scanned.has_key && scanned.key == key) {
      index = i;
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(index), new_line);

  const std::wstring temp = std::wstring(path_) + L".new";
  FILE* out = _wfopen(temp.c_str(), L"wb");
  bool written = out != nullptr;
  if (out) {
    if (byte_order_mark) fputs("\xEF\xBB\xBF", out);
    for (const std::wstring& line : lines) {
      WriteRawText(out, line);
      fputc('\n', out);
    }
    written = fflush(out) == 0 && !ferror(out);
    written = fclose(out) == 0 && written;
  }
  // The finished copy replaces the file in one step.
  if (written) written = DeleteAndRenameFile(path_, temp.c_str()) || MoveFileW(temp.c_str(), path_);
  if (!written) {
    DeleteFileW(temp.c_str());
    fprintf(stderr, "Error: can not create file %ls\n", path_);
    return false;
  }
  return true;
}

static ConfigFile ProgramConfig() {
  AppState& app = GetAppState();
  return ConfigFile(app.settings.config_path, &app.config_lock);
}

DWORD ReadNumber(const WCHAR* key, DWORD default_value) { return ProgramConfig().ReadNumber(key, default_value); }
bool ReadText(const WCHAR* key, WCHAR* buffer) { return ProgramConfig().ReadText(key, buffer); }
bool WriteNumber(const WCHAR* key, DWORD value) { return ProgramConfig().WriteNumber(key, value); }
bool WriteText(const WCHAR* key, const WCHAR* value) { return ProgramConfig().WriteText(key, value); }
