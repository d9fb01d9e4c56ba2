// A cell source holding fixed cells, serving cell first; it records which
// cells it was asked for.
#ifndef KELVANE_TESTS_LOOKUP_LIST_SOURCE_H
#define KELVANE_TESTS_LOOKUP_LIST_SOURCE_H

#include <vector>

#include "cell/cell_source.h"

namespace kelvane::testing {

class ListSource : public CellSource {
 public:
  explicit ListSource(std::vector<CellRecord> cells) : cells_(std::move(cells)) {}
  int Open() override { return 0; }
  int Refresh() override { return 0; }
  int ModeNumber() override { return kModeMemoryScan; }
  int CellCount() override { return static_cast<int>(cells_.size()); }
  CellRecord* GetCell(int index, CellRecord* destination) override {
    asked.push_back(index);
    *destination = cells_.at(static_cast<size_t>(index));
    return destination;
  }

  std::vector<int> asked;

 private:
  std::vector<CellRecord> cells_;
};

}  // namespace kelvane::testing

#endif
