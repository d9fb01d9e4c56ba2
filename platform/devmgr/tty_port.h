// The built-in port kind "tty": a host serial line (a real modem at
// /dev/ttyUSB2, or a pseudo-terminal), opened without becoming the process's
// controlling terminal, for one user at a time, in raw mode.
#ifndef KELVANE_PLATFORM_DEVMGR_TTY_PORT_H
#define KELVANE_PLATFORM_DEVMGR_TTY_PORT_H

#include "devmgr/named_device.h"

#include <string>

namespace kelvane {

NamedDevicePtr MakeTtyDevice(std::string path);

}  // namespace kelvane

#endif
