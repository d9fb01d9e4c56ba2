// The binary cell-ID protocol of POST /glm/mmap. All numbers big-endian,
// 32-bit two's complement.
//
// Request body, 55 bytes:
//   0  00 0E
//   2  14 x 00
//  16  1B
//  17  net            21  mcc            25  00 00 00
//  28  03 (cell id <= 65535: the id AND 0xFFFF) or 05 (a longer id)
//  29  00 00
//  31  cell id        35  area           39  net            43  mcc
//  47  FF FF FF FF    51  00 00 00 00
//
// Answer body, 19 bytes:
//   0  00 0E 1B       framing; clients do not read it
//   3  status         0: found; 1: unknown cell; 2: service failure; the rest is zero unless found
//   7  latitude       millionths of a degree
//  11  longitude      millionths of a degree
//  15  accuracy       metres
#ifndef KELVANE_LOCSERVER_CELL_ID_BINARY_H
#define KELVANE_LOCSERVER_CELL_ID_BINARY_H

#include "cell_table.h"

#include <string>
#include <string_view>

namespace locserver {

constexpr size_t kBinaryRequestSize = 55;
constexpr size_t kBinaryAnswerSize = 19;
constexpr uint32_t kBinaryStatusUnknownCell = 1;
// The service behind could not be asked or gave no usable answer.
constexpr uint32_t kBinaryStatusServiceFailure = 2;

// The cell a request names; false with *error naming the first wrong byte.
bool DecodeBinaryRequest(std::string_view body, CellKey* key, std::string* error);

// The answer for a cell, or the unknown-cell answer for null.
std::string EncodeBinaryAnswer(const CellLocation* location);
std::string EncodeBinaryFailure();

}  // namespace locserver

#endif
