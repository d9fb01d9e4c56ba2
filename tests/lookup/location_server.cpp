#include "location_server.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kelvane::testing {

LocationServer::LocationServer(const std::filesystem::path& folder, const std::string& cells_csv,
                               const std::vector<std::string>& faults) {
  const std::filesystem::path cells = folder / "locserver-cells.csv";
  log_path_ = folder / "locserver-requests.log";
  std::filesystem::remove(log_path_);
  std::ofstream(cells) << "radio,mcc,net,area,cell,unit,lon,lat,range,samples,changeable,created,updated,averageSignal\n"
                       << cells_csv;
  std::vector<std::string> args = {KELVANE_LOCSERVER, "--cells", cells.string(), "--log", log_path_.string()};
  for (const std::string& fault : faults) {
    args.push_back("--fault");
    args.push_back(fault);
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    throw std::runtime_error("cannot start " + args[0]);
  }
  // The first line on its standard output is the port.
  std::string line;
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  port_ = static_cast<uint16_t>(std::stoi(line.empty() ? "0" : line));
  if (port_ == 0) throw std::runtime_error("the location server did not start");
}

LocationServer::~LocationServer() {
  kill(pid_, SIGTERM);
  int status;
  waitpid(pid_, &status, 0);
}

std::vector<std::string> LocationServer::RequestLines() const {
  // Entries: "--- request N: B bytes[, NOTE]\n" then B bytes and a line feed.
  std::ifstream in(log_path_, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string log = text.str();
  std::vector<std::string> lines;
  for (size_t at = 0; (at = log.find("--- request ", at)) != std::string::npos;) {
    const size_t bytes_at = log.find('\n', at) + 1;
    const size_t size = std::stoul(log.substr(log.find(": ", at) + 2));
    lines.push_back(log.substr(bytes_at, log.find("\r\n", bytes_at) - bytes_at));
    at = bytes_at + size;
  }
  return lines;
}

}  // namespace kelvane::testing
