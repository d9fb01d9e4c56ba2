// String resources and the user-interface language.
//
// A module's string table comes from its exported KelvaneStringTable
// function (kelvane_module.h); the program's own is found in the executable.
#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/last_error.h"
#include "internal/modules.h"
#include "kelvane_module.h"

#include <dlfcn.h>

#include <algorithm>
#include <cwchar>

namespace {

constexpr LANGID kDefaultLanguage = 0x0409;  // US English

}  // namespace

using namespace kelvane;

// ---- LoadStringW ----
// Copies at most cchBufferMax - 1 characters, always terminated, and returns
// the number copied. With cchBufferMax 0, lpBuffer receives a read-only
// pointer to the string itself and the string's length is returned. The
// device's other form (a null lpBuffer making the result the pointer) cannot
// be expressed in an int on this host and fails with ERROR_INVALID_PARAMETER.
int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
  if (!lpBuffer || cchBufferMax < 0) return Fail(ERROR_INVALID_PARAMETER, 0);
  void* host = ModuleHostHandle(hInstance);
  if (!host) return Fail(ERROR_INVALID_HANDLE, 0);
  auto table_of = reinterpret_cast<KELVANE_STRING_TABLE_FUNCTION>(dlsym(host, KELVANE_STRING_TABLE_SYMBOL));
  const KELVANE_STRING* table = table_of ? table_of() : nullptr;
  if (!table) return Fail(ERROR_RESOURCE_TYPE_NOT_FOUND, 0);
  const WCHAR* text = nullptr;
  for (; table->id != 0 && !text; ++table)
    if (table->id == uID) text = table->text;
  if (!text || !*text) return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, 0);
  const int length = static_cast<int>(wcslen(text));
  if (cchBufferMax == 0) {
    *reinterpret_cast<const WCHAR**>(lpBuffer) = text;
    return length;
  }
  const int copied = std::min(length, cchBufferMax - 1);
  wmemcpy(lpBuffer, text, static_cast<size_t>(copied));
  lpBuffer[copied] = L'\0';
  return copied;
}

// ---- GetUserDefaultUILanguage ----
// The profile's "language", a language id such as 1033 (0x0409).
LANGID WINAPI GetUserDefaultUILanguage(void) {
  return static_cast<LANGID>(ReadInteger(MemberOf(Profile(), "language"), "language", kDefaultLanguage, 1, 0xFFFF));
}
