// kelvane-modem: a GSM modem on a host pseudo-terminal, answering the same AT
// commands as the device's simulated modem port, so the program's host-serial
// path (a "tty" port) can be tried without a phone or a USB modem.
//
//   kelvane-modem (--root ROOT | --cell MCC,MNC,LAC,CELLID[,LEVEL]) [options]
//     --root ROOT           the serving cell of ROOT's scenario, on its clock
//     --cell ...            a fixed serving cell (LEVEL: received level 0..63)
//     --echo on|off         command echo (default on, as modems start)
//     --cell-id-form F      short, long (default) or hidden
//     --reply-delay MS      device ms before an answer (default 100)
//     --operator-delay MS   device ms before the operator list (default 3000)
//     --link PATH           also make PATH a symbolic link to the terminal
//
// Prints the terminal's path on the first line of its output, then serves it
// until SIGINT or SIGTERM. It keeps the terminal's other end open itself, so a
// program may close and open the line again between its attempts.
#include "devmgr/modem_line.h"
#include "internal/device_clock.h"
#include "internal/device_root.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnStop(int) { g_stop = 1; }

int Usage() {
  std::fprintf(stderr,
               "usage: kelvane-modem (--root ROOT | --cell MCC,MNC,LAC,CELLID[,LEVEL]) [--echo on|off]\n"
               "                     [--cell-id-form short|long|hidden] [--reply-delay MS]\n"
               "                     [--operator-delay MS] [--link PATH]\n");
  return 2;
}

bool ReadCell(const char* text, kelvane::ScenarioCell* cell) {
  unsigned mcc = 0, mnc = 0, lac = 0, cell_id = 0;
  int level = -1, end = 0;
  const int n = std::sscanf(text, "%u,%u,%u,%u%n,%d%n", &mcc, &mnc, &lac, &cell_id, &end, &level, &end);
  if (n < 4 || text[end] != '\0' || level < -1 || level > 63) return false;
  *cell = {mcc, mnc, lac, cell_id, level, -1};
  return true;
}

bool ReadMs(const char* text, DWORD* ms) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (!*text || *end || value > 3600000) return false;
  *ms = static_cast<DWORD>(value);
  return true;
}

// The master side of a new pseudo-terminal, and its path; its other end is
// opened, raw, and held in *held.
int OpenTerminal(std::string* path, int* held) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
  *path = ptsname(master);
  *held = open(path->c_str(), O_RDWR | O_NOCTTY);
  if (*held < 0) return -1;
  termios t;
  if (tcgetattr(*held, &t) != 0) return -1;
  cfmakeraw(&t);
  if (tcsetattr(*held, TCSANOW, &t) != 0) return -1;
  return master;
}

}  // namespace

int main(int argc, char** argv) {
  kelvane::ModemBehaviour behaviour;
  std::optional<kelvane::ScenarioCell> fixed;
  const char* root = nullptr;
  const char* link = nullptr;
  for (int i = 1; i < argc; i += 2) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* value = argv[i + 1];
    kelvane::ScenarioCell cell;
    if (option == "--root")
      root = value;
    else if (option == "--cell" && ReadCell(value, &cell))
      fixed = cell;
    else if (option == "--echo" && (!std::strcmp(value, "on") || !std::strcmp(value, "off")))
      behaviour.echo = !std::strcmp(value, "on");
    else if (option == "--cell-id-form" && kelvane::ParseCellIdForm(value, &behaviour.cell_id_form))
      continue;
    else if (option == "--reply-delay" && ReadMs(value, &behaviour.reply_delay))
      continue;
    else if (option == "--operator-delay" && ReadMs(value, &behaviour.operator_list_delay))
      continue;
    else if (option == "--link")
      link = value;
    else
      return Usage();
  }
  if (!root == !fixed) return Usage();
  if (root) kelvane::UseDeviceRoot(root);

  std::string path;
  int held = -1;
  const int master = OpenTerminal(&path, &held);
  if (master < 0) {
    std::perror("kelvane-modem: pseudo-terminal");
    return 1;
  }
  if (link) {
    unlink(link);
    if (symlink(path.c_str(), link) != 0) {
      std::perror(link);
      return 1;
    }
  }
  struct sigaction stop = {};
  stop.sa_handler = OnStop;
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  std::printf("%s\n", path.c_str());
  std::fflush(stdout);

  using Clock = kelvane::ModemLine::Clock;
  kelvane::ModemLine line(behaviour);
  while (!g_stop) {
    const Clock::time_point next = line.NextArrival();
    int timeout = -1;
    if (next != Clock::time_point::max()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count() + 1;
      timeout = static_cast<int>(std::max<long long>(0, std::min<long long>(left, 1000000)));
    }
    pollfd p = {master, POLLIN, 0};
    const int ready = poll(&p, 1, timeout);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && (p.revents & POLLIN)) {
      char bytes[256];
      const ssize_t n = read(master, bytes, sizeof bytes);
      if (n > 0) {
        std::optional<kelvane::ScenarioCell> serving = fixed;
        if (root) {
          const std::optional<kelvane::ScenarioStep> step = kelvane::CurrentScenarioStep();
          serving = step ? step->serving : std::nullopt;
        }
        line.Take(bytes, static_cast<size_t>(n), Clock::now(), serving);
      }
    }
    char out[1024];
    for (size_t n; (n = line.TakeArrived(out, sizeof out, Clock::now())) > 0;)
      if (write(master, out, n) < 0 && errno != EAGAIN) break;
  }
  if (link) unlink(link);
  close(held);
  close(master);
  return 0;
}
