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
#include <deque>
#include <mutex>
#include <thread>

namespace kelvane {
namespace {

using Clock = std::chrono::steady_clock;

// What the modem has sent and the port not yet been read of is bounded as a
// UART's receive buffer is: bytes beyond it are lost.
const size_t kReceiveLimit = 16 * 1024;

// The values a modem with a broken firmware writes in place of its figures:
// quotes and separators out of place, control and high bytes, and texts that
// would be conversions to a careless formatter.
const char kGarbage[] = "\"\xff\x80,\"\"\x01:\x7f\"%s%n%x\",,,\"zz\"\x1b[2J\xfe";

// The answer a broken modem gives: its first word, then junk.
std::string Garbled(const std::string& answer) {
  const size_t colon = answer.find(':');
  if (colon == std::string::npos) return answer;
  return answer.substr(0, colon + 2) + std::string(kGarbage, sizeof kGarbage - 1) + "\r\n\r\nOK\r\n";
}

struct Piece {
  Clock::time_point due;
  std::string bytes;
};

class ModemPort : public SerialLine {
 public:
  explicit ModemPort(const ModemBehaviour& b) : behaviour_(b), modem_(b.echo, b.cell_id_form) {}

  BOOL Read(void* buffer, DWORD count, DWORD* done) override {
    *done = 0;
    if (count == 0) return TRUE;
    ReadTimer timer(Timeouts(), count);
    char* out = static_cast<char*>(buffer);
    std::unique_lock<std::mutex> lock(modem_lock_);
    for (;;) {
      const DWORD got = TakeDue(out + *done, count - *done);
      *done += got;
      if (got) timer.Arrived(*done);
      if (timer.Done(*done)) return TRUE;  // a time-out is a normal result
      Clock::time_point wake = timer.Deadline();
      if (!pieces_.empty()) wake = std::min(wake, pieces_.front().due);
      if (endless_) wake = std::min(wake, endless_from_);
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
    std::vector<std::string> commands;
    std::string echo;
    std::lock_guard<std::mutex> guard(modem_lock_);
    const Clock::time_point now = Clock::now();
    // A character that comes while a command is still being answered aborts
    // that command, as modems abort a network search: what it has not sent
    // yet is never sent.
    while (!pieces_.empty() && pieces_.back().due > now) {
      queued_ -= pieces_.back().bytes.size();
      pieces_.pop_back();
    }
    if (endless_ && endless_from_ > now) endless_ = false;
    modem_.Take(static_cast<const char*>(buffer), accepted, &echo, &commands);
    if (!echo.empty() && !behaviour_.silent) Queue(now, echo);
    for (const std::string& command : commands) Respond(command);
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
      if (flags & PURGE_RXCLEAR) ClearReceived();
    }
    return TRUE;
  }

 private:
  // Called with the lock held: moves bytes that have arrived into `out`.
  DWORD TakeDue(char* out, DWORD room) {
    const Clock::time_point now = Clock::now();
    DWORD got = 0;
    while (got < room && !pieces_.empty() && pieces_.front().due <= now) {
      std::string& bytes = pieces_.front().bytes;
      const size_t n = std::min<size_t>(room - got, bytes.size());
      std::memcpy(out + got, bytes.data(), n);
      bytes.erase(0, n);
      queued_ -= n;
      got += static_cast<DWORD>(n);
      if (bytes.empty()) pieces_.pop_front();
    }
    // A modem that never stops talking fills every read.
    if (endless_ && now >= endless_from_) {
      static const char kChatter[] = "+CREG: 2,1\r\n";
      for (; got < room; ++got) out[got] = kChatter[(chatter_++) % (sizeof kChatter - 1)];
    }
    return got;
  }

  void ClearReceived() {
    std::lock_guard<std::mutex> guard(modem_lock_);
    const Clock::time_point now = Clock::now();
    while (!pieces_.empty() && pieces_.front().due <= now) {
      queued_ -= pieces_.front().bytes.size();
      pieces_.pop_front();
    }
  }

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

  // Called with the lock held.
  void Respond(const std::string& command) {
    if (behaviour_.silent) return;
    const bool slow = AtModem::IsSlow(command);
    const Clock::time_point due = HostDeadline(slow ? behaviour_.operator_list_delay : behaviour_.reply_delay);
    if (behaviour_.endless) {
      if (!endless_) endless_from_ = due;
      endless_ = true;
      return;
    }
    const std::optional<ScenarioStep> step = CurrentScenarioStep();
    std::string answer = modem_.Answer(command, step ? step->serving : std::nullopt);
    if (behaviour_.garbage) answer = Garbled(answer);
    const size_t singles = std::min<size_t>(std::max<DWORD>(behaviour_.reply_pieces, 1) - 1, answer.size() - 1);
    const Clock::duration gap = HostDeadline(behaviour_.piece_gap) - Clock::now();
    for (size_t i = 0; i < singles; ++i) Queue(due + gap * i, answer.substr(i, 1));
    Queue(due + gap * singles, answer.substr(singles));
  }

  void Queue(Clock::time_point due, const std::string& bytes) {
    if (queued_ + bytes.size() > kReceiveLimit) return;
    // Bytes leave the modem in order: nothing overtakes what was sent before.
    if (!pieces_.empty()) due = std::max(due, pieces_.back().due);
    pieces_.push_back({due, bytes});
    queued_ += bytes.size();
  }

  const ModemBehaviour behaviour_;
  std::mutex modem_lock_;  // guards everything below
  std::condition_variable changed_;
  AtModem modem_;
  std::deque<Piece> pieces_;
  size_t queued_ = 0;
  bool endless_ = false;
  Clock::time_point endless_from_;
  size_t chatter_ = 0;
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
  const auto flag = [&](const char* key, bool fallback) { return ReadFlag(MemberOf(port, key), path + "." + key, fallback); };
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
