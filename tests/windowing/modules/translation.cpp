// A translation module for the string-resource tests.
#include <windows.h>

#include "kelvane_module.h"

extern "C" const KELVANE_STRING KelvaneStringTable[] = {
    {105, L"Men\u00fc"},
    {106, L"Beenden"},
    {0, nullptr},
};
