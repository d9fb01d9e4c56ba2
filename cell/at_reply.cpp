// The modem answers' readers.
#include "cell/at_reply.h"

#include <algorithm>
#include <vector>

namespace {

// The pieces of `text` between separators; runs of separators count as one
// and empty pieces are left out.
std::vector<std::string> Pieces(const std::string& text, const char* separators) {
  std::vector<std::string> pieces;
  size_t from = text.find_first_not_of(separators);
  while (from != std::string::npos) {
    const size_t to = text.find_first_of(separators, from);
    pieces.push_back(text.substr(from, to == std::string::npos ? std::string::npos : to - from));
    from = to == std::string::npos ? to : text.find_first_not_of(separators, to);
  }
  return pieces;
}

int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9')
    value = c - '0';
  else if (c >= 'a' && c <= 'f')
    value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    value = c - 'A' + 10;
  return value < base ? value : -1;
}

// The number the piece starts with (what follows it is not looked at); false
// when it starts with no digit or the number exceeds 0x7FFFFFFF.
bool LeadingNumber(const std::string& piece, int base, int32_t* value) {
  int64_t number = 0;
  size_t i = 0;
  for (; i < piece.size() && DigitValue(piece[i], base) >= 0; ++i) {
    number = number * base + DigitValue(piece[i], base);
    if (number > INT32_MAX) return false;
  }
  if (i == 0) return false;
  *value = static_cast<int32_t>(number);
  return true;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

void ReadRegistration(const std::string& reply, int32_t* area, int32_t* cell_id) {
  const std::vector<std::string> pieces = Pieces(reply, "\"");
  if (pieces.size() > 1) LeadingNumber(pieces[1], 16, area);
  if (pieces.size() > 3) LeadingNumber(pieces[3], 16, cell_id);
}

bool ReadSignal(const std::string& reply, int32_t* signal) {
  const std::vector<std::string> pieces = Pieces(reply, ":, ");
  return pieces.size() > 1 && LeadingNumber(pieces[1], 10, signal);
}

bool ReadOperator(const std::string& reply, int32_t* country, int32_t* network) {
  const std::vector<std::string> pieces = Pieces(reply, ",");
  if (pieces.size() < 4) return true;
  const std::vector<std::string> code = Pieces(pieces[3], "\"");
  if (code.empty()) return false;
  // Three characters of country code, then up to seven of network code, as
  // the numeric operator code "25001" is written; blanks end either part.
  const std::string& text = code[0];
  size_t at = text.find_first_not_of(" \t\r\n");
  if (at == std::string::npos) return true;
  const size_t country_end = std::min(text.find_first_of(" \t\r\n", at), at + 3);
  const std::string country_text = text.substr(at, country_end - at);
  at = text.find_first_not_of(" \t\r\n", country_end);
  if (at == std::string::npos) return true;
  const size_t network_end = std::min(text.find_first_of(" \t\r\n", at), at + 7);
  const std::string network_text = text.substr(at, network_end - at);
  if (!AllDigits(country_text) || !AllDigits(network_text)) return true;
  *country = std::stoi(country_text);
  *network = std::stoi(network_text);
  return true;
}
