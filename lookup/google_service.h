// The binary cell-ID service: POST /glm/mmap with a fixed 55-byte body, a
// binary answer.
//
// Request body, big-endian, the cell's codes as 32-bit two's complement:
//
//    0    1    2 ......... 15   16   17 ...... 20   21 ...... 24   25..27
//   +----+----+--------------+----+--------------+--------------+--------+
//   | 00 | 0E |  14 x 00     | 1B | network      | country      | 3 x 00 |
//   +----+----+--------------+----+--------------+--------------+--------+
//    28   29 30   31 ...... 34   35 ...... 38   39 ...... 42   43 ...... 46
//   +----+-------+--------------+--------------+--------------+--------------+
//   | k  | 2 x 0 | cell id      | area         | network      | country      |
//   +----+-------+--------------+--------------+--------------+--------------+
//    47 ...... 50   51 ...... 54
//   +--------------+--------------+
//   | FF FF FF FF  | 4 x 00       |
//   +--------------+--------------+
//   k is 05 when the cell id is above 65535 (a UMTS cell id, sent whole),
//   else 03 and only the id's low 16 bits are sent (-1 goes as 0000FFFF).
//
// Answer body as read, big-endian:
//
//    0..2        3 ...... 6   7 ...... 10   11 ..... 14   15 ..... 18   19..
//   +----------+------------+-------------+-------------+-------------+------
//   | not read | status     | latitude    | longitude   | accuracy    | not read
//   +----------+------------+-------------+-------------+-------------+------
//   status 0: the cell was found. Latitude and longitude in millionths of a
//   degree, accuracy in metres, all signed 32-bit.
#ifndef KELVANE_LOOKUP_GOOGLE_SERVICE_H
#define KELVANE_LOOKUP_GOOGLE_SERVICE_H

#include <windows.h>

#include <stdint.h>

#include "cell/cell_record.h"
#include "core/position.h"

constexpr char kGoogleHost[] = "www.google.com";
constexpr DWORD kGoogleRequestSize = 55;

void BuildGoogleRequest(const CellRecord& cell, uint8_t body[kGoogleRequestSize]);

// 0 with out set; -3 when the answer places no cell (logged).
int ReadGoogleAnswer(const char* body, DWORD length, Position* out);

// 0 with out set; -1 connection or transfer failure; -3 cell not known.
int ResolveGoogle(const CellRecord& cell, Position* out);

#endif
