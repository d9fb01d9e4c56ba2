#include "cell/ril_cell_source.h"

#include "cell/home_codes.h"
#include "core/flags.h"
#include "core/messages.h"
#include "core/process_state.h"
#include "settings/message_list.h"

namespace {

// Process-wide state shared with the result callback. The callback runs on
// the RIL's thread; a small lock keeps the current cell, the pending command
// and the answer event consistent between it and the worker. The answer
// event is the reading source's own: it tells the worker that the pending
// command's answer has been copied.
struct RilState {
  RilState() { InitializeCriticalSection(&lock); }
  CRITICAL_SECTION lock;
  CellRecord current;
  HRESULT pending = 0;
  int32_t home_country = -1;
  int32_t home_network = -1;
  HANDLE answer_event = nullptr;  // null while no source exists
};

RilState& State() {
  static RilState* state = new RilState;  // the callback may outlive static destructors
  return *state;
}

class StateLock {
 public:
  StateLock() { EnterCriticalSection(&State().lock); }
  ~StateLock() { LeaveCriticalSection(&State().lock); }
};

void Log(const WCHAR* text) { DiagnosticLog().AppendText(text, kBlack); }

void CALLBACK OnResult(DWORD code, HRESULT command, const void* data, DWORD size, DWORD) {
  RilState& s = State();
  CellRecord cell;
  {
    StateLock guard;
    if (command != s.pending) return;
    // An answer that is not a success carries no cell-tower record: it is
    // ignored and the wait runs into its time-out, keeping the previous cell.
    if (code != RIL_RESULT_OK || !data || size < sizeof(RILCELLTOWERINFO)) return;
    const auto* info = static_cast<const RILCELLTOWERINFO*>(data);
    cell.country = static_cast<int32_t>(info->dwMobileCountryCode);
    cell.network = static_cast<int32_t>(info->dwMobileNetworkCode);
    cell.area = static_cast<int32_t>(info->dwLocationAreaCode);
    cell.cell_id = static_cast<int32_t>(info->dwCellID);
    cell.signal = static_cast<int32_t>(info->dwRxLevel);
    cell.timing_advance = static_cast<int32_t>(info->dwTimingAdvance);
    if (s.home_country >= 0) cell.country = s.home_country;
    if (s.home_network >= 0) cell.network = s.home_network;
    s.current = cell;
  }
  WCHAR line[96];
  swprintf(line, 96, L"r %d %d %d %d", cell.country, cell.network, cell.area, cell.cell_id);
  Log(line);
  StateLock guard;  // the source may be closing its event
  if (s.answer_event) SetEvent(s.answer_event);
}

void CALLBACK OnNotify(DWORD, const void*, DWORD, DWORD) {}

}  // namespace

RilCellSource::RilCellSource() : answer_event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  StateLock guard;
  State().pending = 0;
  State().answer_event = answer_event_;
}

RilCellSource::~RilCellSource() {
  {
    StateLock guard;
    if (State().answer_event == answer_event_) State().answer_event = nullptr;
  }
  if (answer_event_) CloseHandle(answer_event_);
  if (library_) FreeLibrary(library_);
}

bool RilCellSource::LoadEntryPoints() {
  library_ = LoadLibraryW(L"ril.dll");
  if (!library_) {
    DiagnosticLog().Error(L"Load ril.dll failed");
    return false;
  }
  initialize_ = reinterpret_cast<InitializeFn>(GetProcAddressW(library_, L"RIL_Initialize"));
  if (!initialize_) {
    DiagnosticLog().Error(L"RIL_Initialize GetProcAddress");
    return false;
  }
  deinitialize_ = reinterpret_cast<DeinitializeFn>(GetProcAddressW(library_, L"RIL_Deinitialize"));
  if (!deinitialize_) {
    DiagnosticLog().Error(L"RIL_Deinitialize GetProcAddress");
    return false;
  }
  get_cell_tower_info_ = reinterpret_cast<GetCellTowerInfoFn>(GetProcAddressW(library_, L"RIL_GetCellTowerInfo"));
  if (!get_cell_tower_info_) {
    DiagnosticLog().Error(L"RIL_GetCellTowerInfo GetProcAddress");
    return false;
  }
  dev_specific_ = reinterpret_cast<DevSpecificFn>(GetProcAddressW(library_, L"RIL_DevSpecific"));
  if (!dev_specific_) {
    DiagnosticLog().Error(L"RIL_DevSpecific GetProcAddress");
    return false;
  }
  return true;
}

int RilCellSource::Open() {
  Log(L"--- Trying RIL mode ---");
  PostToMainWindow(MSG_BUSY);
  int result = -1;
  if (LoadEntryPoints()) {
    result = Refresh();
    RilState& s = State();
    if (result == 0) {
      int32_t country;
      {
        StateLock guard;
        country = s.current.country;
      }
      if (country < 1 || country > 1000) {
        int32_t home_country = -1, home_network = -1;
        if (ReadHomeCodes(&home_country, &home_network)) {
          StateLock guard;
          s.home_country = home_country;
          s.home_network = home_network;
        }
      }
    }
  }
  // The trial reading only proves that the radio answers; the first real
  // reading is the worker's first Refresh.
  {
    StateLock guard;
    State().current = kUnknownCell;
  }
  PostToMainWindow(MSG_IDLE);
  return result;
}

int RilCellSource::Refresh() {
  PostToMainWindow(MSG_BUSY);
  const DWORD start = GetTickCount();
  HRIL handle = 0;
  int result = -1;
  for (;;) {
    if (TestFlag(Interrupt)) break;
    if (handle) deinitialize_(handle);
    const HRESULT hr = initialize_(1, OnResult, OnNotify, 0x80FF0000, 0, &handle);
    if (hr != 0) {
      if (GetTickCount() - start <= answer_timeout_) {
        Sleep(100);
        continue;
      }
      DiagnosticLog().Error(L"RIL_Initialize failed");
      WCHAR line[32];
      swprintf(line, 32, L"HRESULT %d", static_cast<int>(hr));
      Log(line);
      Log(L"Check");
      Log(L"HKLM\\Security\\Policy");
      Log(L"\\APIs\\RILGSM\\Default");
      Log(L" Must be 1");
      deinitialize_(handle);
      break;
    }
    const DWORD parameter = 26;
    dev_specific_(handle, reinterpret_cast<const BYTE*>(&parameter), sizeof parameter);
    if (TestFlag(Interrupt)) {
      deinitialize_(handle);
      break;
    }
    {
      // An answer that came after an earlier wait gave up must not satisfy
      // this one: no command is pending until the new one is stored, and
      // the event is cleared of what such an answer set.
      StateLock guard;
      State().pending = 0;
      ResetEvent(answer_event_);
    }
    const HRESULT command = get_cell_tower_info_(handle);
    {
      StateLock guard;
      State().pending = command;
    }
    if (command < 0) {
      WCHAR line[48];
      swprintf(line, 48, L"%d %x", static_cast<int>((command >> 8) & 0xFF), static_cast<unsigned>(command));
      Log(line);
      DiagnosticLog().Error(L"RIL_GetCellTowerInfo failed");
    }
    WaitForSingleObject(answer_event_, answer_timeout_);
    if (deinitialize_(handle) != 0) DiagnosticLog().Error(L"RIL_Deinitialize failed");
    result = command < 0 ? -1 : 0;
    break;
  }
  PostToMainWindow(MSG_IDLE);
  return result;
}

CellRecord* RilCellSource::GetCell(int, CellRecord* destination) {
  StateLock guard;
  *destination = State().current;
  return destination;
}
