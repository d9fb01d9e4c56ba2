// The current position, guarded by the position lock (created by StartUp,
// deleted by ShutDown). Zero until the first lookup succeeds.
#ifndef KELVANE_CORE_POSITION_H
#define KELVANE_CORE_POSITION_H

#include <stdint.h>

struct Position {
  float latitude;   // degrees, north positive
  float longitude;  // degrees, east positive
  int32_t accuracy;  // metres; kNoResult stands for no result
};

constexpr int32_t kNoResult = 2147483647;
constexpr Position kNoPosition = {0.0f, 0.0f, kNoResult};

void CreatePositionLock();
void DeletePositionLock();
Position GetPosition();
void SetPosition(const Position& position);

#endif
