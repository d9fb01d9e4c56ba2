// The simulated modem port.
#include "devmgr/modem_port.h"

#include "devmgr/serial_line.h"
#include "internal/device_clock.h"
#include "internal/last_error.h"
#include "internal/profile_value.h"

#include <pegdser.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace kelvane {
namespace {

using Clock = std::chrono::steady_clock;

class ModemPort : public SerialLine {
 public:
  explicit ModemPort(const ModemBehaviour& b) : behaviour_(b), line_(b) {}

  BOOL Read(void* buffer, DWORD count, DWORD* done) override {
    *done = 0;
    if (count == 0) return TRUE;
    ReadTimer timer(Timeouts(), count);
    char* out = static_cast<char*>(buffer);
    std::unique_lock<std::mutex> lock(modem_lock_);
    for (;;) {
      const DWORD got = static_cast<DWORD>(line_.TakeArrived(out + *done, count - *done, Clock::now()));
      *done += got;
      if (got) timer.Arrived(*done);
      if (timer.Done(*done)) return TRUE;  // a time-out is a normal result
      const Clock::time_point wake = std::min(timer.Deadline(), line_.NextArrival());
      if (wake == Clock::time_point::max())
        changed_.wait(lock);
      else
        changed_.wait_until(lock, wake);
    }
  }

  BOOL Write(const void* buffer, DWORD count, DWORD* done) override {
    *done = 0;
    if (count == 0) return TRUE;
    const DWORD accepted = WaitForLine(count);
    const std::optional<ScenarioStep> step = CurrentScenarioStep();
    std::lock_guard<std::mutex> guard(modem_lock_);
    line_.Take(static_cast<const char*>(buffer), accepted, Clock::now(), step ? step->serving : std::nullopt);
    *done = accepted;
    changed_.notify_all();
    return TRUE;
  }

  BOOL IoControl(DWORD code, void* in, DWORD in_size, void* out, DWORD out_size, DWORD* returned) override {
    if (code == kModemVendorControl) {
      if (!in || in_size < 2) return Fail(ERROR_INVALID_PARAMETER, FALSE);
      if (behaviour_.refuse_device_control) return Fail(ERROR_NOT_SUPPORTED, FALSE);
      return TRUE;
    }
    if (!SerialLine::IoControl(code, in, in_size, out, out_size, returned)) return FALSE;
    if (code == IOCTL_SERIAL_PURGE) {
      DWORD flags = 0;
      std::memcpy(&flags, in, sizeof flags);
      std::lock_guard<std::mutex> guard(modem_lock_);
      if (flags & PURGE_RXCLEAR) line_.ClearArrived(Clock::now());
    }
    return TRUE;
  }

 private:
  // How many of `count` bytes the line accepts, after the time they take;
  // the rest are refused when the write time-out passes.
  DWORD WaitForLine(DWORD count) {
    if (!behaviour_.block_writes && behaviour_.write_delay == 0) return count;
    const COMMTIMEOUTS t = Timeouts();
    const ULONGLONG limit = ULONGLONG{t.WriteTotalTimeoutMultiplier} * count + t.WriteTotalTimeoutConstant;
    ULONGLONG wait = limit;
    DWORD accepted = 0;
    if (!behaviour_.block_writes) {
      const ULONGLONG need = ULONGLONG{behaviour_.write_delay} * count;
      accepted = limit == 0 || need <= limit ? count : static_cast<DWORD>(limit / behaviour_.write_delay);
      wait = limit == 0 ? need : std::min(need, limit);
    } else if (limit == 0) {
      // No write time-out: a blocked line holds the writer for good, which
      // the program cannot tell from a hang; wait the longest a DWORD allows.
      wait = INFINITE - 1;
    }
    std::this_thread::sleep_until(HostDeadline(static_cast<DWORD>(std::min<ULONGLONG>(wait, INFINITE - 1))));
    return accepted;
  }

  const ModemBehaviour behaviour_;
  std::mutex modem_lock_;  // guards the line
  std::condition_variable changed_;
  ModemLine line_;
};

// One port: a second open while a handle is open fails as a serial port's does.
class ModemDevice : public NamedDevice {
 public:
  explicit ModemDevice(const ModemBehaviour& b) : behaviour_(b) {}
  KernelObjectPtr Open(DWORD, DWORD) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!open_.expired()) return Fail(ERROR_ACCESS_DENIED, KernelObjectPtr());
    auto port = std::make_shared<ModemPort>(behaviour_);
    open_ = port;
    return port;
  }

 private:
  const ModemBehaviour behaviour_;
  std::mutex lock_;
  std::weak_ptr<KernelObject> open_;
};

}  // namespace

ModemBehaviour ReadModemBehaviour(const Json::Value& port, const std::string& path) {
  ModemBehaviour b;
  const auto flag = [&](const char* key, bool fallback) {
    return ReadFlag(MemberOf(port, key), path + "." + key, fallback);
  };
  const auto ms = [&](const char* key, DWORD fallback) {
    return static_cast<DWORD>(ReadCount(MemberOf(port, key), path + "." + key, fallback, 3600000));
  };
  b.echo = flag("echo", b.echo);
  const std::string form = ReadText(MemberOf(port, "cellIdForm"), path + ".cellIdForm", "long");
  if (!ParseCellIdForm(form, &b.cell_id_form))
    ReportProfileProblem(path + ".cellIdForm must be \"short\", \"long\" or \"hidden\"");
  b.reply_delay = ms("replyDelay", b.reply_delay);
  b.operator_list_delay = ms("operatorListDelay", b.operator_list_delay);
  b.reply_pieces = static_cast<DWORD>(ReadCount(MemberOf(port, "replyPieces"), path + ".replyPieces", 1, 1024));
  b.piece_gap = ms("pieceGap", b.piece_gap);
  b.write_delay = ms("writeDelay", b.write_delay);
  b.block_writes = flag("blockWrites", b.block_writes);
  b.silent = flag("silent", b.silent);
  b.garbage = flag("garbage", b.garbage);
  b.endless = flag("endless", b.endless);
  b.refuse_device_control = flag("refuseDeviceControl", b.refuse_device_control);
  return b;
}

NamedDevicePtr MakeModemDevice(const ModemBehaviour& behaviour) { return std::make_shared<ModemDevice>(behaviour); }

}  // namespace kelvane
