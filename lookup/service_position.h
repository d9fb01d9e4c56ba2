// A service's answer is a position only when it lies on the globe. Anything
// else (a corrupt answer, a fault of the service) is treated as the service
// not knowing the cell, so no navigation program is ever fed an impossible fix.
#ifndef KELVANE_LOOKUP_SERVICE_POSITION_H
#define KELVANE_LOOKUP_SERVICE_POSITION_H

#include <windows.h>

#include "cell/cell_record.h"
#include "core/position.h"

// False also for NaN, which fails every comparison.
inline bool IsOnGlobe(float latitude, float longitude) {
  return latitude >= -90.0f && latitude <= 90.0f && longitude >= -180.0f && longitude <= 180.0f;
}

// The end of a service's lookup: a placed cell (code 0) is logged as
// "TAG: mcc mnc lac cell latitude longitude accuracy" and handed to the
// caller; any other code passes through with out untouched.
int ReportServiceAnswer(const WCHAR* tag, const CellRecord& cell, int code, const Position& position,
                        Position* out);

#endif
