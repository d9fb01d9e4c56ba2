#include "settings/resource_text.h"

#include "core/app_state.h"

HMODULE ResourceModule() {
  HMODULE translation = GetAppState().settings.translation;
  return translation ? translation : GetModuleHandleW(nullptr);
}

void LoadResourceText(UINT id, WCHAR* buffer, int size) {
  if (size <= 0) return;
  if (LoadStringW(ResourceModule(), id, buffer, size) == 0) buffer[0] = L'\0';
}
