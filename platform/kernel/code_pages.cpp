// Code-page conversions. The emulated device's ANSI code page is Latin-1
// (ISO 8859-1): every byte is one character, and a wide character above 0xFF
// becomes the default character "?".
#include "internal/device_root.h"
#include "internal/last_error.h"

#include <cstring>
#include <string>

using namespace kelvane;

namespace {

// Counts -1 as "zero-terminated, terminator included".
size_t WideLength(LPCWSTR text, int count) { return count < 0 ? wcslen(text) + 1 : static_cast<size_t>(count); }
size_t NarrowLength(LPCSTR text, int count) { return count < 0 ? strlen(text) + 1 : static_cast<size_t>(count); }

}  // namespace

// ---- WideCharToMultiByte ----
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                               int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
  if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 || (cbMultiByte > 0 && !lpMultiByteStr))
    return Fail(ERROR_INVALID_PARAMETER, 0);
  const std::wstring wide(lpWideCharStr, WideLength(lpWideCharStr, cchWideChar));
  std::string narrow;
  bool used_default = false;
  if (CodePage == CP_UTF8) {
    narrow = Narrow(wide);
  } else if (CodePage == CP_ACP || CodePage == CP_OEMCP) {
    const char fallback = lpDefaultChar ? *lpDefaultChar : '?';
    for (WCHAR c : wide) {
      used_default |= static_cast<uint32_t>(c) > 0xFF;
      narrow += static_cast<uint32_t>(c) > 0xFF ? fallback : static_cast<char>(c);
    }
  } else {
    return Fail(ERROR_INVALID_PARAMETER, 0);
  }
  if (lpUsedDefaultChar) *lpUsedDefaultChar = used_default;
  if (cbMultiByte == 0) return static_cast<int>(narrow.size());
  if (narrow.size() > static_cast<size_t>(cbMultiByte)) return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
  narrow.copy(lpMultiByteStr, narrow.size());
  return static_cast<int>(narrow.size());
}

// ---- MultiByteToWideChar ----
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                               int cchWideChar) {
  if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 || (cchWideChar > 0 && !lpWideCharStr))
    return Fail(ERROR_INVALID_PARAMETER, 0);
  const std::string narrow(lpMultiByteStr, NarrowLength(lpMultiByteStr, cbMultiByte));
  std::wstring wide;
  if (CodePage == CP_UTF8) {
    wide = Widen(narrow);
  } else if (CodePage == CP_ACP || CodePage == CP_OEMCP) {
    for (char c : narrow) wide += static_cast<WCHAR>(static_cast<unsigned char>(c));
  } else {
    return Fail(ERROR_INVALID_PARAMETER, 0);
  }
  if (cchWideChar == 0) return static_cast<int>(wide.size());
  if (wide.size() > static_cast<size_t>(cchWideChar)) return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
  wide.copy(lpWideCharStr, wide.size());
  return static_cast<int>(wide.size());
}
