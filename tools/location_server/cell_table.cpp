#include "cell_table.h"

#include "csv_rows.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace locserver {
namespace {

enum Column { kRadio, kMcc, kNet, kArea, kCell, kUnit, kLon, kLat, kRange, kSamples, kChangeable, kCreated, kUpdated,
              kAverageSignal, kColumnCount };

const char* const kColumnNames[kColumnCount] = {"radio", "mcc",     "net",        "area",    "cell",
                                                "unit",  "lon",     "lat",        "range",   "samples",
                                                "changeable", "created", "updated", "averageSignal"};

constexpr int64_t kLongestCellId = (int64_t{1} << 36) - 1;  // NR cell identities are 36 bits

struct IntegerColumn {
  Column column;
  int64_t min, max;
};

const IntegerColumn kIntegerColumns[] = {
    {kMcc, 0, 999},          {kNet, 0, 32767},       {kArea, 0, 0xFFFFFFFF},  {kCell, 0, kLongestCellId},
    {kUnit, -1, 0xFFFF},     {kRange, 0, CellTable::kMaxRange},                {kSamples, 0, INT32_MAX},
    {kChangeable, 0, 1},     {kCreated, 0, INT64_MAX / 2}, {kUpdated, 0, INT64_MAX / 2},
    {kAverageSignal, -200, 200},
};

std::string Quoted(const std::string& text) { return "'" + text.substr(0, 40) + "'"; }

}  // namespace

bool CellTable::Load(std::istream& in, const std::string& name, std::vector<std::string>* errors) {
  CsvErrors report(name, errors);
  for (const CsvRow& row : ReadCsvRows(in, kColumnNames[0])) {
    if (row.fields.size() != kColumnCount) {
      report.Add(row.line, std::to_string(row.fields.size()) + " fields, expected " + std::to_string(kColumnCount) +
                               " (radio,mcc,net,area,cell,unit,lon,lat,range,samples,changeable,created,updated,"
                               "averageSignal)");
      continue;
    }
    bool good = !row.fields[kRadio].empty();
    if (!good) report.Add(row.line, "column 'radio' is empty");
    int64_t numbers[kColumnCount] = {};
    for (const IntegerColumn& c : kIntegerColumns) {
      if (ParseInteger(row.fields[c.column], c.min, c.max, &numbers[c.column])) continue;
      report.Add(row.line, std::string("column '") + kColumnNames[c.column] + "': " + Quoted(row.fields[c.column]) +
                               " is not a whole number from " + std::to_string(c.min) + " to " +
                               std::to_string(c.max));
      good = false;
    }
    CellLocation location{};
    if (!ParseReal(row.fields[kLat], -90, 90, &location.latitude)) {
      report.Add(row.line, "column 'lat': " + Quoted(row.fields[kLat]) + " is not a latitude from -90 to 90");
      good = false;
    }
    if (!ParseReal(row.fields[kLon], -180, 180, &location.longitude)) {
      report.Add(row.line, "column 'lon': " + Quoted(row.fields[kLon]) + " is not a longitude from -180 to 180");
      good = false;
    }
    if (!good) continue;
    location.range = static_cast<int32_t>(numbers[kRange]);
    const CellKey key{numbers[kMcc], numbers[kNet], numbers[kArea], numbers[kCell]};
    const auto inserted = cells_.emplace(key, Entry{location, row.line});
    if (!inserted.second)
      report.Add(row.line, "cell " + row.fields[kMcc] + "/" + row.fields[kNet] + "/" + row.fields[kArea] + "/" +
                               row.fields[kCell] + " is already on line " +
                               std::to_string(inserted.first->second.line));
  }
  return !report.any();
}

bool CellTable::LoadFile(const std::string& path, std::vector<std::string>* errors) {
  std::ifstream in(path);
  if (!in) {
    errors->push_back(path + ": cannot open: " + std::strerror(errno));
    return false;
  }
  return Load(in, path, errors);
}

const CellLocation* CellTable::Find(const CellKey& key) const {
  auto it = cells_.find(key);
  return it == cells_.end() ? nullptr : &it->second.location;
}

}  // namespace locserver
