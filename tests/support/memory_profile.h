// Building the OMAP parts of a test's device profile: the processor and the
// simulated kernel memory holding the radio's cell table.
#ifndef KELVANE_TESTS_MEMORY_PROFILE_H
#define KELVANE_TESTS_MEMORY_PROFILE_H

#include <json/value.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace kelvane::testing {

inline std::string HexAddress(uint64_t address) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(address));
  return text;
}

inline Json::Value MemoryRegion(uint64_t start, uint64_t size) {
  Json::Value region;
  region["start"] = HexAddress(start);
  region["size"] = HexAddress(size);
  return region;
}

inline Json::Value MemoryDecoy(const char* kind, uint64_t address) {
  Json::Value decoy;
  decoy["kind"] = kind;
  decoy["address"] = HexAddress(address);
  return decoy;
}

// An OMAP phone on network 250/01 whose radio table lies at `table` with
// `step` inside one readable region [region_start, region_start + region_size).
inline void AddOmapDevice(Json::Value* profile, uint64_t region_start, uint64_t region_size, uint64_t table,
                          unsigned step) {
  Json::Value& p = *profile;
  p["processor"]["name"] = "OMAP850";
  p["processor"]["vendor"] = "Texas Instruments";
  p["processor"]["core"] = "ARM926EJ-S";
  p["sim"]["imsi"] = "250011234567890";
  p["memory"]["regions"].append(MemoryRegion(region_start, region_size));
  p["memory"]["radioTable"]["address"] = HexAddress(table);
  p["memory"]["radioTable"]["step"] = step;
  p["memory"]["radioTable"]["mcc"] = 250;
  p["memory"]["radioTable"]["mnc"] = 1;
}

}  // namespace kelvane::testing

#endif
