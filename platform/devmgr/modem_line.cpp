// The modem's side of the line.
#include "devmgr/modem_line.h"

#include "internal/device_clock.h"

#include <algorithm>
#include <cstring>

namespace kelvane {
namespace {

// What the modem has sent and the host not yet taken is bounded as a UART's
// receive buffer is: bytes beyond it are lost.
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

}  // namespace

void ModemLine::Take(const char* bytes, size_t count, Clock::time_point now,
                     const std::optional<ScenarioCell>& serving) {
  if (count == 0) return;
  while (!pieces_.empty() && pieces_.back().due > now) {
    queued_ -= pieces_.back().bytes.size();
    pieces_.pop_back();
  }
  if (endless_ && endless_from_ > now) endless_ = false;
  std::string echo;
  std::vector<std::string> commands;
  modem_.Take(bytes, count, &echo, &commands);
  if (!echo.empty() && !behaviour_.silent) Queue(now, echo);
  for (const std::string& command : commands) Respond(command, serving);
}

void ModemLine::Respond(const std::string& command, const std::optional<ScenarioCell>& serving) {
  if (behaviour_.silent) return;
  const Clock::time_point due =
      HostDeadline(AtModem::IsSlow(command) ? behaviour_.operator_list_delay : behaviour_.reply_delay);
  if (behaviour_.endless) {
    if (!endless_) endless_from_ = due;
    endless_ = true;
    return;
  }
  std::string answer = modem_.Answer(command, serving);
  if (behaviour_.garbage) answer = Garbled(answer);
  const size_t singles = std::min<size_t>(std::max<DWORD>(behaviour_.reply_pieces, 1) - 1, answer.size() - 1);
  const Clock::duration gap = HostDeadline(behaviour_.piece_gap) - Clock::now();
  for (size_t i = 0; i < singles; ++i) Queue(due + gap * i, answer.substr(i, 1));
  Queue(due + gap * singles, answer.substr(singles));
}

void ModemLine::Queue(Clock::time_point due, const std::string& bytes) {
  if (queued_ + bytes.size() > kReceiveLimit) return;
  // Bytes leave the modem in order: nothing overtakes what was sent before.
  if (!pieces_.empty()) due = std::max(due, pieces_.back().due);
  pieces_.push_back({due, bytes});
  queued_ += bytes.size();
}

size_t ModemLine::TakeArrived(char* out, size_t room, Clock::time_point now) {
  size_t got = 0;
  while (got < room && !pieces_.empty() && pieces_.front().due <= now) {
    std::string& bytes = pieces_.front().bytes;
    const size_t n = std::min(room - got, bytes.size());
    std::memcpy(out + got, bytes.data(), n);
    bytes.erase(0, n);
    queued_ -= n;
    got += n;
    if (bytes.empty()) pieces_.pop_front();
  }
  // A modem that never stops talking fills every read.
  if (endless_ && now >= endless_from_) {
    static const char kChatter[] = "+CREG: 2,1\r\n";
    for (; got < room; ++got) out[got] = kChatter[(chatter_++) % (sizeof kChatter - 1)];
  }
  return got;
}

void ModemLine::ClearArrived(Clock::time_point now) {
  while (!pieces_.empty() && pieces_.front().due <= now) {
    queued_ -= pieces_.front().bytes.size();
    pieces_.pop_front();
  }
}

ModemLine::Clock::time_point ModemLine::NextArrival() const {
  Clock::time_point next = pieces_.empty() ? Clock::time_point::max() : pieces_.front().due;
  if (endless_) next = std::min(next, endless_from_);
  return next;
}

}  // namespace kelvane
