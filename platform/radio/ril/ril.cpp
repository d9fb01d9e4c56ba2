// ril.dll: the device's Radio Interface Layer.
//
// Commands return an identifier at once (positive, increasing over the whole
// process, also across loads of the library) and are answered later through the client's result callback on a
// thread of the client's own (ril_client.h). A cell-tower answer describes the
// serving cell of the scenario step current when the answer is given; with no
// serving cell the radio answers RIL_RESULT_ERROR with RIL_E_NONETWORKSVC.
// Delays, refusals and failures come from the profile (radio_settings.h). The
// radio sends no unsolicited notifications.
//
// RIL_Deinitialize returns once no callback of the handle runs or can start;
// answers still due are dropped. A slow radio (profile) first takes its time,
// during which answers that fall due are still given, as on devices whose
// RIL takes a while to let a client go. Called from inside one of the handle's own
// callbacks it forbids further callbacks and returns while that one runs.
#include <ril.h>

#include "internal/radio_driver.h"
#include "internal/scenario.h"
#include "radio_settings.h"
#include "ril_client.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

using namespace kelvane;

namespace {

struct ClientTable {
  std::mutex lock;
  std::map<HRIL, std::shared_ptr<RilClient>> open;
  // Clients closed from inside their own callback, whose threads still end.
  std::vector<std::shared_ptr<RilClient>> closing;
  uintptr_t next = 0x52110004;
};

// Destroyed when the library is unloaded, after DllMain has closed every client.
ClientTable& Clients() {
  static ClientTable table;
  return table;
}

std::shared_ptr<RilClient> Find(HRIL handle) {
  ClientTable& t = Clients();
  std::lock_guard<std::mutex> guard(t.lock);
  const auto found = t.open.find(handle);
  return found == t.open.end() ? nullptr : found->second;
}

// Joins the threads of clients closed from their own callbacks, except the
// caller's own.
void JoinClosedClients() {
  std::vector<std::shared_ptr<RilClient>> closing;
  {
    ClientTable& t = Clients();
    std::lock_guard<std::mutex> guard(t.lock);
    closing.swap(t.closing);
  }
  std::vector<std::shared_ptr<RilClient>> still_running;
  for (auto& client : closing)
    if (!client->Join()) still_running.push_back(client);
  if (still_running.empty()) return;
  ClientTable& t = Clients();
  std::lock_guard<std::mutex> guard(t.lock);
  t.closing.insert(t.closing.end(), still_running.begin(), still_running.end());
}

void CloseClient(const std::shared_ptr<RilClient>& client) {
  if (client->Close()) return;
  ClientTable& t = Clients();
  std::lock_guard<std::mutex> guard(t.lock);
  t.closing.push_back(client);
}

RilReply ErrorReply(HRESULT error) {
  RilReply reply;
  reply.code = RIL_RESULT_ERROR;
  reply.data.resize(sizeof error);
  std::memcpy(reply.data.data(), &error, sizeof error);
  return reply;
}

RilReply CellTowerReply(HRESULT answer_error) {
  if (FAILED(answer_error)) return ErrorReply(answer_error);
  const std::optional<ScenarioStep> step = CurrentScenarioStep();
  if (!step || !step->serving) return ErrorReply(RIL_E_NONETWORKSVC);
  const ScenarioCell& cell = *step->serving;
  RILCELLTOWERINFO info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.dwParams = RIL_PARAM_CTI_MOBILECOUNTRYCODE | RIL_PARAM_CTI_MOBILENETWORKCODE | RIL_PARAM_CTI_LOCATIONAREACODE |
                  RIL_PARAM_CTI_CELLID;
  info.dwMobileCountryCode = cell.mcc;
  info.dwMobileNetworkCode = cell.mnc;
  info.dwLocationAreaCode = cell.lac;
  info.dwCellID = cell.cell_id;
  if (cell.signal >= 0) {
    info.dwParams |= RIL_PARAM_CTI_RXLEVEL;
    info.dwRxLevel = static_cast<DWORD>(cell.signal);
  }
  if (cell.timing_advance >= 0) {
    info.dwParams |= RIL_PARAM_CTI_TIMINGADVANCE;
    info.dwTimingAdvance = static_cast<DWORD>(cell.timing_advance);
  }
  RilReply reply;
  reply.data.resize(sizeof info);
  std::memcpy(reply.data.data(), &info, sizeof info);
  return reply;
}

}  // namespace

extern "C" {

// ---- RIL_Initialize ----
// The device has one radio, port RIL1:. While the security policy refuses
// access the call fails with the configured error and no handle.
HRESULT RIL_Initialize(DWORD dwIndex, RILRESULTCALLBACK pfnResult, RILNOTIFYCALLBACK pfnNotify,
                       DWORD dwNotificationClasses, DWORD dwParam, HRIL* lphRil) {
  if (!lphRil) return E_INVALIDARG;
  *lphRil = nullptr;
  if (dwIndex != 1) return E_INVALIDARG;
  const RadioSettings settings = ReadRadioSettings();
  if (settings.RefusesInitializeAt(ScenarioMilliseconds())) return settings.initialize_error;
  JoinClosedClients();
  auto client = std::make_shared<RilClient>(pfnResult, dwParam);
  ClientTable& t = Clients();
  std::lock_guard<std::mutex> guard(t.lock);
  const HRIL handle = reinterpret_cast<HRIL>(t.next);
  t.next += 4;
  t.open.emplace(handle, std::move(client));
  *lphRil = handle;
  return S_OK;
}

// ---- RIL_Deinitialize ----
HRESULT RIL_Deinitialize(HRIL hRil) {
  if (!Find(hRil)) return E_INVALIDARG;
  if (const DWORD delay = ReadRadioSettings().deinitialize_delay) Sleep(delay);
  std::shared_ptr<RilClient> client;
  {
    ClientTable& t = Clients();
    std::lock_guard<std::mutex> guard(t.lock);
    const auto found = t.open.find(hRil);
    if (found == t.open.end()) return E_INVALIDARG;
    client = std::move(found->second);
    t.open.erase(found);
  }
  CloseClient(client);
  return S_OK;
}

// ---- RIL_GetCellTowerInfo ----
HRESULT RIL_GetCellTowerInfo(HRIL hRil) {
  const std::shared_ptr<RilClient> client = Find(hRil);
  if (!client) return E_INVALIDARG;
  const RadioSettings settings = ReadRadioSettings();
  if (FAILED(settings.cell_tower_info_error)) return settings.cell_tower_info_error;
  const HRESULT id = NextRilCommandId();
  const HRESULT answer_error = settings.answer_error;
  client->Queue(id, settings.AnswerDelay(NextCellTowerCommand()),
                [answer_error] { return CellTowerReply(answer_error); });
  return id;
}

// ---- RIL_DevSpecific ----
// What a device-specific command means is the radio's own; this one answers
// every command with a copy of its parameter block.
HRESULT RIL_DevSpecific(HRIL hRil, const BYTE* lpbParams, DWORD dwSize) {
  if (!lpbParams && dwSize) return E_INVALIDARG;
  const std::shared_ptr<RilClient> client = Find(hRil);
  if (!client) return E_INVALIDARG;
  const HRESULT id = NextRilCommandId();
  RilReply reply;
  if (dwSize) reply.data.assign(lpbParams, lpbParams + dwSize);
  client->Queue(id, ReadRadioSettings().dev_specific_delay, [reply] { return reply; });
  return id;
}

// Unloading the library closes the handles left open, so that no answer
// thread runs code that is about to be unmapped.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_DETACH) return TRUE;
  std::map<HRIL, std::shared_ptr<RilClient>> open;
  {
    ClientTable& t = Clients();
    std::lock_guard<std::mutex> guard(t.lock);
    open.swap(t.open);
  }
  for (auto& entry : open) CloseClient(entry.second);
  JoinClosedClients();
  return TRUE;
}

}  // extern "C"
