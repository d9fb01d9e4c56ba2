#include "ui/window_commands.h"

#include <aygshell.h>

#include "core/app_state.h"
#include "core/flags.h"
#include "core/messages.h"
#include "settings/message_list.h"
#include "ui/commands.h"
#include "ui/device_family.h"
#include "ui/help_boxes.h"
#include "ui/web_map.h"

namespace {

void Quit(HWND window) {
  if (kTouchScreenBuild)
    SendMessageW(window, WM_CLOSE, 0, 0);  // its default processing destroys the window
  else
    DestroyWindow(window);
}

}  // namespace

void SetMenuCheckMarks(HWND menu_bar) {
  const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menu_bar, SHCMBM_GETSUBMENU, 0, IDM_MENU));
  CheckMenuItem(menu, IDM_LOG_SHOW, MF_BYCOMMAND | (TestFlag(LogView) ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(menu, IDM_KEEP_WIFI_ON, MF_BYCOMMAND | (WifiEnabled() ? MF_CHECKED : MF_UNCHECKED));
}

bool RunCommand(HWND window, HWND menu_bar, WORD command) {
  switch (command) {
    case IDM_QUIT:
      Quit(window);
      return true;
    case IDM_LOG_SHOW:
      if (ToggleFlag(LogView) & LogView) DiagnosticLog().ResetOffset();
      PostMessageW(window, MSG_REFRESH, 0, 0);
      SetMenuCheckMarks(menu_bar);
      return true;
    case IDM_LOG_SAVE:
      DiagnosticLog().SaveToFile();
      return true;
    case IDM_ABOUT:
      ShowAbout(window);
      return true;
    case IDM_README:
      ShowReadMe(window);
      return true;
    case IDM_WEB_MAP:
      OpenWebMap();
      return true;
    case IDM_KEEP_WIFI_ON:
      SetWifiEnabled(WifiEnabled() ? 0 : 1);
      SetMenuCheckMarks(menu_bar);
      return true;
    default:
      return false;
  }
}
