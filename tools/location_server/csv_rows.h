// Rows of the location server's CSV data files: one record a line, fields
// separated by commas, no quoting (the public cell export uses none). Blank
// lines and lines starting with '#' are skipped, line ends may be CRLF, and a
// first line whose first field names the first column is the header.
#ifndef KELVANE_LOCSERVER_CSV_ROWS_H
#define KELVANE_LOCSERVER_CSV_ROWS_H

#include <cstdint>
#include <istream>
#include <string>
#include <utility>
#include <vector>

namespace locserver {

struct CsvRow {
  int line;  // 1-based line number in the file
  std::vector<std::string> fields;
};

std::vector<CsvRow> ReadCsvRows(std::istream& in, const std::string& first_column);

// Whole-field conversions: no blanks, no trailing characters, within [min, max].
bool ParseInteger(const std::string& text, int64_t min, int64_t max, int64_t* value);
bool ParseReal(const std::string& text, double min, double max, double* value);

// Collects "name:line: message" errors of one file.
class CsvErrors {
 public:
  CsvErrors(std::string file_name, std::vector<std::string>* sink) : file_(std::move(file_name)), sink_(sink) {}
  void Add(int line, const std::string& message);
  bool any() const { return count_ > 0; }

 private:
  std::string file_;
  std::vector<std::string>* sink_;
  int count_ = 0;
};

}  // namespace locserver

#endif
