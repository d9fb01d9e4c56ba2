// Icons from a module's icon resources. An icon loaded this way is shared:
// its handle stays valid while the module is loaded, and DestroyIcon on it
// does nothing, as on the platform.
#include "internal/last_error.h"
#include "internal/menus.h"

#include <cctype>
#include <cstring>

namespace {

// Every image has its rows of hexadecimal colour indexes, within its colours.
bool ImagesAreWhole(const KELVANE_ICON& icon) {
  if (icon.count == 0) return false;
  for (UINT i = 0; i < icon.count; ++i) {
    const KELVANE_ICON_IMAGE& image = icon.images[i];
    if (image.colours == 0 || image.colours > 16 || !image.rows) return false;
    for (BYTE y = 0; y < image.height; ++y) {
      const char* row = image.rows[y];
      if (!row || std::strlen(row) != image.width) return false;
      for (BYTE x = 0; x < image.width; ++x) {
        if (!std::isxdigit(static_cast<unsigned char>(row[x]))) return false;
        const int index = std::isdigit(static_cast<unsigned char>(row[x])) ? row[x] - '0' : std::tolower(row[x]) - 'a' + 10;
        if (index >= image.colours) return false;
      }
    }
  }
  return true;
}

}  // namespace

using namespace kelvane;

// ---- LoadIconW ----
// By resource id from a module; the device has no system icons.
HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  if (!hInstance || !IS_INTRESOURCE(lpIconName)) return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, static_cast<HICON>(nullptr));
  const KELVANE_RESOURCES* resources = ModuleResources(hInstance);
  if (!resources) return nullptr;
  const UINT id = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpIconName));
  for (UINT i = 0; i < resources->icon_count; ++i) {
    const KELVANE_ICON& icon = resources->icons[i];
    if (icon.id != id) continue;
    if (!ImagesAreWhole(icon)) return Fail(ERROR_INVALID_DATA, static_cast<HICON>(nullptr));
    return reinterpret_cast<HICON>(const_cast<KELVANE_ICON*>(&icon));
  }
  return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, static_cast<HICON>(nullptr));
}

// ---- DestroyIcon ----
BOOL WINAPI DestroyIcon(HICON hIcon) {
  if (!hIcon) return Fail(ERROR_INVALID_ICON_HANDLE, FALSE);
  return TRUE;
}
