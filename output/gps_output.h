// The GPS output object: the virtual port handle, the activated driver
// instance and the GPS Intermediate Driver's file. One process-wide object,
// constructed during static initialisation (it saves the Intermediate
// Driver's current driver) and destroyed at process exit (it closes the
// port, deactivates the instance, deletes the file and its registry entries
// and restores the previous driver).
//
// Only the process that took the registration over (the instance that really
// started; a second start exits at once) removes or restores anything: the
// registry entries belong to the running instance. The previous driver is
// kept under the program's own driver key before "CurrentDriver" changes, so
// a run that was killed does not lose it: the next start reads it back.
#ifndef KELVANE_OUTPUT_GPS_OUTPUT_H
#define KELVANE_OUTPUT_GPS_OUTPUT_H

#include <windows.h>
#include <stdio.h>

#include <string>

#include "core/position.h"

class GpsOutput {
 public:
  GpsOutput();
  ~GpsOutput();
  GpsOutput(const GpsOutput&) = delete;
  GpsOutput& operator=(const GpsOutput&) = delete;

  // Called once by the instance that really starts, before it registers
  // anything: removes what a killed run left (port instances, the driver
  // key, the driver file), and makes this process the one that cleans up.
  void TakeOverRegistration();
  // Makes the program the Intermediate Driver's file driver: 0, or -1 when
  // the registry could not be written (the object then stays inactive).
  int RegisterDriverFile(const WCHAR* path);
  // Rewrites the driver file with one burst: 0, or -1 (not registered, or
  // the file cannot be created).
  int WriteDriverFile(const Position& position);
  // Empties the driver file: no fix.
  void ClearDriverFile();

  HANDLE port_handle = nullptr;    // the open virtual serial port
  HANDLE device_handle = nullptr;  // the activated driver instance
  std::wstring driver_file_path;   // empty until the registration succeeded
  FILE* driver_file = nullptr;     // open only while a burst is written
  WCHAR saved_current_driver[520] = {};  // never the program's own name

 private:
  bool owns_registration_ = false;
};

GpsOutput& TheGpsOutput();

#endif
