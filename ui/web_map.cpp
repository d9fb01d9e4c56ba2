#include "ui/web_map.h"

#include <shellapi.h>

#include <cwchar>

void FormatWebMapAddress(const Position& position, WCHAR* address, size_t size) {
  swprintf(address, size, L"http://" WEB_MAP_HOST L"/#lat=%f&lon=%f&z=13", static_cast<double>(position.latitude),
           static_cast<double>(position.longitude));
}

void OpenWebMap() {
  // A copy: the worker may publish a new position meanwhile.
  const Position position = GetPosition();
  WCHAR address[128];
  FormatWebMapAddress(position, address, sizeof address / sizeof address[0]);
  SHELLEXECUTEINFO request = {};
  request.cbSize = sizeof request;
  request.hwnd = nullptr;
  request.lpVerb = L"Open";
  request.lpFile = address;
  request.nShow = SW_SHOWNORMAL;
  ShellExecuteEx(&request);
}
