// The command set of a GSM modem as the device's simulated modem port and the
// host tool kelvane-modem both serve it: network registration (+CREG), signal
// quality (+CSQ) and operator selection (+COPS), with echo (E0/E1) and the
// verbose result codes "OK" and "ERROR".
//
// Only the answers' text lives here; when they are sent (delays, pieces) is
// the caller's business. Not thread-safe: one modem per caller, under its lock.
#ifndef KELVANE_PLATFORM_DEVMGR_AT_MODEM_H
#define KELVANE_PLATFORM_DEVMGR_AT_MODEM_H

#include "internal/scenario.h"

#include <optional>
#include <string>
#include <vector>

namespace kelvane {

// How +CREG shows the area code and cell id: "1A2B","C3D4" (2-byte cell id,
// GSM), "1A2B","0000C3D4" (4-byte, as UMTS modems write it), or not at all
// (a modem that hides them and reports only its registration state).
enum class CellIdForm { kShort, kLong, kHidden };

// Reads "short", "long" or "hidden"; false for anything else.
bool ParseCellIdForm(const std::string& text, CellIdForm* form);

class AtModem {
 public:
  AtModem(bool echo, CellIdForm form) : echo_(echo), form_(form) {}

  // Takes bytes from the host. The echo (when on) is appended to `echo`; each
  // command line completed by a carriage return is appended to `commands`
  // without it. A line longer than a modem's buffer is cut, and answered
  // "ERROR" as a modem answers a line it could not take.
  void Take(const char* bytes, size_t count, std::string* echo, std::vector<std::string>* commands);

  // The answer to one command line from the network as it is now (none: no
  // service), result code included.
  std::string Answer(const std::string& command, const std::optional<ScenarioCell>& serving);

  // Commands whose answer a modem gives only after seconds (the operator
  // list needs a network search).
  static bool IsSlow(const std::string& command);

  static constexpr size_t kLineLimit = 256;

 private:
  std::string Registration(const std::optional<ScenarioCell>& serving) const;

  bool echo_;
  CellIdForm form_;
  int registration_mode_ = 0;  // AT+CREG=n: 2 shows area code and cell id
  std::string line_;
  bool overlong_ = false;
};

}  // namespace kelvane

#endif
