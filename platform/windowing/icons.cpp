// Icons from a module's icon resources. An icon loaded this way is shared:
// every load of it answers the same handle, and DestroyIcon on it does
// nothing, as on the platform. Its images are decoded once, when first loaded.
#include "internal/icons.h"
#include "internal/last_error.h"
#include "internal/menus.h"

#include <cctype>
#include <cstring>
#include <map>
#include <mutex>

namespace kelvane {
namespace {

struct LoadedIcons {
  std::mutex lock;
  std::map<HICON, std::shared_ptr<const Icon>> icons;
};

LoadedIcons& Table() {
  static LoadedIcons* table = new LoadedIcons;  // outlives every thread's last call
  return *table;
}

// The value of a hexadecimal digit, or -1.
int DigitValue(char digit) {
  const unsigned char c = static_cast<unsigned char>(digit);
  if (!std::isxdigit(c)) return -1;
  return std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10;
}

// False unless every image has at least one pixel and its rows of
// hexadecimal colour indexes, within its colours.
bool Decode(const KELVANE_ICON& resource, Icon* icon) {
  if (resource.count == 0 || !resource.images) return false;
  icon->id = resource.id;
  for (UINT i = 0; i < resource.count; ++i) {
    const KELVANE_ICON_IMAGE& source = resource.images[i];
    if (source.width == 0 || source.height == 0 || source.colours == 0 || source.colours > 16 || !source.rows)
      return false;
    IconImage image;
    image.width = source.width;
    image.height = source.height;
    image.colours = source.colours;
    for (BYTE y = 0; y < source.height; ++y) {
      const char* row = source.rows[y];
      if (!row || std::strlen(row) != source.width) return false;
      for (BYTE x = 0; x < source.width; ++x) {
        const int index = DigitValue(row[x]);
        if (index < 0 || index >= source.colours) return false;
        image.pixels.push_back(static_cast<BYTE>(index));
      }
    }
    icon->images.push_back(std::move(image));
  }
  return true;
}

}  // namespace

COLORREF IconImage::At(LONG x, LONG y) const { return PaletteColour(pixels[static_cast<size_t>(y * width + x)]); }

COLORREF PaletteColour(BYTE index) {
  static const COLORREF kPalette[16] = {
      RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
      RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
      RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
      RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
  return kPalette[index & 15];
}

std::shared_ptr<const Icon> LoadedIcon(HICON handle) {
  std::lock_guard<std::mutex> guard(Table().lock);
  auto it = Table().icons.find(handle);
  return it == Table().icons.end() ? nullptr : it->second;
}

}  // namespace kelvane

using namespace kelvane;

// ---- LoadIconW ----
// By resource id from a module; the device has no system icons.
HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  if (!hInstance || !IS_INTRESOURCE(lpIconName)) return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, static_cast<HICON>(nullptr));
  const KELVANE_RESOURCES* resources = ModuleResources(hInstance);
  if (!resources) return nullptr;
  const UINT id = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpIconName));
  for (UINT i = 0; i < resources->icon_count; ++i) {
    const KELVANE_ICON& resource = resources->icons[i];
    if (resource.id != id) continue;
    const HICON handle = reinterpret_cast<HICON>(const_cast<KELVANE_ICON*>(&resource));
    if (LoadedIcon(handle)) return handle;
    auto icon = std::make_shared<Icon>();
    if (!Decode(resource, icon.get())) return Fail(ERROR_INVALID_DATA, static_cast<HICON>(nullptr));
    std::lock_guard<std::mutex> guard(Table().lock);
    Table().icons.emplace(handle, std::move(icon));
    return handle;
  }
  return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, static_cast<HICON>(nullptr));
}

// ---- DestroyIcon ----
BOOL WINAPI DestroyIcon(HICON hIcon) {
  if (!LoadedIcon(hIcon)) return Fail(ERROR_INVALID_ICON_HANDLE, FALSE);
  return TRUE;
}
