#include "cell/radio_table_entry.h"

#include "cell/home_codes.h"

namespace {

constexpr uint8_t kLargestSignal = 150;
constexpr int kDigitOffsets[] = {16, 17, 18, 20, 21};

// Both codes are kept in 16 bits, as the radio's own code computes them.
int32_t Country(const uint8_t* b) { return static_cast<uint16_t>(100 * b[16] + 10 * b[17] + b[18]); }

int32_t Network(const uint8_t* b) {
  const int32_t value = HasThreeDigitNetworkCodes(Country(b)) ? 100 * b[20] + 10 * b[21] + b[22] : 10 * b[20] + b[21];
  return static_cast<uint16_t>(value);
}

int32_t Word(const uint8_t* b, int offset) { return b[offset] | b[offset + 1] << 8; }

}  // namespace

int32_t EntryCountry(const RadioTableEntry& e) { return Country(e.bytes); }
int32_t EntryNetwork(const RadioTableEntry& e) { return Network(e.bytes); }
int32_t EntryArea(const RadioTableEntry& e) { return Word(e.bytes, 24); }
int32_t EntryCellId(const RadioTableEntry& e) { return Word(e.bytes, 30); }
int32_t EntrySignal(const RadioTableEntry& e) { return e.bytes[0]; }

bool IsValidEntry(const uint8_t* b, int32_t home_country, int32_t home_network) {
  if (b[kRadioEntryMarkerOffset] != kRadioEntryMarker || b[0] > kLargestSignal) return false;
  for (int offset : kDigitOffsets)
    if (b[offset] > 9) return false;
  return Country(b) == home_country && Network(b) == home_network;
}

bool AreAlike(const uint8_t* a, const uint8_t* b) {
  for (int offset : kDigitOffsets)
    if (a[offset] != b[offset]) return false;
  return true;
}
