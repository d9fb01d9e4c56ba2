#include "output/port_name.h"

WCHAR PortPrefix[4] = L"COM";
int PortNumber = 0;
