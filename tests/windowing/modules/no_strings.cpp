// A module without a string table.
#include <windows.h>

extern "C" int NoStringsHere() { return 0; }
