#include "access_point_table.h"

#include "csv_rows.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace locserver {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseMacAddress(const std::string& text, uint64_t* mac) {
  if (text.size() != 17) return false;
  const char separator = text[2];
  if (separator != ':' && separator != '-') return false;
  uint64_t value = 0;
  for (size_t i = 0; i < 17; i += 3) {
    const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0 || (i + 2 < 17 && text[i + 2] != separator)) return false;
    value = (value << 8) | static_cast<uint64_t>(high << 4 | low);
  }
  *mac = value;
  return true;
}

std::string FormatMacAddress(uint64_t mac) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (int shift = 40; shift >= 0; shift -= 8) {
    if (!text.empty()) text += ':';
    text += kDigits[(mac >> (shift + 4)) & 0xF];
    text += kDigits[(mac >> shift) & 0xF];
  }
  return text;
}

bool AccessPointTable::Load(std::istream& in, const std::string& name, std::vector<std::string>* errors) {
  CsvErrors report(name, errors);
  for (const CsvRow& row : ReadCsvRows(in, "mac")) {
    if (row.fields.size() != 4) {
      report.Add(row.line, std::to_string(row.fields.size()) + " fields, expected 4 (mac,lat,lon,accuracy)");
      continue;
    }
    bool good = true;
    uint64_t mac = 0;
    AccessPointLocation location{};
    if (!ParseMacAddress(row.fields[0], &mac)) {
      report.Add(row.line, "column 'mac': '" + row.fields[0].substr(0, 40) + "' is not a MAC address like 00:1a:2b:3c:4d:5e");
      good = false;
    }
    if (!ParseReal(row.fields[1], -90, 90, &location.latitude)) {
      report.Add(row.line, "column 'lat': '" + row.fields[1].substr(0, 40) + "' is not a latitude from -90 to 90");
      good = false;
    }
    if (!ParseReal(row.fields[2], -180, 180, &location.longitude)) {
      report.Add(row.line, "column 'lon': '" + row.fields[2].substr(0, 40) + "' is not a longitude from -180 to 180");
      good = false;
    }
    if (!ParseReal(row.fields[3], 0, 1e6, &location.accuracy)) {
      report.Add(row.line, "column 'accuracy': '" + row.fields[3].substr(0, 40) + "' is not a radius from 0 to 1000000");
      good = false;
    }
    if (!good) continue;
    const auto inserted = points_.emplace(mac, Entry{location, row.line});
    if (!inserted.second)
      report.Add(row.line, "access point " + row.fields[0] + " is already on line " +
                               std::to_string(inserted.first->second.line));
  }
  return !report.any();
}

bool AccessPointTable::LoadFile(const std::string& path, std::vector<std::string>* errors) {
  std::ifstream in(path);
  if (!in) {
    errors->push_back(path + ": cannot open: " + std::strerror(errno));
    return false;
  }
  return Load(in, path, errors);
}

const AccessPointLocation* AccessPointTable::Find(uint64_t mac) const {
  auto it = points_.find(mac);
  return it == points_.end() ? nullptr : &it->second.location;
}

}  // namespace locserver
