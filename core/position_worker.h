// The positioning worker: every TowerTimeOut ms reads the cell and the access
// points, resolves a position when either changed, publishes the better of
// the two results and rebuilds the status list. Started by the output thread.
#ifndef KELVANE_CORE_POSITION_WORKER_H
#define KELVANE_CORE_POSITION_WORKER_H

#include <windows.h>

#include "core/position.h"

// The parameter is the WifiSource to use; null: the device's WifiScanner.
DWORD WINAPI PositionWorker(LPVOID wifi_source);

// The result with the smaller accuracy radius; the tower result on a tie.
Position BetterPosition(const Position& tower, const Position& wifi);

#endif
