#include "cell_id_binary.h"

#include <cmath>
#include <cstdio>

namespace locserver {
namespace {

int32_t ReadBigEndian(std::string_view bytes, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return static_cast<int32_t>(value);
}

void AppendBigEndian(std::string* out, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>((u >> shift) & 0xFF));
}

int32_t Millionths(double degrees) { return static_cast<int32_t>(std::llround(degrees * 1e6)); }

std::string ByteError(size_t offset, unsigned char found, const char* expected) {
  char text[96];
  std::snprintf(text, sizeof text, "byte %zu is 0x%02X, expected %s", offset, found, expected);
  return text;
}

}  // namespace

bool DecodeBinaryRequest(std::string_view body, CellKey* key, std::string* error) {
  if (body.size() != kBinaryRequestSize) {
    *error = "the body is " + std::to_string(body.size()) + " bytes, expected 55";
    return false;
  }
  struct Fixed {
    size_t from, to;  // [from, to)
    unsigned char value;
    const char* text;
  };
  static const Fixed kFixed[] = {{0, 1, 0x00, "0x00"},  {1, 2, 0x0E, "0x0E"},  {2, 16, 0x00, "0x00"},
                                 {16, 17, 0x1B, "0x1B"}, {25, 28, 0x00, "0x00"}, {29, 31, 0x00, "0x00"},
                                 {47, 51, 0xFF, "0xFF"}, {51, 55, 0x00, "0x00"}};
  for (const Fixed& f : kFixed)
    for (size_t i = f.from; i < f.to; ++i)
      if (static_cast<unsigned char>(body[i]) != f.value) {
        *error = ByteError(i, static_cast<unsigned char>(body[i]), f.text);
        return false;
      }
  const int32_t cell = ReadBigEndian(body, 31);
  const auto kind = static_cast<unsigned char>(body[28]);
  if (kind == 0x03 ? (cell < 0 || cell > 0xFFFF) : kind == 0x05 ? cell <= 0xFFFF : true) {
    *error = ByteError(28, kind, "0x03 with a cell id up to 65535 or 0x05 with a longer one");
    return false;
  }
  if (ReadBigEndian(body, 17) != ReadBigEndian(body, 39) || ReadBigEndian(body, 21) != ReadBigEndian(body, 43)) {
    *error = "net and mcc at offsets 17 and 21 differ from their copies at 39 and 43";
    return false;
  }
  *key = CellKey{ReadBigEndian(body, 43), ReadBigEndian(body, 39), ReadBigEndian(body, 35), cell};
  return true;
}

namespace {

std::string BinaryAnswer(uint32_t status, const CellLocation* location) {
  std::string out("\x00\x0E\x1B", 3);
  AppendBigEndian(&out, static_cast<int32_t>(status));
  AppendBigEndian(&out, location ? Millionths(location->latitude) : 0);
  AppendBigEndian(&out, location ? Millionths(location->longitude) : 0);
  AppendBigEndian(&out, location ? location->range : 0);
  return out;
}

}  // namespace

std::string EncodeBinaryAnswer(const CellLocation* location) {
  return BinaryAnswer(location ? 0 : kBinaryStatusUnknownCell, location);
}

std::string EncodeBinaryFailure() { return BinaryAnswer(kBinaryStatusServiceFailure, nullptr); }

}  // namespace locserver
