#include "ui/resource_layout.h"

#include <aygshell.h>
#include <commctrl.h>

#include "ui/commands.h"
#include "ui/resource_ids.h"

namespace {

const KELVANE_MENU_BAR_BUTTON kSoftKeys[] = {
    {I_IMAGENONE, IDM_QUIT, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, IDS_QUIT, KELVANE_NOMENU},
    {I_IMAGENONE, IDM_MENU, TBSTATE_ENABLED, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE, IDS_MENU, 0},
};
const KELVANE_MENU_BAR kMenuBar = {IDR_MENUBAR, IDR_MENU, kSoftKeys, 2};

// A satellite dish over a map pin, in the standard 16 colours (0 black,
// 4 navy, 9 red, 15 white).
const char* const kIcon32[] = {
    "ffffffffffffffffffffffffffffffff", "ffffffffffff00000000ffffffffffff", "ffffffffff0044444444400fffffffff",
    "fffffffff044444444444440ffffffff", "ffffffff04444ffffffff4440fffffff", "fffffff0444ff00000000f4440ffffff",
    "ffffff0444f0044444400f4440ffffff", "ffffff044f004444444400f440ffffff", "fffff044f0444fffffff440f440fffff",
    "fffff044f044ff0000ff440f440fffff", "fffff044f044f099990f440f440fffff", "fffff044f044f099990f440f440fffff",
    "fffff044f044ff0000ff440f440fffff", "fffff044f0444fffffff440f440fffff", "ffffff044f004444444400f440ffffff",
    "ffffff0444f0044444400f4440ffffff", "fffffff0444ff00000000f4440ffffff", "ffffffff04444ffffffff4440fffffff",
    "fffffffff044444444444440ffffffff", "ffffffffff0444444444440fffffffff", "ffffffffffff04444444fffffffffff0",
    "fffffffffffff044440fffffffffffff", "ffffffffffffff0440ffffffffffffff", "ffffffffffffff0440ffffffffffffff",
    "fffffffffffffff00fffffffffffffff", "fffffffffffffff00fffffffffffffff", "ffffffffffff00000000ffffffffffff",
    "ffffffffff000000000000ffffffffff", "ffffffffffffffffffffffffffffffff", "ffffffffffffffffffffffffffffffff",
    "ffffffffffffffffffffffffffffffff", "ffffffffffffffffffffffffffffffff"};
const char* const kIcon16[] = {
    "ffffff0000ffffff", "ffff00444400ffff", "fff0444ff4440fff", "ff044f0000f440ff", "ff04f044440f40ff",
    "ff04f049940f40ff", "ff04f049940f40ff", "ff04f044440f40ff", "ff044f0000f440ff", "fff0444ff4440fff",
    "ffff04444440ffff", "fffff044440fffff", "ffffff0440ffffff", "fffffff00fffffff", "ffff00000000ffff",
    "ffffffffffffffff"};
const KELVANE_ICON_IMAGE kIconImages[] = {{32, 32, 16, kIcon32}, {16, 16, 16, kIcon16}};
const KELVANE_ICON kIcon = {IDI_PROGRAM, kIconImages, 2};

}  // namespace

const KELVANE_RESOURCES* ProgramResources(const MenuTexts& texts) {
  // Pop-up 0 is the soft key's "Menu"; its sub-menus follow one level deeper.
  static const KELVANE_MENU_ITEM items[] = {
      {0, 0, texts.menu},
      {1, 0, texts.maps},
      {2, IDM_WEB_MAP, texts.web_map},
      {1, 0, texts.options},
      {2, IDM_KEEP_WIFI_ON, texts.keep_wifi_on},
      {1, 0, texts.help},
      {2, IDM_ABOUT, texts.about},
      {2, IDM_README, texts.readme},
      {2, 0, texts.log},
      {3, IDM_LOG_SHOW, texts.show},
      {3, IDM_LOG_SAVE, texts.save_to_file},
  };
  static const KELVANE_MENU menu = {IDR_MENU, items, sizeof items / sizeof items[0]};
  // The last member marks the program as aware of high-resolution screens.
  static const KELVANE_RESOURCES resources = {&menu, 1, &kMenuBar, 1, &kIcon, 1, TRUE};
  return &resources;
}
