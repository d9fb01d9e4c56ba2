// Identifiers of the program's resources.
#ifndef KELVANE_UI_RESOURCE_IDS_H
#define KELVANE_UI_RESOURCE_IDS_H

// Menu bar (SHMENUBAR data), the menu it opens, the program's icon
#define IDR_MENUBAR 101
#define IDR_MENU 101
#define IDI_PROGRAM 103

// String table
#define IDS_MENU 105
#define IDS_QUIT 106
#define IDS_PORT 109
#define IDS_ON 110
#define IDS_OFF 111
#define IDS_DRIVER 112
#define IDS_GPS 113
#define IDS_LATITUDE 114
#define IDS_LONGITUDE 115
#define IDS_TRAFFIC 116
#define IDS_ACCURACY 117
#define IDS_CELLULAR 119
#define IDS_WIFI 120
#define IDS_NO_INTERNET 121
#define IDS_TEMPORARY_UNAVAILABLE 122
#define IDS_NO_HOTSPOTS 123
#define IDS_NOT_SUPPORTED 124
#define IDS_UNKNOWN_PROBLEM 125
#define IDS_LOADING 133

#endif
