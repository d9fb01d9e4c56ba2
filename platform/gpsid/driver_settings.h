// Which input the GPS Intermediate Driver uses, from its registry key:
//
//   HKEY_LOCAL_MACHINE\System\CurrentControlSet\GPS Intermediate Driver\Drivers
//     "CurrentDriver"   REG_SZ  the name of the driver in use (a subkey)
//     NAME\"InterfaceType"  REG_SZ  "File": the driver reads NMEA from a file
//     NAME\"File1"          REG_SZ  that file's device path
//
// The settings are read afresh on every call, so a program that changes them
// is followed at the next reading.
#ifndef KELVANE_PLATFORM_GPSID_DRIVER_SETTINGS_H
#define KELVANE_PLATFORM_GPSID_DRIVER_SETTINGS_H

#include <string>

namespace kelvane {

// The device path of the current driver's file, when the current driver is
// a file driver with a file named; false otherwise (no current driver, a
// driver of another interface type, values missing or not text).
bool CurrentDriverFile(std::wstring* device_path);

}  // namespace kelvane

#endif
