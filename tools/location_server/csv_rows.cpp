#include "csv_rows.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace locserver {

std::vector<CsvRow> ReadCsvRows(std::istream& in, const std::string& first_column) {
  std::vector<CsvRow> rows;
  bool first_record = true;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    CsvRow row{number, {}};
    size_t start = 0;
    for (;;) {
      const size_t comma = line.find(',', start);
      row.fields.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    const bool header = first_record && row.fields[0] == first_column;
    first_record = false;
    if (!header) rows.push_back(std::move(row));
  }
  return rows;
}

bool ParseInteger(const std::string& text, int64_t min, int64_t max, int64_t* value) {
  if (text.empty() || text.size() > 20) return false;
  const size_t digits_from = text[0] == '-' ? 1 : 0;
  if (digits_from == text.size()) return false;
  for (size_t i = digits_from; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  errno = 0;
  const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE || parsed < min || parsed > max) return false;
  *value = parsed;
  return true;
}

bool ParseReal(const std::string& text, double min, double max, double* value) {
  if (text.empty() || text.size() > 40) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')) return false;
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(parsed) || parsed < min || parsed > max) return false;
  *value = parsed;
  return true;
}

void CsvErrors::Add(int line, const std::string& message) {
  ++count_;
  sink_->push_back(file_ + ":" + std::to_string(line) + ": " + message);
}

}  // namespace locserver
