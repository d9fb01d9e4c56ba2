// kelvane-locserver: the location web services the program asks, on loopback,
// from CSV data, with faults on demand. The first line on standard output is
// the port it listens on. `kelvane-locserver --help` lists the options, the
// fault rules and the control interface.
//
// SIGINT and SIGTERM end the server. Bad data files are listed line by line on
// standard error and the server does not start (exit status 2).
#include "faults.h"
#include "server.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: kelvane-locserver [--port N] [--bind ADDRESS] [--cells FILE] [--wifi FILE]\n"
    "                         [--log FILE] [--fault RULE]...\n";

const char kOptions[] =
    "  --port N       port to listen on; 0 (the default) picks a free one\n"
    "  --bind ADDRESS IPv4 address to listen on (default 127.0.0.1)\n"
    "  --cells FILE   cells in the public cell-export columns (default data/cells.csv):\n"
    "                 radio,mcc,net,area,cell,unit,lon,lat,range,samples,changeable,\n"
    "                 created,updated,averageSignal\n"
    "  --wifi FILE    access points: mac,lat,lon,accuracy (default data/wifi.csv)\n"
    "  --log FILE     append every request received, byte for byte\n"
    "  --fault RULE   a fault rule in force from the start; repeatable\n"
    "\n";

const char kControl[] =
    "\n"
    "While the server runs, its own port also answers:\n"
    "  GET /_control      the fault rules in force, one a line (\"none\" for none)\n"
    "  POST /_control     replaces them: one RULE a line; an empty body or the line\n"
    "                     \"clear\" removes them all; a bad line is refused with 400\n"
    "  GET /_requests     the requests received\n"
    "  DELETE /_requests  empties that log\n";

struct Options {
  int port = 0;
  std::string bind = "127.0.0.1";
  std::string cells = KELVANE_DATA_DIR "/cells.csv";
  std::string wifi = KELVANE_DATA_DIR "/wifi.csv";
  std::string log;
  std::vector<std::string> faults;
};

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help") return false;
    if (i + 1 >= argc) {
      *error = "option " + name + " needs a value";
      return false;
    }
    const std::string value = argv[++i];
    if (name == "--port") {
      char* end = nullptr;
      const long port = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || port < 0 || port > 65535) {
        *error = "--port takes a number from 0 to 65535";
        return false;
      }
      options->port = static_cast<int>(port);
    } else if (name == "--bind") {
      options->bind = value;
    } else if (name == "--cells") {
      options->cells = value;
    } else if (name == "--wifi") {
      options->wifi = value;
    } else if (name == "--log") {
      options->log = value;
    } else if (name == "--fault") {
      options->faults.push_back(value);
    } else {
      *error = "unknown option " + name;
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    if (error.empty()) {
      std::printf("%s\n%s%s%s", kUsage, kOptions, locserver::kFaultRulesHelp, kControl);
      return 0;
    }
    std::fprintf(stderr, "kelvane-locserver: %s\n%s", error.c_str(), kUsage);
    return 2;
  }

  locserver::CellTable cells;
  locserver::AccessPointTable access_points;
  std::vector<std::string> errors;
  cells.LoadFile(options.cells, &errors);
  access_points.LoadFile(options.wifi, &errors);
  std::vector<locserver::FaultRule> rules;
  for (const std::string& text : options.faults) {
    locserver::FaultRule rule;
    if (!locserver::ParseFaultRule(text, &rule, &error)) errors.push_back("--fault " + text + ": " + error);
    rules.push_back(rule);
  }
  locserver::RequestLog log;
  if (!options.log.empty() && !log.OpenFile(options.log, &error)) errors.push_back(error);
  if (!errors.empty()) {
    for (const std::string& e : errors) std::fprintf(stderr, "kelvane-locserver: %s\n", e.c_str());
    return 2;
  }
  locserver::FaultPlan faults;
  faults.Replace(std::move(rules));

  // The signals are taken by sigwait below, not by whichever thread runs.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  locserver::LocationService service(cells, access_points);
  locserver::Server server(service, faults, log);
  const int port = server.Listen(options.bind, options.port, &error);
  if (port < 0) {
    std::fprintf(stderr, "kelvane-locserver: %s\n", error.c_str());
    return 1;
  }
  std::printf("%d\n", port);
  std::fflush(stdout);
  std::fprintf(stderr, "kelvane-locserver: listening on %s:%d with %zu cells and %zu access points\n",
               options.bind.c_str(), port, cells.size(), access_points.size());

  std::thread serving(&locserver::Server::Run, &server);
  int signal_number = 0;
  sigwait(&signals, &signal_number);
  server.Stop();
  serving.join();
  return 0;
}
