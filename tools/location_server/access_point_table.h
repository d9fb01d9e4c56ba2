// The Wi-Fi access points the server knows, from a file with the columns
//   mac,lat,lon,accuracy
// mac is six hexadecimal pairs separated by ':' or '-' (any case); accuracy
// is the radius in metres. Filled once, then only read.
#ifndef KELVANE_LOCSERVER_ACCESS_POINT_TABLE_H
#define KELVANE_LOCSERVER_ACCESS_POINT_TABLE_H

#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

namespace locserver {

struct AccessPointLocation {
  double latitude, longitude, accuracy;
};

// The 48-bit address of a MAC text as clients write it ("00-1a-2b-3c-4d-01")
// or as the file does ("00:1A:2B:3C:4D:01"); false for anything else.
bool ParseMacAddress(const std::string& text, uint64_t* mac);
// The address as living services and the map page write it: "00:1a:2b:3c:4d:01".
std::string FormatMacAddress(uint64_t mac);

class AccessPointTable {
 public:
  bool Load(std::istream& in, const std::string& name, std::vector<std::string>* errors);
  bool LoadFile(const std::string& path, std::vector<std::string>* errors);

  const AccessPointLocation* Find(uint64_t mac) const;
  size_t size() const { return points_.size(); }
  // Calls visit(key, location) for every entry, in key order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const auto& [key, entry] : points_) visit(key, entry.location);
  }

 private:
  struct Entry {
    AccessPointLocation location;
    int line;
  };
  std::map<uint64_t, Entry> points_;
};

}  // namespace locserver

#endif
