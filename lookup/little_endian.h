// Reading and writing little-endian 16- and 32-bit values and IEEE singles
// at a byte pointer, whatever the host's byte order: the layouts of both cache
// files and of the adapters' BSSID lists. The caller keeps the bytes in range.
// Inline: the cache searches decode every record they pass.
#ifndef KELVANE_LOOKUP_LITTLE_ENDIAN_H
#define KELVANE_LOOKUP_LITTLE_ENDIAN_H

#include <stdint.h>
#include <string.h>

namespace little_endian {

inline void Put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

inline void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutFloat(uint8_t* at, float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  Put32(at, bits);
}

inline uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

// Spelled out rather than looped: the compiler then reads the four bytes as
// one load, which the record-by-record search relies on to stay near the
// speed of a plain read.
inline uint32_t Get32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

inline float GetFloat(const uint8_t* at) {
  const uint32_t bits = Get32(at);
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace little_endian

#endif
