// The scenario: parsing the profile's time line and finding the current step.
#include "internal/scenario.h"

#include "internal/device_clock.h"
#include "internal/device_root.h"
#include "internal/parsed_profile_part.h"
#include "internal/profile_value.h"

#include <cstdio>
#include <memory>

namespace kelvane {
namespace {

bool ReadCell(const Json::Value& value, ScenarioCell* cell, std::string* problem) {
  if (!value.isObject()) {
    *problem = "a cell must be an object";
    return false;
  }
  struct Field {
    const char* name;
    DWORD* target;
  };
  const Field identity[] = {{"mcc", &cell->mcc}, {"mnc", &cell->mnc}, {"lac", &cell->lac}, {"cellId", &cell->cell_id}};
  for (const Field& f : identity) {
    if (!value[f.name].isUInt()) {
      *problem = std::string("cell needs \"") + f.name + "\" as an unsigned 32-bit integer";
      return false;
    }
    *f.target = value[f.name].asUInt();
  }
  struct Optional {
    const char* name;
    LONG* target;
  };
  const Optional optional[] = {{"signal", &cell->signal}, {"timingAdvance", &cell->timing_advance}};
  for (const Optional& f : optional) {
    if (!value.isMember(f.name)) continue;
    if (!value[f.name].isUInt() || value[f.name].asUInt() > 0x7fffffffu) {
      *problem = std::string("cell \"") + f.name + "\" must be a non-negative integer";
      return false;
    }
    *f.target = static_cast<LONG>(value[f.name].asUInt());
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadMac(const std::string& text, BYTE mac[6]) {
  if (text.size() != 17 || (text[2] != ':' && text[2] != '-')) return false;
  for (size_t i = 0; i < 6; ++i) {
    const size_t at = i * 3;
    const int high = HexValue(text[at]), low = HexValue(text[at + 1]);
    if (high < 0 || low < 0 || (i < 5 && text[at + 2] != text[2])) return false;
    mac[i] = static_cast<BYTE>(high << 4 | low);
  }
  return true;
}

bool ReadSsid(const Json::Value& ap, std::string* ssid, std::string* problem) {
  if (ap.isMember("ssid") && ap.isMember("ssidHex")) {
    *problem = "give \"ssid\" or \"ssidHex\", not both";
    return false;
  }
  if (ap.isMember("ssid")) {
    if (!ap["ssid"].isString()) {
      *problem = "\"ssid\" must be text";
      return false;
    }
    *ssid = ap["ssid"].asString();
  } else if (ap.isMember("ssidHex")) {
    const std::string hex = ap["ssidHex"].isString() ? ap["ssidHex"].asString() : "?";
    for (size_t i = 0; i + 1 < hex.size() && HexValue(hex[i]) >= 0 && HexValue(hex[i + 1]) >= 0; i += 2)
      ssid->push_back(static_cast<char>(HexValue(hex[i]) << 4 | HexValue(hex[i + 1])));
    if (ssid->size() * 2 != hex.size()) {
      *problem = "\"ssidHex\" must be pairs of hexadecimal digits";
      return false;
    }
  }
  if (ssid->size() > 32) {
    *problem = "an SSID has at most 32 bytes";
    return false;
  }
  return true;
}

ScenarioStep ReadStep(const Json::Value& value, const std::string& where, std::vector<std::string>* problems) {
  ScenarioStep step;
  if (!value.isObject()) {
    problems->push_back(where + ": a step must be an object");
    return step;
  }
  if (value["duration"].isUInt64())
    step.duration_ms = value["duration"].asUInt64();
  else
    problems->push_back(where + ": \"duration\" must be a non-negative number of milliseconds");

  std::string problem;
  if (value.isMember("serving")) {
    ScenarioCell cell;
    if (ReadCell(value["serving"], &cell, &problem))
      step.serving = cell;
    else
      problems->push_back(where + " serving: " + problem);
  }
  const Json::Value& neighbours = value["neighbours"];
  for (Json::ArrayIndex i = 0; neighbours.isArray() && i < neighbours.size(); ++i) {
    ScenarioCell cell;
    if (ReadCell(neighbours[i], &cell, &problem))
      step.neighbours.push_back(cell);
    else
      problems->push_back(where + " neighbour " + std::to_string(i) + ": " + problem);
  }
  const Json::Value& access_points = value["accessPoints"];
  for (Json::ArrayIndex i = 0; access_points.isArray() && i < access_points.size(); ++i) {
    const Json::Value& ap = access_points[i];
    if (!ap.isObject() || !ap["mac"].isString() || !ap["signal"].isInt()) {
      problems->push_back(where + " access point " + std::to_string(i) + ": needs \"mac\" text and \"signal\"");
      continue;
    }
    ScenarioAccessPoint point;
    point.signal = ap["signal"].asInt();
    if (!ReadMac(ap["mac"].asString(), point.mac)) {
      problems->push_back(where + " access point " + std::to_string(i) + ": \"mac\" is not like 00:1a:2b:3c:4d:5e");
      continue;
    }
    if (!ReadSsid(ap, &point.ssid, &problem)) {
      problems->push_back(where + " access point " + std::to_string(i) + ": " + problem);
      continue;
    }
    step.access_points.push_back(point);
  }
  const Json::Value& connections = value["connections"];
  if (connections.isObject()) {
    for (const std::string& name : connections.getMemberNames()) {
      if (connections[name].isBool())
        step.connections[name] = connections[name].asBool();
      else
        problems->push_back(where + " connection \"" + name + "\": must be true (up) or false (down)");
    }
  }
  return step;
}

// The parsed scenario of the current profile; parsed again when it changes.
std::shared_ptr<const Scenario> ProfileScenario() {
  static auto* scenario = new ParsedProfilePart<Scenario>;  // outlives static destructors
  return scenario->Get(MemberOf(Profile(), "scenario"), [](const Json::Value& value) {
    std::vector<std::string> problems;
    Scenario parsed = ParseScenario(value, &problems);
    for (const std::string& p : problems) std::fprintf(stderr, "device: scenario %s\n", p.c_str());
    return parsed;
  });
}

}  // namespace

Scenario ParseScenario(const Json::Value& value, std::vector<std::string>* problems) {
  Scenario scenario;
  if (value.isNull()) return scenario;
  if (!value.isObject()) {
    problems->push_back("must be an object");
    return scenario;
  }
  if (value.isMember("loop") && !value["loop"].isBool()) problems->push_back("\"loop\" must be true or false");
  scenario.loop = value["loop"].isBool() && value["loop"].asBool();
  const Json::Value& steps = value["steps"];
  if (!steps.isArray()) {
    problems->push_back("needs a \"steps\" list");
    return scenario;
  }
  for (Json::ArrayIndex i = 0; i < steps.size(); ++i)
    scenario.steps.push_back(ReadStep(steps[i], "step " + std::to_string(i), problems));
  return scenario;
}

size_t StepIndexAt(const Scenario& scenario, uint64_t ms) {
  if (scenario.steps.empty()) return kNoScenarioStep;
  uint64_t total = 0;
  for (const ScenarioStep& step : scenario.steps) total += step.duration_ms;
  if (scenario.loop && total > 0) ms %= total;
  uint64_t end = 0;
  for (size_t i = 0; i < scenario.steps.size(); ++i) {
    end += scenario.steps[i].duration_ms;
    if (ms < end) return i;
  }
  return scenario.steps.size() - 1;
}

uint64_t ScenarioMilliseconds() {
  // The device clock counts from the profile's tickStart; the time line
  // counts from boot.
  const uint64_t start = ReadCount(MemberOf(Profile(), "tickStart"), "tickStart", 0);
  const uint64_t now = DeviceMilliseconds();
  return now > start ? now - start : 0;
}

std::optional<ScenarioStep> CurrentScenarioStep() {
  const std::shared_ptr<const Scenario> scenario = ProfileScenario();
  const size_t index = StepIndexAt(*scenario, ScenarioMilliseconds());
  if (index == kNoScenarioStep) return std::nullopt;
  return scenario->steps[index];
}

size_t CurrentScenarioStepIndex() { return StepIndexAt(*ProfileScenario(), ScenarioMilliseconds()); }

}  // namespace kelvane
