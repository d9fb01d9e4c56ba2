// The simulated radio's behaviour, read from the profile.
#include "radio_settings.h"

#include "internal/device_root.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kelvane {
namespace {

void Report(const char* key, const char* what) { std::fprintf(stderr, "device: ril \"%s\" %s\n", key, what); }

bool ReadDelay(const Json::Value& value, const char* key, DWORD* delay) {
  if (!value.isUInt()) {
    Report(key, "must be a non-negative number of milliseconds");
    return false;
  }
  *delay = value.asUInt();
  return true;
}

// A failure HRESULT as a signed or unsigned 32-bit number or "0x..." text.
void ReadFailure(const Json::Value& ril, const char* key, HRESULT* hr) {
  if (!ril.isMember(key)) return;
  const Json::Value& value = ril[key];
  int64_t n = 0;
  if (value.isInt64()) {
    n = value.asInt64();
  } else if (value.isString()) {
    const std::string text = value.asString();
    char* end = nullptr;
    n = static_cast<int64_t>(std::strtoull(text.c_str(), &end, 0));
    if (text.empty() || *end) n = 0;
  }
  if (n < INT32_MIN || n > int64_t{UINT32_MAX} || !FAILED(static_cast<HRESULT>(static_cast<uint32_t>(n)))) {
    Report(key, "must be a failure HRESULT, such as \"0x80070005\"");
    return;
  }
  *hr = static_cast<HRESULT>(static_cast<uint32_t>(n));
}

}  // namespace

RadioSettings ReadRadioSettings() {
  RadioSettings s;
  const Json::Value& ril = Profile()["ril"];
  if (!ril.isObject()) return s;
  const Json::Value& delay = ril["answerDelay"];
  if (delay.isArray() && !delay.empty()) {
    std::vector<DWORD> delays;
    for (const Json::Value& d : delay) {
      DWORD value = 0;
      if (!ReadDelay(d, "answerDelay", &value)) break;
      delays.push_back(value);
    }
    if (delays.size() == delay.size()) s.answer_delays = delays;
  } else if (ril.isMember("answerDelay")) {
    DWORD value = 0;
    if (ReadDelay(delay, "answerDelay", &value)) s.answer_delays = {value};
  }
  if (ril.isMember("devSpecificDelay")) ReadDelay(ril["devSpecificDelay"], "devSpecificDelay", &s.dev_specific_delay);
  s.refuse_initialize = ril["refuseInitialize"].isBool() && ril["refuseInitialize"].asBool();
  if (ril.isMember("refuseInitializeFor")) {
    if (ril["refuseInitializeFor"].isUInt64())
      s.refuse_initialize_for = ril["refuseInitializeFor"].asUInt64();
    else
      Report("refuseInitializeFor", "must be a non-negative number of milliseconds");
  }
  ReadFailure(ril, "initializeError", &s.initialize_error);
  ReadFailure(ril, "cellTowerInfoError", &s.cell_tower_info_error);
  ReadFailure(ril, "answerError", &s.answer_error);
  return s;
}

}  // namespace kelvane
