// The simulated modem's command set.
#include "devmgr/at_modem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kelvane {
namespace {

const char kOk[] = "\r\nOK\r\n";
const char kError[] = "\r\nERROR\r\n";

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string Information(const std::string& line) { return "\r\n" + line + "\r\n" + kOk; }

// The numeric operator code: country code and a network code of at least two
// digits ("25001").
std::string OperatorCode(const ScenarioCell& cell) {
  char code[24];
  std::snprintf(code, sizeof code, "%03u%02u", static_cast<unsigned>(cell.mcc), static_cast<unsigned>(cell.mnc));
  return code;
}

// One network of the operator list: (status,"long name","short name","code").
std::string OperatorListEntry(char status, const ScenarioCell& cell) {
  const std::string code = OperatorCode(cell);
  return std::string("(") + status + ",\"Operator " + code + "\",\"Op" + code + "\",\"" + code + "\")";
}

// +CSQ's received-signal figure from the radio's level (RXLEV 0..63, -110 dBm
// and up in 1 dB steps): 0..31 in 2 dB steps from -113 dBm, 99 unknown.
int SignalQuality(LONG level) {
  if (level < 0) return 99;
  return static_cast<int>(std::min<LONG>((level + 3) / 2, 31));
}

}  // namespace

bool ParseCellIdForm(const std::string& text, CellIdForm* form) {
  if (text == "short")
    *form = CellIdForm::kShort;
  else if (text == "long")
    *form = CellIdForm::kLong;
  else if (text == "hidden")
    *form = CellIdForm::kHidden;
  else
    return false;
  return true;
}

void AtModem::Take(const char* bytes, size_t count, std::string* echo, std::vector<std::string>* commands) {
  if (echo_) echo->append(bytes, count);
  for (size_t i = 0; i < count; ++i) {
    const char c = bytes[i];
    if (c == '\r') {
      commands->push_back(overlong_ ? std::string() : line_);
      line_.clear();
      overlong_ = false;
    } else if (c == '\n' && line_.empty()) {
      // the line feed some hosts send after the carriage return
    } else if (line_.size() < kLineLimit) {
      line_ += c;
    } else {
      overlong_ = true;
    }
  }
}

bool AtModem::IsSlow(const std::string& command) { return Upper(command) == "AT+COPS=?"; }

std::string AtModem::Registration(const std::optional<ScenarioCell>& serving) const {
  // Registration state: 1 registered on the home network, 0 not registered
  // and not searching.
  std::string line = "+CREG: " + std::to_string(registration_mode_) + (serving ? ",1" : ",0");
  if (registration_mode_ == 2 && serving && form_ != CellIdForm::kHidden) {
    char location[48];
    std::snprintf(location, sizeof location, form_ == CellIdForm::kShort ? ",\"%04X\",\"%04X\"" : ",\"%04X\",\"%08X\"",
                  static_cast<unsigned>(serving->lac & 0xFFFF),
                  static_cast<unsigned>(form_ == CellIdForm::kShort ? serving->cell_id & 0xFFFF : serving->cell_id));
    line += location;
  }
  return Information(line);
}

std::string AtModem::Answer(const std::string& command, const std::optional<ScenarioCell>& serving) {
  const std::string c = Upper(command);
  if (c == "AT") return kOk;
  if (c == "ATE0" || c == "ATE1") {
    echo_ = c == "ATE1";
    return kOk;
  }
  if (c == "AT+CREG=0" || c == "AT+CREG=1" || c == "AT+CREG=2") {
    registration_mode_ = c.back() - '0';
    return kOk;
  }
  if (c == "AT+CREG?") return Registration(serving);
  if (c == "AT+CSQ")
    return Information("+CSQ: " + std::to_string(SignalQuality(serving ? serving->signal : -1)) + ",99");
  if (c == "AT+COPS?") return Information(serving ? "+COPS: 0,2,\"" + OperatorCode(*serving) + "\"" : "+COPS: 0");
  if (c == "AT+COPS=?") {
    std::string list = "+COPS: ";
    if (serving) {
      // The home network (2: current) first, then a neighbour one (1: available).
      ScenarioCell other = *serving;
      other.mnc = (serving->mnc + 1) % 100;
      list += OperatorListEntry('2', *serving) + "," + OperatorListEntry('1', other);
    }
    return Information(list + ",,(0,1,2,3,4),(0,1,2)");
  }
  return kError;
}

}  // namespace kelvane
