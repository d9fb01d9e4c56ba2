#include "core/position_worker.h"

#include "core/app_state.h"
#include "core/cell_source_holder.h"
#include "core/flags.h"
#include "core/lookup_retry.h"
#include "core/messages.h"
#include "core/process_state.h"
#include "core/status_lines.h"
#include "lookup/service_position.h"
#include "lookup/tower_resolution.h"
#include "settings/message_list.h"
#include "wifi/wifi_scanner.h"

namespace {

// A mode change seen at the top of a pass: the source the user chose is
// opened, with no fall-back.
void SwitchSource(WifiSource& wifi_source) {
  ClearFlag(ModeChange);
  ClearFlag(PositionValid);
  ClearFlag(Interrupt);
  ResetEvent(WakeEvent);
  // A stop that came meanwhile must not run an uninterrupted open: the
  // Interrupt it set may just have been cleared. The pass's top ends the thread.
  if (TestFlag(StopRequest)) return;
  StatusList().Clear();
  PostToMainWindow(MSG_REFRESH);
  wifi_source.ClearList();
  TheCellSourceHolder().SelectSource(static_cast<int>(AppMode()));
}

// A position off the globe (or NaN) never reaches the sentences, whatever
// its source: its lookup counts as having no usable answer.
int Checked(int code, const Position& position) {
  return code == 0 && !IsOnGlobe(position.latitude, position.longitude) ? -3 : code;
}

}  // namespace

Position BetterPosition(const Position& tower, const Position& wifi) {
  return wifi.accuracy < tower.accuracy ? wifi : tower;
}

DWORD WINAPI PositionWorker(LPVOID wifi_source) {
  CellSourceHolder& holder = TheCellSourceHolder();
  WifiSource& wifi_scan = wifi_source ? *static_cast<WifiSource*>(wifi_source) : TheWifiScanner();
  if (holder.SelectSourceWithFallback() == 0) SetAppMode(static_cast<DWORD>(holder.ActiveMode()));
  const OnOffTexts texts = LoadOnOffTexts();
  StatusList().Clear();
  LookupRetry retry;

  for (;;) {
    // The stop wins over a mode change pressed just before it.
    if (TestFlag(StopRequest)) return 0;
    if (TestFlag(ModeChange)) {
      SwitchSource(wifi_scan);
      continue;
    }
    const DWORD pass_start = GetTickCount();
    const bool cell_changed = holder.RefreshCell() == 0;
    const bool wifi_changed = wifi_scan.Scan() == 0;
    if (TestFlag(StopRequest)) return 0;
    const DWORD period = GetAppState().settings.tower_period;
    const bool retry_due = retry.Due(pass_start);

    Position tower = kNoPosition;
    Position wifi = kNoPosition;
    int tower_code = -4;
    int wifi_code = -2;
    if (cell_changed || wifi_changed || retry_due) {
      tower_code = Checked(ResolveTowerPosition(holder, &tower), tower);
      wifi_code = Checked(wifi_scan.Resolve(&wifi), wifi);
      if (tower_code != 0 && wifi_code != 0) {
        ClearFlag(PositionValid);
      } else {
        // A failed lookup's record carries no position, whatever it holds.
        SetPosition(BetterPosition(tower_code == 0 ? tower : kNoPosition, wifi_code == 0 ? wifi : kNoPosition));
        SetFlag(PositionValid);
      }
      retry.Record(tower_code == 0 || wifi_code == 0, pass_start, period);
    }

    if (cell_changed || wifi_changed || retry_due || StatusList().LineCount() == 0) {
      RebuildStatusList(texts, tower_code, wifi_code);
      PostToMainWindow(MSG_REFRESH);
    }

    const DWORD elapsed = GetTickCount() - pass_start;
    if (elapsed < period) WaitForSingleObject(WakeEvent, period - elapsed);
    if (TestFlag(StopRequest)) return 0;
  }
}
