// A device with a GPS Intermediate Driver (port "GPD0:") at 20 times host
// speed, and the steps a device program takes to feed it: a file driver in
// the registry and NMEA in its file.
#ifndef KELVANE_TESTS_GPSID_GPSID_FIXTURE_H
#define KELVANE_TESTS_GPSID_GPSID_FIXTURE_H

#include "support/device_fixture.h"

#include <windows.h>

#include <string>

namespace kelvane::testing {

// Six sentences of one fix, each ending in "\n" as the program writes them.
extern const char kBurst[];
// The same as the port offers them, each ending in "\r\n".
std::string OfferedBurst();

class GpsidTest : public DeviceTest {
 protected:
  void SetUp() override;
  // Ends the service before the device root goes.
  void TearDown() override;
  // The profile of SetUp plus `extra`, before the first use of a device name;
  // `extra` may give its own "gpsIntermediateDriver" (null: the device has none).
  void SetUpDevice(const Json::Value& extra);

  // Writes the driver key NAME (InterfaceType, File1, FriendlyName) the way
  // the program does: zero-filled 128-character buffers written whole.
  void RegisterDriver(const std::wstring& name, const std::wstring& interface_type, const std::wstring& file);
  void SetCurrentDriver(const std::wstring& name);
  // A file driver "Kelvane" on \windows\gpsfile.dat, made the current one.
  void RegisterFileDriver();
  // Replaces the device file's contents.
  void WriteDeviceFile(const std::wstring& path, const std::string& text);

  // Opens "GPD0:" with reads that wait at most 200 device ms for a byte.
  HANDLE OpenGps();
  // What the port gives within `device_ms`, or until `until` appears in it.
  std::string ReadFor(HANDLE port, DWORD device_ms, const std::string& until = "");
  // Lets readings under way finish, then expects nothing for three readings.
  void ExpectNothingOffered(HANDLE port);
};

}  // namespace kelvane::testing

#endif
