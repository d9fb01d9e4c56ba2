// A serial port that the device layer itself provides (the profile's built-in
// ports): it keeps the settings that the communication functions set and
// answers them, as a serial driver does. Subclasses move the bytes.
//
// WaitCommEvent is not offered by these ports (ERROR_NOT_SUPPORTED).
// Thread-safe.
#ifndef KELVANE_PLATFORM_DEVMGR_SERIAL_LINE_H
#define KELVANE_PLATFORM_DEVMGR_SERIAL_LINE_H

#include "internal/kernel_object.h"

#include <mutex>

namespace kelvane {

class SerialLine : public KernelObject {
 public:
  SerialLine();
  BOOL IoControl(DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned) override;

 protected:
  // Called with the new line settings before they are kept; FALSE (with the
  // last error set) refuses them.
  virtual BOOL ApplyLineSettings(const DCB&) { return TRUE; }
  COMMTIMEOUTS Timeouts();

 private:
  std::mutex lock_;  // guards the settings
  DCB dcb_;
  COMMTIMEOUTS timeouts_;
  DWORD event_mask_ = 0;
};

// How long a read may wait for its first byte, in device ms: 0 returns at
// once, INFINITE waits without limit (the platform's rules for COMMTIMEOUTS).
DWORD ReadWait(const COMMTIMEOUTS& t, DWORD count);

}  // namespace kelvane

#endif
