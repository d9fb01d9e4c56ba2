// A device process that ends with a port open and calls blocked in it, on the
// device root given by KELVANE_DEVICE_ROOT.
//
//   port_exit_helper KEY NAME   activates the driver key KEY (the test wrote
//                               it) and opens its port NAME twice
//
// On the first handle a read waits for data and a write of 2000 bytes waits
// for room; on the second a WaitCommEvent waits for EV_TXEMPTY, which a
// handle that sends nothing never sees. Then main returns with every handle
// still open. After the device manager has told the driver that the process
// ends, one line per call says how it ended: "read FALSE 0" (the result,
// then the last error, or for the write the bytes written), or "read blocked"
// when it did not end. Exits with 0, or 1 after printing what failed.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace {

HANDLE g_first = INVALID_HANDLE_VALUE, g_second = INVALID_HANDLE_VALUE;

struct Call {
  const char* name;
  DWORD (*run)(BOOL* ok);  // makes the call: sets ok, returns the number to print
  HANDLE thread;
  BOOL ok;
  DWORD value;
};

DWORD BlockedRead(BOOL* ok) {
  char buffer[16];
  DWORD read = 0;
  *ok = ReadFile(g_first, buffer, sizeof(buffer), &read, nullptr);
  return *ok ? read : GetLastError();
}

DWORD BlockedWrite(BOOL* ok) {
  static const std::string bytes(2000, 'w');
  DWORD written = 0;
  *ok = WriteFile(g_first, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return *ok ? written : GetLastError();
}

DWORD BlockedWait(BOOL* ok) {
  DWORD events = 0;
  *ok = WaitCommEvent(g_second, &events, nullptr);
  return *ok ? events : GetLastError();
}

Call g_calls[] = {{"read", BlockedRead, nullptr, FALSE, 0},
                  {"write", BlockedWrite, nullptr, FALSE, 0},
                  {"wait", BlockedWait, nullptr, FALSE, 0}};

DWORD WINAPI RunCall(LPVOID parameter) {
  Call* call = static_cast<Call*>(parameter);
  call->value = call->run(&call->ok);
  return 0;
}

// Registered before the port is activated, so it runs after the device
// manager's own exit handler.
void ReportCalls() {
  for (Call& call : g_calls) {
    if (!call.thread || WaitForSingleObject(call.thread, 60000) != WAIT_OBJECT_0)
      printf("%s blocked\n", call.name);
    else
      printf("%s %s %u\n", call.name, call.ok ? "TRUE" : "FALSE", static_cast<unsigned>(call.value));
  }
  fflush(stdout);
}

int Failed(const char* call) {
  fprintf(stderr, "port_exit_helper: %s failed %u\n", call, static_cast<unsigned>(GetLastError()));
  return 1;
}

std::wstring Wide(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: port_exit_helper KEY NAME\n");
    return 2;
  }
  atexit(ReportCalls);
  HANDLE device = ActivateDevice(Wide(argv[1]).c_str(), 0);
  if (device == INVALID_HANDLE_VALUE || device == nullptr) return Failed("ActivateDevice");
  const std::wstring name = Wide(argv[2]);
  g_first = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  g_second = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (g_first == INVALID_HANDLE_VALUE || g_second == INVALID_HANDLE_VALUE) return Failed("CreateFileW");
  // Reads wait for their first byte without limit.
  COMMTIMEOUTS timeouts = {0, 0, 0, 0, 0};
  if (!SetCommTimeouts(g_first, &timeouts)) return Failed("SetCommTimeouts");
  if (!SetCommMask(g_second, EV_TXEMPTY)) return Failed("SetCommMask");
  for (Call& call : g_calls) {
    call.thread = CreateThread(nullptr, 0, RunCall, &call, 0, nullptr);
    if (!call.thread) return Failed("CreateThread");
  }
  // Time for every call to block (device time: the test's profile runs it fast).
  Sleep(4000);
  return 0;
}
