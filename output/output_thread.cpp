#include "output/output_thread.h"

#include "core/app_state.h"
#include "core/flags.h"
#include "core/messages.h"
#include "core/position.h"
#include "core/position_worker.h"
#include "core/process_state.h"
#include "output/gps_output.h"
#include "output/nmea.h"
#include "output/port_name.h"
#include "output/virtual_port.h"
#include "settings/config_file.h"
#include "settings/message_list.h"
#include "settings/settings.h"

namespace {

void ShowFailure(int result) {
  MessageList& status = StatusList();
  status.Clear();
  status.AppendText(L"Cannot create virtual port.", kRed);
  if (result == -1) {
    status.AppendText(L"Please reboot device.", kBlack);
  } else {
    status.AppendText(L"Try VSPD to create port pair,", kBlack);
    status.AppendText(L"VSPX-COMY, X,Y - any numbers.", kBlack);
  }
  status.AppendText(L"GPS driver is not supported.", kRed);
  status.AppendText(L"Help->ReadMe for more info.", kBlack);
  PostToMainWindow(MSG_REFRESH);
}

}  // namespace

DWORD WINAPI OutputThread(LPVOID) {
  GpsOutput& output = TheGpsOutput();
  output.TakeOverRegistration();
  const int result = OpenAnyPort();
  if (result == 0) {
    SetFlag(PortOpen);
    WCHAR port[32];
    swprintf(port, 32, L"%ls%d", PortPrefix, PortNumber);
    WriteText(KEY_PORT, port);
  }
  if (output.RegisterDriverFile(L"\\windows\\gpsfile.dat") == 0) SetFlag(DriverActive);
  if (result != 0 && !TestFlag(DriverActive)) {
    ShowFailure(result);
    return 1;
  }

  WorkerThreadHandle = CreateThread(nullptr, 0, PositionWorker, nullptr, 0, nullptr);
  if (WorkerThreadHandle) SetThreadPriority(WorkerThreadHandle, THREAD_PRIORITY_BELOW_NORMAL);

  const DWORD period = GetAppState().settings.output_period;
  while (!TestFlag(StopRequest)) {
    const DWORD start = GetTickCount();
    if (TestFlag(PositionValid) && TestFlag(PortOpen)) WriteSentences(output, GetPosition(), true);
    if (TestFlag(StopRequest)) break;
    const DWORD elapsed = GetTickCount() - start;
    // Shut-down ends the wait, however long the period.
    if (elapsed < period) WaitForSingleObject(StopEvent, period - elapsed);
  }
  return 0;
}
