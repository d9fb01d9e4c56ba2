#include "settings/config_line.h"

#include <cwctype>

namespace {

// Scans the key; returns the index after it, or npos when no key was scanned.
size_t ScanKey(const std::wstring& line, ScannedConfigLine* out) {
  const size_t end = line.find_first_of(L"='");
  const size_t length = end == std::wstring::npos ? line.size() : end;
  if (length == 0 || length > kMaxConfigText) return std::wstring::npos;
  out->has_key = true;
  out->key = line.substr(0, length);
  return length;
}

size_t SkipBlanks(const std::wstring& line, size_t i) {
  while (i < line.size() && std::iswspace(line[i])) ++i;
  return i;
}

}  // namespace

ScannedConfigLine ScanNumberLine(const std::wstring& line) {
  ScannedConfigLine out;
  size_t i = ScanKey(line, &out);
  if (i == std::wstring::npos || i >= line.size() || line[i] != L'=') return out;
  i = SkipBlanks(line, i + 1);
  bool negative = false;
  if (i < line.size() && (line[i] == L'+' || line[i] == L'-')) negative = line[i++] == L'-';
  const size_t digits = i;
  uint64_t value = 0;
  for (; i < line.size() && line[i] >= L'0' && line[i] <= L'9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(line[i] - L'0');
    if (value > 0xFFFFFFFFull) value = 0x100000000ull;  // saturates below
  }
  if (i == digits) return out;
  // Like the runtime's unsigned conversion: out of range saturates, a minus wraps.
  DWORD number = value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(value);
  if (negative) number = 0u - number;
  out.number = number;
  out.has_value = true;
  return out;
}

ScannedConfigLine ScanTextLine(const std::wstring& line) {
  ScannedConfigLine out;
  size_t i = ScanKey(line, &out);
  if (i == std::wstring::npos || i >= line.size() || line[i] != L'=') return out;
  i = SkipBlanks(line, i + 1);
  size_t end = i;
  while (end < line.size() && !std::iswspace(line[end])) ++end;
  if (end == i || end - i > kMaxConfigText) return out;
  out.text = line.substr(i, end - i);
  out.has_value = true;
  return out;
}
