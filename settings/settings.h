// The program's settings: read once at start-up (Load), two of them saved at
// exit (Save), together with the program directory, the data-file paths and
// the translation resource library.
#ifndef KELVANE_SETTINGS_SETTINGS_H
#define KELVANE_SETTINGS_SETTINGS_H

#include <windows.h>

// Keys of config.ini (case-sensitive).
#define KEY_PROXY_IP L"ProxyIP"
#define KEY_PROXY_PORT L"ProxyPort"
#define KEY_TOWER_TIMEOUT L"TowerTimeOut"
#define KEY_GPS_TIMEOUT L"GpsTimeOut"
#define KEY_SYNC_TIMEOUT L"SyncTimeOut"
#define KEY_MODE L"Mode"
#define KEY_WIFI_ON L"WiFiOn"
#define KEY_MODEM_PORT L"ModemPort"
#define KEY_PORT L"Port"
#define KEY_MEM_POINTER L"MemPointer"
#define KEY_MEM_STEP L"MemStep"

struct Settings {
  char proxy_address[128] = {};  // ProxyIP as 8-bit text; empty: no proxy
  DWORD proxy_port = 0;          // ProxyPort
  DWORD tower_period = 7000;     // TowerTimeOut, ms
  DWORD output_period = 2000;    // GpsTimeOut, ms
  DWORD sync_period = 15000;     // SyncTimeOut, ms
  DWORD mode = 1;                // Mode: 0 none, 1 RIL, 2 memory scan, 3 AT commands
  DWORD wifi_enabled = 1;        // WiFiOn
  HMODULE translation = nullptr;
  WCHAR program_directory[MAX_PATH] = {};  // ends with a backslash
  WCHAR config_path[MAX_PATH] = {};
  WCHAR tower_cache_path[MAX_PATH] = {};
  WCHAR wifi_cache_path[MAX_PATH] = {};

  // Directory, paths, translation library, then the start-up settings.
  void Load(CRITICAL_SECTION* config_lock);
  // Saves Mode, then WiFiOn (two complete rewrites), frees the library.
  void Save(CRITICAL_SECTION* config_lock);
};

#endif
