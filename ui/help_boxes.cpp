#include "ui/help_boxes.h"

#include <stdio.h>

#include <string>

#include "core/app_state.h"
#include "core/startup.h"

void ShowAbout(HWND window) {
  MessageBoxW(window,
              L"Kelvane " PROGRAM_VERSION L"\n"
              L"Your phone's mobile cell and Wi-Fi access points, located through web services, "
              L"as a GPS receiver for navigation programs.\n\n" MAKER_ADDRESS,
              L"About", MB_OK);
}

void ShowReadMe(HWND window) {
  WCHAR path[MAX_PATH];
  swprintf(path, MAX_PATH, L"%lsreadme.txt", GetAppState().settings.program_directory);
  FILE* file = _wfopen(path, L"rt");
  if (!file) return;
  std::wstring text;
  WCHAR chunk[256];
  while (fgetws(chunk, sizeof chunk / sizeof chunk[0], file)) text += chunk;
  fclose(file);
  MessageBoxW(window, text.c_str(), L"", MB_OK);
}
