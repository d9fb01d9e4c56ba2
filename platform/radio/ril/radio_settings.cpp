// The simulated radio's behaviour, read from the profile.
#include "radio_settings.h"

#include "internal/device_root.h"
#include "internal/profile_value.h"

#include <cstdlib>
#include <string>

namespace kelvane {
namespace {

void Report(const char* key, const char* what) { ReportProfileProblem(std::string("\"ril.") + key + "\" " + what); }

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
  const Json::Value& ril = ProfileSection("ril");
  if (ril.isNull()) return s;
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
  s.dev_specific_delay =
      static_cast<DWORD>(ProfileCount("ril", "devSpecificDelay", s.dev_specific_delay, UINT32_MAX));
  s.deinitialize_delay =
      static_cast<DWORD>(ProfileCount("ril", "deinitializeDelay", s.deinitialize_delay, UINT32_MAX));
  s.refuse_initialize = ProfileFlag("ril", "refuseInitialize", false);
  s.refuse_initialize_for = ProfileCount("ril", "refuseInitializeFor", 0);
  ReadFailure(ril, "initializeError", &s.initialize_error);
  ReadFailure(ril, "cellTowerInfoError", &s.cell_tower_info_error);
  ReadFailure(ril, "answerError", &s.answer_error);
  return s;
}

}  // namespace kelvane
