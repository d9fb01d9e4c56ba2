// A modem's side of a serial line: what it echoes and answers, and when each
// byte of that reaches the other end, for the behaviours of real modems a
// profile may ask for. Shared by the device's simulated modem port and the
// host tool kelvane-modem, which add the line itself (time-outs, a
// pseudo-terminal). Not thread-safe: callers hold their own lock.
#ifndef KELVANE_PLATFORM_DEVMGR_MODEM_LINE_H
#define KELVANE_PLATFORM_DEVMGR_MODEM_LINE_H

#include "devmgr/at_modem.h"

#include <chrono>
#include <deque>
#include <optional>
#include <string>

namespace kelvane {

struct ModemBehaviour {
  bool echo = true;
  CellIdForm cell_id_form = CellIdForm::kLong;
  DWORD reply_delay = 100;           // device ms from a command's carriage return to its answer
  DWORD operator_list_delay = 3000;  // the same for the operator list (AT+COPS=?)
  DWORD reply_pieces = 1;            // an answer's first pieces - 1 bytes come one at a time
  DWORD piece_gap = 0;               // this many device ms apart, before the rest
  DWORD write_delay = 0;             // device ms the line takes to accept one byte
  bool block_writes = false;         // the line never accepts a byte
  bool silent = false;               // takes commands and sends nothing, not even the echo
  bool garbage = false;              // answers with broken values
  bool endless = false;              // the first answer never ends
  bool refuse_device_control = false;
};

class ModemLine {
 public:
  using Clock = std::chrono::steady_clock;
  explicit ModemLine(const ModemBehaviour& b) : behaviour_(b), modem_(b.echo, b.cell_id_form) {}

  // Bytes from the host at `now`, answered from `serving`. A byte that comes
  // while a command is still being answered aborts that command, as modems
  // abort a network search: what it has not sent yet is never sent.
  void Take(const char* bytes, size_t count, Clock::time_point now, const std::optional<ScenarioCell>& serving);
  // Moves up to `room` bytes that have reached the host by `now` into `out`.
  size_t TakeArrived(char* out, size_t room, Clock::time_point now);
  // Forgets what has reached the host and not been taken (a purge).
  void ClearArrived(Clock::time_point now);
  // When the next byte reaches the host (time_point::max(): none is coming).
  Clock::time_point NextArrival() const;

 private:
  struct Piece {
    Clock::time_point due;
    std::string bytes;
  };
  void Respond(const std::string& command, const std::optional<ScenarioCell>& serving);
  void Queue(Clock::time_point due, const std::string& bytes);

  const ModemBehaviour behaviour_;
  AtModem modem_;
  std::deque<Piece> pieces_;
  size_t queued_ = 0;
  bool endless_ = false;
  Clock::time_point endless_from_;
  size_t chatter_ = 0;
};

}  // namespace kelvane

#endif
