// The program's virtual serial port: a Tavrel driver instance registered
// under HKEY_LOCAL_MACHINE\Drivers\KelvanePorts\n, activated, and opened for
// writing; or a port of another vendor's driver (VSP0: to VSP9:) opened as is.
#ifndef KELVANE_OUTPUT_VIRTUAL_PORT_H
#define KELVANE_OUTPUT_VIRTUAL_PORT_H

#include <windows.h>

// Writes the instance's four values (always with prefix "COM") and flushes:
// 0, or -1 when the registry values cannot be written.
int RegisterPortDriver(int n);
// 0 success; -1 registry failure; -2 activation failure; -3 the port cannot
// be opened (the instance is then deactivated).
int CreateVirtualPort(const WCHAR* prefix, int n);
// Opens "PREFIXn:" for writing into the GPS output object: 0, or -3.
int OpenPort(const WCHAR* prefix, int n);
// The configured Port first (more than three characters), then COM0 to
// COM19, then another vendor's VSP0 to VSP9; sets the port prefix and number.
// 0 when a port was opened, else the result kept for the failure lines.
int OpenAnyPort();

#endif
