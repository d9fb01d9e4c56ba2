// Building the scenario part of a test's device profile.
#ifndef KELVANE_TESTS_SCENARIO_PROFILE_H
#define KELVANE_TESTS_SCENARIO_PROFILE_H

#include <json/value.h>

namespace kelvane::testing {

inline Json::Value ScenarioCell(int mcc, int mnc, int lac, int cell_id, int signal = 20) {
  Json::Value cell;
  cell["mcc"] = mcc;
  cell["mnc"] = mnc;
  cell["lac"] = lac;
  cell["cellId"] = cell_id;
  cell["signal"] = signal;
  cell["timingAdvance"] = 1;
  return cell;
}

inline Json::Value ScenarioStep(int duration_ms, const Json::Value& serving) {
  Json::Value step;
  step["duration"] = duration_ms;
  step["serving"] = serving;
  return step;
}

}  // namespace kelvane::testing

#endif
