// Common controls: the toolbar button values that menu bar resources use.
#ifndef KELVANE_COMMCTRL_H
#define KELVANE_COMMCTRL_H

#define I_IMAGENONE (-2)

#define TBSTATE_CHECKED 0x01
#define TBSTATE_ENABLED 0x04

#define TBSTYLE_BUTTON 0x0000
#define TBSTYLE_DROPDOWN 0x0008
#define TBSTYLE_AUTOSIZE 0x0010

#endif
