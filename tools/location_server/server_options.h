// The command line of kelvane-locserver (the usage text lists every option).
#ifndef KELVANE_LOCSERVER_SERVER_OPTIONS_H
#define KELVANE_LOCSERVER_SERVER_OPTIONS_H

#include "gateway.h"
#include "http_upstream.h"
#include "map_page.h"

#include <string>
#include <vector>

namespace locserver {

struct ServerOptions {
  int port = 0;
  std::string bind = "127.0.0.1";
  std::string cells, wifi;  // data files
  std::string log;
  std::vector<std::string> faults;
  bool local = true;  // answer from the data files first
  UpstreamConfig upstream;  // url empty: no upstream
  GatewayOptions gateway;
  MapPageConfig map;
};

extern const char kServerUsage[];

// Fills *options from argv over the defaults given in it. False with *error
// empty for --help, or with *error saying what is wrong.
bool ParseServerOptions(int argc, char** argv, ServerOptions* options, std::string* error);

}  // namespace locserver

#endif
