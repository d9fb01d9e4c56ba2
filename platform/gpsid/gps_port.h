// The GPS Intermediate Driver's port ("GPD0:"): the virtual serial port on
// which it hands NMEA to programs that read a GPS receiver from a port.
//
// Any number of programs may open it at once, whatever their share mode; each
// handle receives every byte offered after it was opened. Writes are taken and
// dropped (no command reaches the source). Reads follow COMMTIMEOUTS like the
// device's other serial ports. Once the port is shut, opens fail with
// ERROR_DEV_NOT_EXIST and calls on handles still open fail with
// ERROR_INVALID_HANDLE, as on a deactivated stream driver.
//
// Thread-safe.
#ifndef KELVANE_PLATFORM_GPSID_GPS_PORT_H
#define KELVANE_PLATFORM_GPSID_GPS_PORT_H

#include "devmgr/named_device.h"

#include <mutex>
#include <string>
#include <vector>

namespace kelvane {

class GpsPortReader;

class GpsPort : public NamedDevice {
 public:
  KernelObjectPtr Open(DWORD access, DWORD share) override;
  // The service bridges the port itself, from its start.
  bool BridgedOnOpen() const override { return false; }
  // Appends the bytes to every handle open now.
  void Offer(const std::string& bytes);
  // Ends every handle and refuses new opens.
  void Shut();

 private:
  std::mutex lock_;  // guards shut_ and readers_; taken before a reader's lock
  bool shut_ = false;
  std::vector<std::weak_ptr<GpsPortReader>> readers_;
};

}  // namespace kelvane

#endif
