// Reading a file driver's file: the NMEA lines a GPS source wrote there.
//
// Each line is offered as a receiver sends it, ending in "\r\n", whatever
// ended it in the file (a last line may lack its end). Blank lines are
// skipped; nothing else is checked, so a line without a checksum goes out as
// it is. A missing or empty file has no lines: the source has no fix.
#ifndef KELVANE_PLATFORM_GPSID_DRIVER_FILE_H
#define KELVANE_PLATFORM_GPSID_DRIVER_FILE_H

#include <cstddef>
#include <string>
#include <vector>

namespace kelvane {

// Only this much of a file is read; a line that the bound cuts is left out.
const size_t kDriverFileLimit = 64 * 1024;

struct DriverFileReading {
  std::vector<std::string> lines;
  // Why the file could not be read whole, for standard error; "" when it could.
  std::string problem;
};

DriverFileReading ReadDriverFile(const std::wstring& device_path);

}  // namespace kelvane

#endif
