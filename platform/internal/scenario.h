// The device's scenario: a timeline of steps in device time, each describing
// the world the simulated radio, modem, memory table and Wi-Fi scan report
// (serving and neighbour cells, visible access points, dial-up states).
//
// Profile: "scenario": {"loop": false, "steps": [{"duration": 60000,
//   "serving": {"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40031,
//               "signal": 20, "timingAdvance": 1},
//   "neighbours": [...cells...], "accessPoints": [{"mac": "..", "signal": -60, "ssid": "Home"}],
//   "connections": {"`GPRS": false}}]}
//
// The time line starts at the device's boot (the profile's tickStart is not
// part of it). Past its last step the scenario holds that step, or starts
// again from the first when "loop" is true. Every function is safe to call
// from any thread; a changed profile is parsed again on the next call, and
// its problems are reported once on standard error.
#ifndef KELVANE_PLATFORM_SCENARIO_H
#define KELVANE_PLATFORM_SCENARIO_H

#include <windows.h>
#include <json/value.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kelvane {

struct ScenarioCell {
  DWORD mcc = 0;
  DWORD mnc = 0;
  DWORD lac = 0;
  DWORD cell_id = 0;
  LONG signal = -1;          // received level; -1 when the scenario gives none
  LONG timing_advance = -1;  // -1 when the scenario gives none
};

struct ScenarioAccessPoint {
  BYTE mac[6] = {};  // from "00:1a:2b:3c:4d:5e" or with hyphens
  LONG signal = 0;
  std::string ssid;  // the SSID's bytes as the air carries them (any bytes)
};

struct ScenarioStep {
  uint64_t duration_ms = 0;
  std::optional<ScenarioCell> serving;  // none: no network service
  std::vector<ScenarioCell> neighbours;
  std::vector<ScenarioAccessPoint> access_points;
  std::map<std::string, bool> connections;  // dial-up entry name -> up, for this step
};

struct Scenario {
  bool loop = false;
  std::vector<ScenarioStep> steps;
};

constexpr size_t kNoScenarioStep = static_cast<size_t>(-1);

// An access point's SSID is "ssid" (text) or "ssidHex" (its bytes in
// hexadecimal, for names that are not UTF-8); at most 32 bytes.
//
// Parses a profile's "scenario" value. Each problem adds one line to
// `problems`; a bad cell or access point is left out, a bad duration counts 0.
Scenario ParseScenario(const Json::Value& value, std::vector<std::string>* problems);
// The index of the step current `ms` after boot, or kNoScenarioStep when the
// scenario has no steps.
size_t StepIndexAt(const Scenario& scenario, uint64_t ms);

// Device milliseconds since boot: the scenario's time line.
uint64_t ScenarioMilliseconds();
// The profile's step current on the device clock, and its index (for tests).
std::optional<ScenarioStep> CurrentScenarioStep();
size_t CurrentScenarioStepIndex();

}  // namespace kelvane

#endif
