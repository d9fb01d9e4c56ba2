// The cells the server knows, from a file in the public cell-export column
// order:
//   radio,mcc,net,area,cell,unit,lon,lat,range,samples,changeable,created,updated,averageSignal
// range is the radius of the cell's area in metres: the accuracy of an answer.
// A table is filled once, then only read (safe from any number of threads).
#ifndef KELVANE_LOCSERVER_CELL_TABLE_H
#define KELVANE_LOCSERVER_CELL_TABLE_H

#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace locserver {

// Cell identities as the clients send them (32-bit two's complement); the file
// may hold longer ones (NR cells), which no request can name.
struct CellKey {
  int64_t mcc, net, area, cell;
  bool operator<(const CellKey& o) const {
    return std::tie(mcc, net, area, cell) < std::tie(o.mcc, o.net, o.area, o.cell);
  }
};

struct CellLocation {
  double latitude, longitude;
  int32_t range;
};

class CellTable {
 public:
  // The largest range accepted: the XML answer can express any range up to it
  // exactly (see cell_id_xml.h).
  static constexpr int32_t kMaxRange = 1000000;

  // Adds the cells of a file; every bad line is reported as "name:line: what"
  // and adds nothing. False when there was any error.
  bool Load(std::istream& in, const std::string& name, std::vector<std::string>* errors);
  bool LoadFile(const std::string& path, std::vector<std::string>* errors);

  const CellLocation* Find(const CellKey& key) const;
  size_t size() const { return cells_.size(); }
  // Calls visit(key, location) for every entry, in key order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const auto& [key, entry] : cells_) visit(key, entry.location);
  }

 private:
  struct Entry {
    CellLocation location;
    int line;
  };
  std::map<CellKey, Entry> cells_;
};

}  // namespace locserver

#endif
