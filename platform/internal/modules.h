// The loaded-module table, for parts of the device layer that read a module's
// data (string resources) through its host handle.
#ifndef KELVANE_PLATFORM_MODULES_H
#define KELVANE_PLATFORM_MODULES_H

#include <windows.h>

namespace kelvane {

// The host (dlopen) handle of a module, or null for an unknown module.
// GetModuleHandleW(NULL) and a null module both mean the program itself.
void* ModuleHostHandle(HMODULE module);

}  // namespace kelvane

#endif
