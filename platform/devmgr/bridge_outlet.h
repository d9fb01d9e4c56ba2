// One host side of a bridge: a pseudo-terminal or a TCP listening socket.
// The bridge reads the port's output, cuts it into whole lines (NMEA
// sentences end in "\r\n") and hands each line to every outlet of the port.
//
// Deliver is called on the bridge's reading thread only and never blocks:
// an outlet whose host reader does not keep up drops its oldest lines, so a
// reader always starts on a whole, recent line.
#ifndef KELVANE_PLATFORM_DEVMGR_BRIDGE_OUTLET_H
#define KELVANE_PLATFORM_DEVMGR_BRIDGE_OUTLET_H

#include <string>

namespace kelvane {

// The port's name for the files under ROOT/dev: "COM5" for COM5:.
std::string PortFileName(const std::wstring& port);

class BridgeOutlet {
 public:
  virtual ~BridgeOutlet() = default;
  // `line` ends with its line end (or is an overlong piece without one).
  virtual void Deliver(const std::string& line) = 0;
};

}  // namespace kelvane

#endif
