// The device's GPS Intermediate Driver: it hands the NMEA of the current GPS
// source to every program that reads it, here on a port of its own
// ("GPD0:"), which the profile's "bridges" can relay to the host for gpsd.
//
// The only source it knows is the file driver: about once a second of device
// time it reads the registry (driver_settings.h) and, when the current driver
// reads a file, that file (driver_file.h), and offers the file's lines on its
// port. An empty or missing file offers nothing (no fix).
//
// The profile gives the device one with
//   "gpsIntermediateDriver": {"port": "GPD0:"}
// ("port" may be left out; without the key the device has none). In every
// device process that uses device names, the service runs on a thread of its
// own from when the device manager builds its table of names until the
// process exits, and serves the port to that process's programs. Only one
// process at a time relays the port to the host: the one holding the lock
// file ROOT/gpsid.lock; when it ends, another takes over within a reading.
#ifndef KELVANE_PLATFORM_GPSID_GPS_INTERMEDIATE_DRIVER_H
#define KELVANE_PLATFORM_GPSID_GPS_INTERMEDIATE_DRIVER_H

#include "devmgr/named_device.h"

#include <string>
#include <utility>

namespace kelvane {

// When the profile gives the device a GPS Intermediate Driver: makes its
// port, starts the service and returns the port with its name, for the
// table of names; {"", null} otherwise. Once per process, while the table is
// being built (the service's thread looks names up only once it is built).
std::pair<std::wstring, NamedDevicePtr> StartGpsIntermediateDriver();

// Ends the service: its name goes, its thread stops, the port's bridge ends
// and handles still open on the port fail from then on. Runs at process exit;
// tests call it to end the service earlier. Does nothing a second time.
void StopGpsIntermediateDriver();

}  // namespace kelvane

#endif
