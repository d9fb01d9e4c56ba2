#include "cell/table_run_finder.h"

#include <string.h>

bool TableRunFinder::Add(const uint8_t* entry, uint32_t address) {
  const uint32_t distance = address - previous_address_;
  const bool in_range = distance >= kShortestTableStep && distance <= kLongestTableStep;
  if (in_range && AreAlike(entry, previous_.bytes) && (run_step_ == 0 || run_step_ == distance)) {
    if (run_count_ == 0) {
      run_count_ = 1;
      run_start_ = previous_address_;
    }
    run_step_ = distance;
    if (++run_count_ >= kTableEntries) return true;
  } else {
    // Any other distance ends the run too, so that every entry of a table
    // found lies one step after the entry before it.
    run_count_ = 0;
    run_step_ = 0;
  }
  memcpy(previous_.bytes, entry, kRadioEntrySize);
  previous_address_ = address;
  return false;
}
