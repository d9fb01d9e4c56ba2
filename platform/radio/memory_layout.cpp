// Parsing the profile's "memory" section into the layout of the simulated
// upper half of the address space.
#include "internal/memory_layout.h"

#include "internal/address_space.h"
#include "internal/parsed_profile_part.h"
#include "internal/profile_value.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace kelvane {
namespace {

// A number, or "0x..." (or decimal) text, from 0 to 0xFFFFFFFF.
bool ReadAddress(const Json::Value& value, const std::string& path, uint64_t* out) {
  uint64_t n = 0;
  bool ok = false;
  if (value.isUInt64()) {
    n = value.asUInt64();
    ok = true;
  } else if (value.isString()) {
    const std::string text = value.asString();
    char* end = nullptr;
    n = std::strtoull(text.c_str(), &end, 0);
    ok = !text.empty() && *end == '\0';
  }
  if (!ok || n >= kAddressSpaceEnd) {
    ReportProfileProblem("\"" + path + "\" must be a number or \"0x...\" text below 0x100000000");
    return false;
  }
  *out = n;
  return true;
}

std::vector<MemoryRegion> ReadRegions(const Json::Value& list) {
  std::vector<MemoryRegion> regions;
  for (Json::ArrayIndex i = 0; list.isArray() && i < list.size(); ++i) {
    const std::string path = "memory.regions[" + std::to_string(i) + "]";
    uint64_t start = 0, size = 0;
    if (!ReadAddress(MemberOf(list[i], "start"), path + ".start", &start) ||
        !ReadAddress(MemberOf(list[i], "size"), path + ".size", &size))
      continue;
    if (start < kUpperHalfStart || start + size > kAddressSpaceEnd) {
      ReportProfileProblem("\"" + path + "\" must lie between 0x80000000 and 0x100000000; it is left out");
      continue;
    }
    regions.push_back({start, start + size});
  }
  std::sort(regions.begin(), regions.end(),
            [](const MemoryRegion& a, const MemoryRegion& b) { return a.start < b.start; });
  // Touching or overlapping regions read as one.
  std::vector<MemoryRegion> merged;
  for (const MemoryRegion& r : regions) {
    if (!merged.empty() && r.start <= merged.back().end)
      merged.back().end = std::max(merged.back().end, r.end);
    else
      merged.push_back(r);
  }
  return merged;
}

std::optional<RadioTablePlace> ReadTablePlace(const Json::Value& value) {
  if (value.isNull()) return std::nullopt;
  RadioTablePlace place;
  uint64_t address = 0;
  if (!ReadAddress(MemberOf(value, "address"), "memory.radioTable.address", &address)) return std::nullopt;
  place.address = static_cast<uint32_t>(address);
  place.step = static_cast<uint32_t>(ReadCount(MemberOf(value, "step"), "memory.radioTable.step", 72, 0xFFFF));
  place.mcc = static_cast<DWORD>(ReadCount(MemberOf(value, "mcc"), "memory.radioTable.mcc", 0, 999));
  place.mnc = static_cast<DWORD>(ReadCount(MemberOf(value, "mnc"), "memory.radioTable.mnc", 0, 999));
  place.mnc_digits = static_cast<int>(
      ReadInteger(MemberOf(value, "mncDigits"), "memory.radioTable.mncDigits", place.mnc > 99 ? 3 : 2, 2, 3));
  return place;
}

std::vector<Decoy> ReadDecoys(const Json::Value& list) {
  static const struct {
    const char* name;
    DecoyKind kind;
  } kKinds[] = {{"shortRun", DecoyKind::kShortRun},
                {"crowded", DecoyKind::kCrowded},
                {"sparse", DecoyKind::kSparse},
                {"wrongMarker", DecoyKind::kWrongMarker},
                {"otherCountry", DecoyKind::kOtherCountry}};
  std::vector<Decoy> decoys;
  for (Json::ArrayIndex i = 0; list.isArray() && i < list.size(); ++i) {
    const std::string path = "memory.decoys[" + std::to_string(i) + "]";
    const std::string name = ReadText(MemberOf(list[i], "kind"), path + ".kind", "");
    uint64_t address = 0;
    if (!ReadAddress(MemberOf(list[i], "address"), path + ".address", &address)) continue;
    const auto* known = std::find_if(std::begin(kKinds), std::end(kKinds),
                                     [&](const auto& k) { return name == k.name; });
    if (known == std::end(kKinds)) {
      ReportProfileProblem("\"" + path + ".kind\" is not a known decoy; it is left out");
      continue;
    }
    decoys.push_back({known->kind, static_cast<uint32_t>(address)});
  }
  return decoys;
}

MemoryLayout ParseLayout(const Json::Value& memory) {
  MemoryLayout layout;
  layout.regions = ReadRegions(MemberOf(memory, "regions"));
  layout.table = ReadTablePlace(MemberOf(memory, "radioTable"));
  layout.decoys = ReadDecoys(MemberOf(memory, "decoys"));
  return layout;
}

}  // namespace

std::shared_ptr<const MemoryLayout> CurrentMemoryLayout() {
  static auto* layout = new ParsedProfilePart<MemoryLayout>;  // outlives static destructors
  return layout->Get(ProfileSection("memory"), ParseLayout);
}

}  // namespace kelvane
