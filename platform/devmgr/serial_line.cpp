// Settings of the device layer's own serial ports.
#include "devmgr/serial_line.h"

#include "internal/device_clock.h"
#include "internal/last_error.h"

#include <pegdser.h>

#include <algorithm>
#include <cstring>

namespace kelvane {
namespace {

BOOL Answer(const void* value, DWORD size, void* out, DWORD out_size, DWORD* returned) {
  if (!out || out_size < size || !returned) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  std::memcpy(out, value, size);
  *returned = size;
  return TRUE;
}

}  // namespace

DWORD ReadWait(const COMMTIMEOUTS& t, DWORD count) {
  if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD)
    return t.ReadTotalTimeoutConstant;
  if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0)
    return 0;
  const ULONGLONG total = ULONGLONG{count} * t.ReadTotalTimeoutMultiplier + t.ReadTotalTimeoutConstant;
  if (total == 0) return INFINITE;
  return total >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(total);
}

ReadTimer::ReadTimer(const COMMTIMEOUTS& t, DWORD count)
    : count_(count), total_(HostDeadline(ReadWait(t, count))) {
  first_byte_ends_ = t.ReadIntervalTimeout == MAXDWORD;
  if (t.ReadIntervalTimeout != MAXDWORD) interval_ = t.ReadIntervalTimeout;
}

void ReadTimer::Arrived(DWORD got) {
  if (got > 0 && interval_ != 0) interval_end_ = HostDeadline(interval_);
}

bool ReadTimer::Done(DWORD got) const {
  if (got >= count_ || (got > 0 && first_byte_ends_)) return true;
  return Clock::now() >= Deadline();
}

ReadTimer::Clock::time_point ReadTimer::Deadline() const { return std::min(total_, interval_end_); }

SerialLine::SerialLine() {
  std::memset(&dcb_, 0, sizeof(dcb_));
  dcb_.DCBlength = sizeof(DCB);
  dcb_.BaudRate = CBR_115200;
  dcb_.fBinary = 1;
  dcb_.ByteSize = 8;
  dcb_.Parity = NOPARITY;
  dcb_.StopBits = ONESTOPBIT;
  // Reads return at once with what is there, until a program asks otherwise.
  timeouts_ = {MAXDWORD, 0, 0, 0, 0};
}

COMMTIMEOUTS SerialLine::Timeouts() {
  std::lock_guard<std::mutex> guard(lock_);
  return timeouts_;
}

BOOL SerialLine::IoControl(DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned) {
  std::lock_guard<std::mutex> guard(lock_);
  switch (code) {
    case IOCTL_SERIAL_SET_BREAK_ON:
    case IOCTL_SERIAL_SET_BREAK_OFF:
    case IOCTL_SERIAL_SET_DTR:
    case IOCTL_SERIAL_CLR_DTR:
    case IOCTL_SERIAL_SET_RTS:
    case IOCTL_SERIAL_CLR_RTS:
    case IOCTL_SERIAL_SET_XOFF:
    case IOCTL_SERIAL_SET_XON:
    case IOCTL_SERIAL_IMMEDIATE_CHAR:
    case IOCTL_SERIAL_ENABLE_IR:
    case IOCTL_SERIAL_DISABLE_IR:
      return TRUE;
    case IOCTL_SERIAL_GET_DCB:
      return Answer(&dcb_, sizeof(DCB), out, out_size, returned);
    case IOCTL_SERIAL_SET_DCB: {
      if (!in || in_size < sizeof(DCB)) break;
      DCB dcb;
      std::memcpy(&dcb, in, sizeof(DCB));
      if (!ApplyLineSettings(dcb)) return FALSE;
      dcb_ = dcb;
      return TRUE;
    }
    case IOCTL_SERIAL_GET_TIMEOUTS:
      return Answer(&timeouts_, sizeof(COMMTIMEOUTS), out, out_size, returned);
    case IOCTL_SERIAL_SET_TIMEOUTS:
      if (!in || in_size < sizeof(COMMTIMEOUTS)) break;
      std::memcpy(&timeouts_, in, sizeof(COMMTIMEOUTS));
      return TRUE;
    case IOCTL_SERIAL_GET_WAIT_MASK:
      return Answer(&event_mask_, sizeof(DWORD), out, out_size, returned);
    case IOCTL_SERIAL_SET_WAIT_MASK:
      if (!in || in_size < sizeof(DWORD)) break;
      std::memcpy(&event_mask_, in, sizeof(DWORD));
      return TRUE;
    case IOCTL_SERIAL_GET_COMMSTATUS: {
      SERIAL_DEV_STATUS status;
      std::memset(&status, 0, sizeof(status));
      return Answer(&status, sizeof(status), out, out_size, returned);
    }
    case IOCTL_SERIAL_GET_MODEMSTATUS: {
      const DWORD status = MS_CTS_ON | MS_DSR_ON;
      return Answer(&status, sizeof(status), out, out_size, returned);
    }
    case IOCTL_SERIAL_GET_PROPERTIES: {
      COMMPROP prop;
      std::memset(&prop, 0, sizeof(prop));
      prop.wPacketLength = sizeof(COMMPROP);
      prop.wPacketVersion = 1;
      prop.dwServiceMask = SP_SERIALCOMM;
      prop.dwMaxBaud = BAUD_USER;
      prop.dwProvSubType = PST_RS232;
      prop.dwProvCapabilities = PCF_TOTALTIMEOUTS;
      prop.dwSettableParams = SP_BAUD | SP_DATABITS | SP_PARITY | SP_STOPBITS;
      prop.dwSettableBaud = BAUD_USER;
      prop.wSettableData = DATABITS_8;
      prop.wSettableStopParity = STOPBITS_10 | PARITY_NONE;
      return Answer(&prop, sizeof(prop), out, out_size, returned);
    }
    case IOCTL_SERIAL_PURGE:
    case IOCTL_SERIAL_SET_QUEUE_SIZE:
      if (!in || in_size < (code == IOCTL_SERIAL_PURGE ? sizeof(DWORD) : sizeof(SERIAL_QUEUE_SIZES))) break;
      return TRUE;
    case IOCTL_SERIAL_WAIT_ON_MASK:
      return Fail(ERROR_NOT_SUPPORTED, FALSE);
    default:
      return Fail(ERROR_INVALID_FUNCTION, FALSE);
  }
  return Fail(ERROR_INVALID_PARAMETER, FALSE);
}

}  // namespace kelvane
