// The SDK's umbrella header: everything the system's sources include.
#ifndef KELVANE_WINDOWS_H
#define KELVANE_WINDOWS_H

#include <windef.h>
#include <winerror.h>
#include <winbase.h>
#include <winnls.h>
#include <winreg.h>
#include <wingdi.h>
#include <winuser.h>

#endif
