#include "server_options.h"

#include "csv_rows.h"

namespace locserver {

const char kServerUsage[] =
    "usage: kelvane-locserver [OPTION]...\n"
    "Answers the program's three location protocols (binary and XML cell-ID, JSON Wi-Fi) as origin server\n"
    "and as HTTP proxy, from CSV data and, for what the data do not know, from a living geolocation\n"
    "service; serves the web map page at / on any host name. The first line on standard output is the port.\n"
    "\n"
    "  --port N            port to listen on; 0 (the default) picks a free one\n"
    "  --bind ADDRESS      IPv4 address to listen on (default 127.0.0.1)\n"
    "  --cells FILE        cells in the public cell-export columns (default data/cells.csv)\n"
    "  --wifi FILE         access points: mac,lat,lon,accuracy (default data/wifi.csv)\n"
    "  --log FILE          append every location request received, byte for byte\n"
    "  --fault RULE        a fault rule in force from the start; repeatable\n"
    "\n"
    "Gateway to a living service (POST /v1/geolocate, with \"considerIp\": false):\n"
    "  --upstream URL      http[s]://host[:port][/path] of the service (path default /v1/geolocate)\n"
    "  --key KEY           the key the service issued, sent as ?key=KEY\n"
    "  --user-agent TEXT   the User-Agent sent (default names Kelvane and its version); services ask\n"
    "                      for one that identifies you\n"
    "  --ca-file FILE      trust these certificates for HTTPS instead of the system's\n"
    "  --timeout MS        upstream connect and read time-out (default 3000)\n"
    "  --sources WHICH     local, upstream or both (data first; the default with --upstream)\n"
    "  --cache-seconds N   keep upstream answers, \"not found\" included, N seconds (default 3600)\n"
    "  --rate N            at most N upstream requests a second (default 5)\n"
    "  --daily-cap N       at most N upstream requests a day, UTC (default 1000)\n"
    "  --backoff MS        after a 5xx answer, ask nothing for MS, doubling while they go on\n"
    "                      (default 2000)\n"
    "Wi-Fi requests send only access points with a visible SSID that does not end in _nomap, and\n"
    "only when two or more remain.\n"
    "\n"
    "Web map page:\n"
    "  --tiles URL         tile URL template, {z}/{x}/{y}; \"none\" for a plain background\n"
    "                      (default https://tile.openstreetmap.org/{z}/{x}/{y}.png)\n"
    "  --leaflet DIR       Leaflet's files (default /usr/share/javascript/leaflet)\n"
    "  --web DIR           the page's own files\n"
    "\n"
    "GET /_status gives the requests' fate by protocol as JSON; /_control and /_requests serve tests.\n"
    "SIGINT and SIGTERM end the server. Bad data files are listed on standard error (exit status 2).\n";

namespace {

bool Number(const std::string& name, const std::string& value, int64_t min, int64_t max, int64_t* number,
            std::string* error) {
  if (ParseInteger(value, min, max, number)) return true;
  *error = name + " takes a number from " + std::to_string(min) + " to " + std::to_string(max);
  return false;
}

}  // namespace

bool ParseServerOptions(int argc, char** argv, ServerOptions* options, std::string* error) {
  std::string sources;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help") return false;
    if (i + 1 >= argc) {
      *error = "option " + name + " needs a value";
      return false;
    }
    const std::string value = argv[++i];
    int64_t n = 0;
    bool good = true;
    if (name == "--port") {
      good = Number(name, value, 0, 65535, &n, error);
      options->port = static_cast<int>(n);
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
    } else if (name == "--upstream") {
      std::string origin, path;
      good = SplitUpstreamUrl(value, &origin, &path, error);
      options->upstream.url = value;
    } else if (name == "--key") {
      options->upstream.key = value;
    } else if (name == "--user-agent") {
      options->upstream.user_agent = value;
    } else if (name == "--ca-file") {
      options->upstream.ca_file = value;
    } else if (name == "--timeout") {
      good = Number(name, value, 1, 600000, &n, error);
      options->upstream.timeout_ms = static_cast<int>(n);
    } else if (name == "--sources") {
      sources = value;
    } else if (name == "--cache-seconds") {
      good = Number(name, value, 0, 365 * 86400, &n, error);
      options->gateway.cache_lifetime = std::chrono::seconds(n);
    } else if (name == "--rate") {
      good = Number(name, value, 1, 1000, &n, error);
      options->gateway.limits.per_second = static_cast<int>(n);
    } else if (name == "--daily-cap") {
      good = Number(name, value, 0, 100000000, &n, error);
      options->gateway.limits.per_day = static_cast<long>(n);
    } else if (name == "--backoff") {
      good = Number(name, value, 0, 3600000, &n, error);
      options->gateway.limits.backoff = std::chrono::milliseconds(n);
    } else if (name == "--tiles") {
      options->map.tiles = value == "none" ? "" : value;
    } else if (name == "--leaflet") {
      options->map.leaflet_dir = value;
    } else if (name == "--web") {
      options->map.web_dir = value;
    } else {
      *error = "unknown option " + name;
      return false;
    }
    if (!good) return false;
  }
  if (sources.empty()) sources = options->upstream.url.empty() ? "local" : "both";
  if (sources != "local" && sources != "upstream" && sources != "both") {
    *error = "--sources takes local, upstream or both";
    return false;
  }
  if (sources != "local" && options->upstream.url.empty()) {
    *error = "--sources " + sources + " needs --upstream URL";
    return false;
  }
  options->local = sources != "upstream";
  if (sources == "local") options->upstream.url.clear();
  return true;
}

}  // namespace locserver
