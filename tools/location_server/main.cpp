// kelvane-locserver: the location web services the program asks, on loopback,
// from CSV data and, for what they do not know, from a living geolocation
// service; with the web map page, and faults on demand. The options are in
// server_options.cpp, the fault rules in faults.h, the control interface in
// control.h; `kelvane-locserver --help` prints all three.
#include "faults.h"
#include "http_upstream.h"
#include "server.h"
#include "server_options.h"

#include <signal.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kControlHelp[] =
    "\n"
    "While the server runs, its own port also answers:\n"
    "  GET /_control      the fault rules in force, one a line (\"none\" for none)\n"
    "  POST /_control     replaces them: one RULE a line; an empty body or the line\n"
    "                     \"clear\" removes them all; a bad line is refused with 400\n"
    "  GET /_requests     the requests received\n"
    "  DELETE /_requests  empties that log\n";

}  // namespace

int main(int argc, char** argv) {
  locserver::ServerOptions options;
  options.cells = KELVANE_DATA_DIR "/cells.csv";
  options.wifi = KELVANE_DATA_DIR "/wifi.csv";
  options.upstream.user_agent = "Kelvane/" KELVANE_VERSION " kelvane-locserver";
  options.map = {KELVANE_WEB_DIR, "/usr/share/javascript/leaflet", "https://tile.openstreetmap.org/{z}/{x}/{y}.png"};
  std::string error;
  if (!locserver::ParseServerOptions(argc, argv, &options, &error)) {
    if (error.empty()) {
      std::printf("%s\n%s%s", locserver::kServerUsage, locserver::kFaultRulesHelp, kControlHelp);
      return 0;
    }
    std::fprintf(stderr, "kelvane-locserver: %s\n%s", error.c_str(), locserver::kServerUsage);
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

  std::unique_ptr<locserver::HttpUpstream> upstream;
  std::unique_ptr<locserver::Gateway> gateway;
  if (!options.upstream.url.empty()) {
    upstream = std::make_unique<locserver::HttpUpstream>(options.upstream);
    gateway = std::make_unique<locserver::Gateway>(*upstream, options.gateway);
  }
  locserver::GatewayStatus status;
  locserver::LocationService service(cells, access_points, status, {options.local, gateway.get()});
  locserver::MapPage map(cells, access_points, options.map);
  locserver::Server server(service, map, faults, log, status);
  const int port = server.Listen(options.bind, options.port, &error);
  if (port < 0) {
    std::fprintf(stderr, "kelvane-locserver: %s\n", error.c_str());
    return 1;
  }
  std::printf("%d\n", port);
  std::fflush(stdout);
  std::fprintf(stderr, "kelvane-locserver: listening on %s:%d with %zu cells and %zu access points%s%s\n",
               options.bind.c_str(), port, cells.size(), access_points.size(),
               gateway ? (options.local ? ", then " : ", only ") : "", gateway ? options.upstream.url.c_str() : "");

  std::thread serving(&locserver::Server::Run, &server);
  int signal_number = 0;
  sigwait(&signals, &signal_number);
  server.Stop();
  serving.join();
  return 0;
}
