// Ports the profile builds into the device, under "ports":
//   "COM1:": {"kind": "existing"}   a port of the device's own (its name is
//                                   taken, so an activation of it fails);
//                                   opens as a line nobody listens on
//   "VSP2:": {"kind": "foreign"}    a port of another vendor's driver: opens,
//                                   takes writes, has nothing to read
//   "COM3:": {"kind": "tty", "path": "/dev/ttyUSB0"}
//                                   a host serial device (a real modem)
//   "BTC1:": {"kind": "modem", ...} a simulated GSM modem (modem_port.h)
// the GPS Intermediate Driver's port, when the profile gives the device one,
// and the NDIS user-mode I/O device UIO1:, when it has network adapters.
#include "devmgr/modem_port.h"
#include "devmgr/named_device.h"
#include "devmgr/ndis_uio.h"
#include "devmgr/serial_line.h"
#include "devmgr/tty_port.h"
#include "gpsid/gps_intermediate_driver.h"
#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/last_error.h"

#include <cstdio>
#include <thread>

namespace kelvane {
namespace {

// A line with nobody on the other end: writes go nowhere, reads find
// nothing, after the wait the read's time-outs allow.
class QuietPort : public SerialLine {
 public:
  BOOL Read(void*, DWORD count, DWORD* done) override {
    *done = 0;
    if (count == 0) return TRUE;
    ReadTimer timer(Timeouts(), count);
    if (timer.Deadline() == ReadTimer::Clock::time_point::max()) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    std::this_thread::sleep_until(timer.Deadline());
    return TRUE;
  }
  BOOL Write(const void*, DWORD count, DWORD* done) override {
    *done = count;
    return TRUE;
  }
};

class QuietDevice : public NamedDevice {
 public:
  KernelObjectPtr Open(DWORD, DWORD) override { return std::make_shared<QuietPort>(); }
};

}  // namespace

std::vector<std::pair<std::wstring, NamedDevicePtr>> BuiltInPorts() {
  std::vector<std::pair<std::wstring, NamedDevicePtr>> ports;
  // The GPS Intermediate Driver's port comes first: its name is the device's own.
  if (auto gps = StartGpsIntermediateDriver(); gps.second) ports.push_back(std::move(gps));
  if (NamedDevicePtr uio = NdisUioDevice()) ports.emplace_back(L"UIO1:", std::move(uio));
  const Json::Value& list = ProfileSection("ports");
  for (const std::string& name : list.getMemberNames()) {
    const Json::Value& port = MemberOf(list, name);
    const std::string kind = ReadText(MemberOf(port, "kind"), "ports." + name + ".kind", "");
    const std::string path = ReadText(MemberOf(port, "path"), "ports." + name + ".path", "");
    if (name.size() < 2 || name.back() != ':') {
      std::fprintf(stderr, "device: port \"%s\" is not a device name (NAMEn:)\n", name.c_str());
    } else if (kind == "existing" || kind == "foreign") {
      ports.emplace_back(Widen(name), std::make_shared<QuietDevice>());
    } else if (kind == "tty" && !path.empty()) {
      ports.emplace_back(Widen(name), MakeTtyDevice(path));
    } else if (kind == "modem") {
      ports.emplace_back(Widen(name), MakeModemDevice(ReadModemBehaviour(port, "ports." + name)));
    } else {
      std::fprintf(stderr, "device: port %s has no usable kind (existing, foreign, modem or tty with a path)\n",
                   name.c_str());
    }
  }
  return ports;
}

}  // namespace kelvane
