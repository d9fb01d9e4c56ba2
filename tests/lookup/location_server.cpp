#include "location_server.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kelvane::testing {

LocationServer::LocationServer(const std::filesystem::path& folder, const std::string& cells_csv,
                               const std::vector<std::string>& faults) {
  const std::filesystem::path cells = folder / "locserver-cells.csv";
  log_path_ = folder / "locserver-requests.log";
  std::filesystem::remove(log_path_);
  std::ofstream(cells) << "radio,mcc,net,area,cell,unit,lon,lat,range,samples,changeable,created,updated,averageSignal\n"
                       << cells_csv;
  std::vector<std::string> argv = {KELVANE_LOCSERVER, "--cells", cells.string(), "--log", log_path_.string()};
  for (const std::string& fault : faults) {
    argv.push_back("--fault");
    argv.push_back(fault);
  }
  process_ = std::make_unique<HostProcess>(argv);
  // The first line on its standard output is the port.
  std::string line;
  if (!process_->ReadLine(&line, 10000)) throw std::runtime_error("the location server did not start");
  port_ = static_cast<uint16_t>(std::stoi(line));
}

LocationServer::~LocationServer() = default;

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
