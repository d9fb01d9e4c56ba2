// The name of the port the output thread opened, for the status lines:
// prefix ("COM", "VSP", or the first three characters of the Port setting)
// and number. Written once by the output thread before it starts the worker.
#ifndef KELVANE_OUTPUT_PORT_NAME_H
#define KELVANE_OUTPUT_PORT_NAME_H

#include <windows.h>

extern WCHAR PortPrefix[4];
extern int PortNumber;

#endif
