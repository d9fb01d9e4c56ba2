// Dial-up (RAS) connections over the profile's list.
//
// Profile: "rasConnections": [{"name": "`GPRS", "up": true}]; a scenario
// step's "connections" object ({"`GPRS": false}) sets the state of a listed
// entry for that step. Every listed connection is enumerated, up or down, as
// a connection that has been dialled; RasGetConnectStatus reports it
// connected or disconnected. Its handle stays valid while the profile lists it.
//
// Record sizes: callers set dwSize to sizeof(RASCONN) and sizeof(RASCONNSTATUS)
// of this layout (104 and 596 bytes here, 52 and 304 on the device), and size
// an array of n connections as n * sizeof(RASCONN); any other dwSize is
// refused with ERROR_INVALID_SIZE, as the device refuses a wrong one.
#include <ras.h>

#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/scenario.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr uintptr_t kHandleBase = 0x52A50000;

struct Connection {
  std::wstring name;
  bool up = false;
};

std::vector<Connection> ProfileConnections() {
  std::vector<Connection> connections;
  const Json::Value& list = kelvane::MemberOf(kelvane::Profile(), "rasConnections");
  if (!list.isArray()) {
    if (!list.isNull()) kelvane::ReportProfileProblem("\"rasConnections\" must be a list; the device has none");
    return connections;
  }
  const std::optional<kelvane::ScenarioStep> step = kelvane::CurrentScenarioStep();
  for (const Json::Value& entry : list) {
    const bool named = entry.isObject() && entry["name"].isString();
    const std::wstring name = named ? kelvane::Widen(entry["name"].asString()) : L"";
    if (name.empty() || name.size() > RAS_MaxEntryName || !entry["up"].isBool()) {
      kelvane::ReportProfileProblem("each of \"rasConnections\" needs a \"name\" of 1 to " +
                                    std::to_string(RAS_MaxEntryName) + " characters and \"up\"");
      continue;
    }
    bool up = entry["up"].asBool();
    if (step) {
      const auto state = step->connections.find(entry["name"].asString());
      if (state != step->connections.end()) up = state->second;
    }
    connections.push_back({name, up});
  }
  return connections;
}

HRASCONN HandleOf(size_t index) { return reinterpret_cast<HRASCONN>(kHandleBase + index + 1); }

// Copies text into a fixed field, cut to fit and always terminated.
template <size_t N>
void CopyText(WCHAR (&field)[N], const std::wstring& text) {
  const size_t n = std::min(text.size(), N - 1);
  text.copy(field, n);
  field[n] = L'\0';
}

}  // namespace

// ---- RasEnumConnections ----
// The device answers ERROR_BUFFER_TOO_SMALL with the size it needs in *lpcb;
// a null array with *lpcb 0 asks for that size.
DWORD APIENTRY RasEnumConnections(LPRASCONN lprasconn, LPDWORD lpcb, LPDWORD lpcConnections) {
  if (!lpcb || !lpcConnections || (!lprasconn && *lpcb != 0)) return ERROR_INVALID_PARAMETER;
  if (lprasconn && lprasconn->dwSize != sizeof(RASCONN)) return ERROR_INVALID_SIZE;
  const std::vector<Connection> connections = ProfileConnections();
  const DWORD needed = static_cast<DWORD>(connections.size() * sizeof(RASCONN));
  *lpcConnections = 0;
  if (*lpcb < needed) {
    *lpcb = needed;
    return ERROR_BUFFER_TOO_SMALL;
  }
  for (size_t i = 0; i < connections.size(); ++i) {
    RASCONN& out = lprasconn[i];
    out.dwSize = sizeof(RASCONN);
    out.hrasconn = HandleOf(i);
    CopyText(out.szEntryName, connections[i].name);
  }
  *lpcb = needed;
  *lpcConnections = static_cast<DWORD>(connections.size());
  return ERROR_SUCCESS;
}

// ---- RasGetConnectStatus ----
DWORD APIENTRY RasGetConnectStatus(HRASCONN hrasconn, LPRASCONNSTATUS lprasconnstatus) {
  if (!lprasconnstatus) return ERROR_INVALID_PARAMETER;
  if (lprasconnstatus->dwSize != sizeof(RASCONNSTATUS)) return ERROR_INVALID_SIZE;
  const std::vector<Connection> connections = ProfileConnections();
  const uintptr_t value = reinterpret_cast<uintptr_t>(hrasconn);
  if (value <= kHandleBase || value > kHandleBase + connections.size()) return ERROR_INVALID_HANDLE;
  const Connection& connection = connections[value - kHandleBase - 1];
  lprasconnstatus->rasconnstate = connection.up ? RASCS_Connected : RASCS_Disconnected;
  lprasconnstatus->dwError = ERROR_SUCCESS;
  CopyText(lprasconnstatus->szDeviceType, L"modem");
  CopyText(lprasconnstatus->szDeviceName, L"Cellular Line");
  return ERROR_SUCCESS;
}
