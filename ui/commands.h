// Command identifiers of the soft keys and the menu.
#ifndef KELVANE_UI_COMMANDS_H
#define KELVANE_UI_COMMANDS_H

#define IDM_MENU 101
#define IDM_QUIT 104
#define IDM_LOG_SHOW 40008
#define IDM_LOG_SAVE 40009
#define IDM_ABOUT 40013
#define IDM_README 40014
#define IDM_WEB_MAP 40020
#define IDM_KEEP_WIFI_ON 40035

#endif
