// The whole chain on one fresh device root, as a user runs it: the location
// server on loopback, Quorvane, and one gpsd per port reading the program's
// bridged port (COM5) or the GPS Intermediate Driver's (GPD0) from the moment
// its host link appears, as a navigation program uses one receiver.
//
// Not thread-safe; one chain per device root. Everything started is stopped
// and the root removed when the object goes.
#ifndef KELVANE_BENCH_DEVICE_CHAIN_H
#define KELVANE_BENCH_DEVICE_CHAIN_H

#include <json/value.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/gpsd_watch.h"
#include "support/host_process.h"
#include "support/program_runner.h"

namespace kelvane::bench {

// The ports gpsd reads, by their device names.
enum ChainPort { kProgramPort, kDriverPort };  // COM5, GPD0
const char* PortName(ChainPort port);

// Seconds from the program's start to each milestone of its first position
// on one port.
struct PortFix {
  std::optional<double> gpsd_ready;  // gpsd has opened the port and watches for us
  std::optional<double> fix;         // gpsd's first TPV with mode >= 2 from it
};
struct FirstFix {
  std::optional<double> position_known;  // the GPS Intermediate Driver's file first holds sentences
  PortFix ports[2];                      // by ChainPort
  std::string failure;                   // why a fix is missing
};

class DeviceChain {
 public:
  // A new device root with this profile, the program's settings pointing at
  // the server and at COM5, and `tower_cache` (when given) as its cells.dat.
  explicit DeviceChain(const Json::Value& profile, const std::filesystem::path& tower_cache = {});
  ~DeviceChain();
  DeviceChain(const DeviceChain&) = delete;
  DeviceChain& operator=(const DeviceChain&) = delete;

  // Whether the server runs; if not, `why` says what failed.
  bool Ready(std::string* why) const;
  // Starts Quorvane, then gpsd on each port once the ports appear, and
  // waits (at most `limit`) until gpsd reports a fix from both.
  FirstFix StartProgram(std::chrono::seconds limit);
  // Keeps reading gpsd's reports for `duration`: how many fixes (TPV with
  // mode >= 2) they made from both ports, and at how many distinct places.
  struct Fixes {
    int reports = 0;
    int places = 0;
  };
  Fixes WatchFixes(std::chrono::seconds duration);
  // Stops gpsd, then ends the program as the shell does; the program's exit
  // code (-1: killed or hung).
  int StopProgram();

  pid_t program_pid() const { return program_ ? program_->pid() : -1; }
  pid_t gpsd_pid(ChainPort port) const;
  std::filesystem::path tower_cache() const { return root_ / "Program Files/Kelvane/cells.dat"; }
  std::string ProgramOutput() const { return program_ ? program_->Output() : ""; }

 private:
  struct Reader {
    std::unique_ptr<testing::HostProcess> gpsd;
    std::unique_ptr<testing::GpsdWatch> watch;
  };

  std::filesystem::path root_;
  std::unique_ptr<testing::HostProcess> server_;
  std::unique_ptr<testing::ProgramRun> program_;
  std::vector<Reader> readers_;  // by ChainPort, once started
  std::string why_not_ready_;
};

// data/default-device.json: the default device, whose scenario loops over
// four cells.
Json::Value DefaultDeviceProfile();

}  // namespace kelvane::bench

#endif
