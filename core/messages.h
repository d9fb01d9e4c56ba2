// Window messages that background threads post to the main window.
#ifndef KELVANE_CORE_MESSAGES_H
#define KELVANE_CORE_MESSAGES_H

#include <windows.h>

#define MSG_BUSY (WM_USER + 100)     // a lengthy radio operation begins: wait cursor
#define MSG_IDLE (WM_USER + 101)     // it ended: no cursor
#define MSG_STARTED (WM_USER + 121)  // start-up done: set the menu check marks
#define MSG_REFRESH (WM_USER + 130)  // repaint the client area

#endif
