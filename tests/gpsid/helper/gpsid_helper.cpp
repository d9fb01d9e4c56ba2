// A second device process with a GPS Intermediate Driver, on the device root
// given by KELVANE_DEVICE_ROOT.
//
//   gpsid_helper read   opens GPD0:, prints the first whole line it reads and
//                       returns from main with the service still running
//   gpsid_helper hold   opens GPD0:, then keeps the process (and its
//                       service) alive until standard input ends
//
// Exits with 0, or 1 after printing what failed.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

namespace {

int Failed(const char* call) {
  fprintf(stderr, "gpsid_helper: %s failed %u\n", call, static_cast<unsigned>(GetLastError()));
  return 1;
}

int ReadOneLine(HANDLE port) {
  COMMTIMEOUTS timeouts = {MAXDWORD, MAXDWORD, 200, 0, 0};
  if (!SetCommTimeouts(port, &timeouts)) return Failed("SetCommTimeouts");
  std::string got;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 10000) {
    char buffer[256];
    DWORD n = 0;
    if (!ReadFile(port, buffer, sizeof(buffer), &n, nullptr)) return Failed("ReadFile");
    got.append(buffer, n);
    // The first line may be cut by the open; the second is whole.
    const size_t first_end = got.find("\r\n");
    const size_t second_end = first_end == std::string::npos ? first_end : got.find("\r\n", first_end + 2);
    if (second_end != std::string::npos) {
      printf("%s\n", got.substr(first_end + 2, second_end - first_end - 2).c_str());
      return 0;
    }
  }
  fprintf(stderr, "gpsid_helper: no line within 10 device seconds\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || (strcmp(argv[1], "read") != 0 && strcmp(argv[1], "hold") != 0)) {
    fprintf(stderr, "usage: gpsid_helper read|hold\n");
    return 2;
  }
  HANDLE port = CreateFileW(L"GPD0:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return Failed("CreateFileW");
  if (strcmp(argv[1], "read") == 0) return ReadOneLine(port);
  char line[64];
  while (fgets(line, sizeof(line), stdin)) {
  }
  CloseHandle(port);
  return 0;
}
