// The Connection Manager: connection requests whose state follows the
// profile's "connectionManager" on device time.
//
//   "mode": "connected"  the data connection is up at once (the default)
//           "delayed"    waiting (CONNMGR_STATUS_WAITINGCONNECTION) for
//                        "delayMs" of device time after the request, then up
//           "never"      waiting for ever
//           "refused"    ConnMgrEstablishConnection fails with E_FAIL
//
// Every request and release is appended to "connmgr.log" in the device root,
// one line each, so tests can see what was asked for and whether the program
// released with caching:
//   establish 1 dest={436EF144-B4FB-4863-A041-8F905A62C572} flags=0x1 priority=0x8000
//   refuse dest={...} flags=0x1 priority=0x8000
//   release 1 cache=1
#include <connmgr.h>

#include "internal/device_clock.h"
#include "internal/device_root.h"
#include "internal/profile_value.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

const GUID IID_DestNetInternet = {0x436ef144, 0xb4fb, 0x4863, {0xa0, 0x41, 0x8f, 0x90, 0x5a, 0x62, 0xc5, 0x72}};

namespace kelvane {
namespace {

// The structure's size on the 32-bit device, which programs written for it pass.
constexpr DWORD kDeviceConnectionInfoSize = 64;

struct ConnectionRequest {
  uint64_t requested_at;  // device milliseconds
};

struct ConnectionTable {
  std::mutex lock;
  std::map<uintptr_t, ConnectionRequest> requests;
  uintptr_t next = 1;
};

ConnectionTable& Table() {
  static ConnectionTable* table = new ConnectionTable;  // outlives static destructors
  return *table;
}

void AppendToLog(const std::string& line) {
  static std::mutex* lock = new std::mutex;
  std::lock_guard<std::mutex> guard(*lock);
  if (FILE* log = std::fopen((DeviceRoot() / "connmgr.log").c_str(), "a")) {
    std::fprintf(log, "%s\n", line.c_str());
    std::fclose(log);
  }
}

std::string GuidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

std::string RequestText(const CONNMGR_CONNECTIONINFO& info) {
  char text[96];
  const std::string dest = (info.dwParams & CONNMGR_PARAM_GUIDDESTNET) ? GuidText(info.guidDestNet) : "none";
  std::snprintf(text, sizeof text, "dest=%s flags=0x%X priority=0x%X", dest.c_str(), info.dwFlags, info.dwPriority);
  return text;
}

std::string Mode() { return ProfileText("connectionManager", "mode", "connected"); }

DWORD StatusOf(const ConnectionRequest& request) {
  const std::string mode = Mode();
  if (mode == "never") return CONNMGR_STATUS_WAITINGCONNECTION;
  if (mode == "delayed") {
    const uint64_t delay_ms = ProfileCount("connectionManager", "delayMs", 0);
    if (DeviceMilliseconds() - request.requested_at < delay_ms) return CONNMGR_STATUS_WAITINGCONNECTION;
  }
  return CONNMGR_STATUS_CONNECTED;
}

}  // namespace
}  // namespace kelvane

using namespace kelvane;

// ---- ConnMgrEstablishConnection ----
HRESULT WINAPI ConnMgrEstablishConnection(CONNMGR_CONNECTIONINFO* pConnInfo, HANDLE* phConnection) {
  if (pConnInfo == nullptr || phConnection == nullptr) return E_INVALIDARG;
  if (pConnInfo->cbSize != kDeviceConnectionInfoSize && pConnInfo->cbSize != sizeof(CONNMGR_CONNECTIONINFO))
    return E_INVALIDARG;
  if (Mode() == "refused") {
    AppendToLog("refuse " + RequestText(*pConnInfo));
    return E_FAIL;
  }
  ConnectionTable& t = Table();
  uintptr_t id;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    id = t.next++;
    t.requests[id] = ConnectionRequest{DeviceMilliseconds()};
  }
  AppendToLog("establish " + std::to_string(id) + " " + RequestText(*pConnInfo));
  *phConnection = reinterpret_cast<HANDLE>(id);
  return S_OK;
}

// ---- ConnMgrConnectionStatus ----
HRESULT WINAPI ConnMgrConnectionStatus(HANDLE hConnection, DWORD* pdwStatus) {
  if (pdwStatus == nullptr) return E_INVALIDARG;
  ConnectionTable& t = Table();
  ConnectionRequest request;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.requests.find(reinterpret_cast<uintptr_t>(hConnection));
    if (it == t.requests.end()) return E_INVALIDARG;
    request = it->second;
  }
  *pdwStatus = StatusOf(request);
  return S_OK;
}

// ---- ConnMgrReleaseConnection ----
// lCache: 0 drops the data connection now, 1 keeps it for the default time,
// more keeps it that many seconds; only recorded here.
HRESULT WINAPI ConnMgrReleaseConnection(HANDLE hConnection, LONG lCache) {
  ConnectionTable& t = Table();
  const uintptr_t id = reinterpret_cast<uintptr_t>(hConnection);
  {
    std::lock_guard<std::mutex> guard(t.lock);
    if (t.requests.erase(id) == 0) return E_INVALIDARG;
  }
  AppendToLog("release " + std::to_string(id) + " cache=" + std::to_string(lCache));
  return S_OK;
}
