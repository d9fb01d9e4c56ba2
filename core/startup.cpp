// Windows wants winsock2.h before anything includes windows.h.
#include <winsock2.h>

#include "core/startup.h"

#include "core/flags.h"
#include "core/messages.h"
#include "core/position.h"
#include "core/process_state.h"
#include "core/sync_thread.h"
#include "output/output_thread.h"
#include "settings/message_list.h"

namespace {

constexpr DWORD kJoinTimeoutMs = 10000;

HANDLE StartThread(LPTHREAD_START_ROUTINE body, int priority) {
  HANDLE thread = CreateThread(nullptr, 0, body, nullptr, 0, nullptr);
  if (thread) SetThreadPriority(thread, priority);
  return thread;
}

// Waits for a thread to end, terminates it when it does not, closes its handle.
void Join(HANDLE* thread) {
  if (!*thread) return;  // never started
  if (WaitForSingleObject(*thread, kJoinTimeoutMs) != WAIT_OBJECT_0) TerminateThread(*thread, static_cast<DWORD>(-1));
  CloseHandle(*thread);
  *thread = nullptr;
}

}  // namespace

void StartUp(HWND main_window) {
  WSADATA wsa_data;
  if (WSAStartup(MAKEWORD(2, 2), &wsa_data) != 0) DiagnosticLog().Error(L"WSAStartup() failed");

  DiagnosticLog().AppendText(PROGRAM_VERSION, kBlack);
  WCHAR oem_info[128] = {};
  SystemParametersInfoW(SPI_GETOEMINFO, sizeof oem_info, oem_info, 0);
  oem_info[127] = L'\0';
  DiagnosticLog().AppendText(oem_info, kBlack);

  MainWindow = main_window;
  PostMessageW(main_window, MSG_STARTED, 0, 0);
  CreatePositionLock();
  WakeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  OutputThreadHandle = StartThread(OutputThread, THREAD_PRIORITY_BELOW_NORMAL);
  SyncThreadHandle = StartThread(SyncThread, THREAD_PRIORITY_LOWEST);
}

void ShutDown() {
  DiagnosticLog().AppendText(L"--- Exiting ---", kBlack);
  // One change sets both, so no thread sees the stop without the interrupt,
  // and a worker that clears Interrupt for a mode switch then sees the stop.
  SetFlag(Interrupt | StopRequest);
  SetEvent(WakeEvent);
  SetEvent(StopEvent);
  Join(&OutputThreadHandle);
  Join(&WorkerThreadHandle);
  Join(&SyncThreadHandle);
  CloseHandle(WakeEvent);
  WakeEvent = nullptr;
  CloseHandle(StopEvent);
  StopEvent = nullptr;
  DeletePositionLock();
  WSACleanup();
}
