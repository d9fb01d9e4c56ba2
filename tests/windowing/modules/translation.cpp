// A translation module for the string-resource tests.
#include <windows.h>

#include "kelvane_module.h"

KELVANE_STRING_TABLE({105, L"Men\u00fc"}, {106, L"Beenden"})
