// A serial port that the device layer itself provides (the profile's built-in
// ports): it keeps the settings that the communication functions set and
// answers them, as a serial driver does. Subclasses move the bytes.
//
// WaitCommEvent is not offered by these ports (ERROR_NOT_SUPPORTED).
// Thread-safe.
#ifndef KELVANE_PLATFORM_DEVMGR_SERIAL_LINE_H
#define KELVANE_PLATFORM_DEVMGR_SERIAL_LINE_H

#include "internal/kernel_object.h"

#include <chrono>
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

// The whole of the platform's COMMTIMEOUTS rules for one read of `count`
// bytes, for ports whose bytes arrive one after another: the total time-out
// counts from the start of the read, the interval time-out from the last byte
// (once one has come), and ReadIntervalTimeout = MAXDWORD with
// ReadTotalTimeoutMultiplier = MAXDWORD returns as soon as anything has come.
class ReadTimer {
 public:
  using Clock = std::chrono::steady_clock;
  ReadTimer(const COMMTIMEOUTS& t, DWORD count);
  // Bytes arrived; `got` is how many the read holds now.
  void Arrived(DWORD got);
  // Whether the read returns now with the `got` bytes it holds.
  bool Done(DWORD got) const;
  // When to stop waiting for the next byte (time_point::max(): never).
  Clock::time_point Deadline() const;

 private:
  const DWORD count_;
  bool first_byte_ends_ = false;
  Clock::time_point total_;
  DWORD interval_ = 0;  // device ms; 0: no interval rule
  Clock::time_point interval_end_ = Clock::time_point::max();
};

}  // namespace kelvane

#endif
