// The program's menu bar, menu and icon resources. The program and every
// translation library carry the same layout with their own texts, because
// the shell reads the menu bar from the translation library when one is
// loaded.
#ifndef KELVANE_UI_RESOURCE_LAYOUT_H
#define KELVANE_UI_RESOURCE_LAYOUT_H

#include <windows.h>

#include "kelvane_module.h"

struct MenuTexts {
  const WCHAR* menu;
  const WCHAR* maps;
  const WCHAR* web_map;  // the web map service's name
  const WCHAR* options;
  const WCHAR* keep_wifi_on;
  const WCHAR* help;
  const WCHAR* about;
  const WCHAR* readme;
  const WCHAR* log;
  const WCHAR* show;
  const WCHAR* save_to_file;
};

// The module's resource set with these texts; built once per module.
const KELVANE_RESOURCES* ProgramResources(const MenuTexts& texts);

#endif
