// What the positioning worker asks of Wi-Fi: a scan that says whether the
// access points changed, the emptying of the list on a change of cell
// source, and the resolution of the list to a position. WifiScanner is the
// device's; tests give the worker a fake. Called on the worker thread only.
#ifndef KELVANE_WIFI_WIFI_SOURCE_H
#define KELVANE_WIFI_WIFI_SOURCE_H

#include "core/position.h"

class WifiSource {
 public:
  virtual ~WifiSource() = default;
  // 0 when the access points changed since the last scan, nonzero otherwise.
  virtual int Scan() = 0;
  // Forgets the access points, so the next scan that finds any is a change.
  virtual void ClearList() = 0;
  // 0 with out filled, or a failure code with out untouched: -1 no
  // connection, -2 no access points, -3 unusable answer, another value an
  // unknown problem.
  virtual int Resolve(Position* out) = 0;
};

#endif
