// One burst of six NMEA 0183 sentences for a position: GGA, GLL, RMC with the
// position and the current UTC time, then fixed VTG, GSA and GSV sentences,
// so navigation programs see a valid 3D fix from eight satellites.
#ifndef KELVANE_OUTPUT_NMEA_H
#define KELVANE_OUTPUT_NMEA_H

#include <windows.h>

#include <string>

#include "core/position.h"

class GpsOutput;

// XOR of the sentence's characters up to the first '*', '$' skipped.
BYTE NmeaChecksum(const char* sentence);

// "ddmm.mmmm,N,dddmm.mmmm,E" from a position, in single precision.
std::string NmeaPositionText(const Position& position);
// "hhmmss" and "ddmmyy" of a UTC time.
std::string NmeaTimeText(const SYSTEMTIME& time);
std::string NmeaDateText(const SYSTEMTIME& time);

// Writes one burst to the output's port (port = true: each line "\r\n", one
// WriteFile each) or to its driver file (each line "\n"). 0, or -1 when a
// port write failed (the rest of the burst is then not written).
int WriteSentences(GpsOutput& output, const Position& position, bool port);

#endif
