// A bridge's pseudo-terminal: published as the link ROOT/dev/NAME, read and
// written by host programs as a serial device. What the host writes goes to
// the port (waiting at most a moment for room, then dropped).
//
// The pseudo-terminal keeps unread bytes for a reader that opens it later,
// so the outlet bounds them: when its reader has not emptied them for a
// while, or they would pass a few kilobytes, they are flushed before the next
// line. A reader that opens the link late thus gets only recent, whole lines.
// The outlet keeps the slave side open itself, so host programs can close
// and reopen it.
#ifndef KELVANE_PLATFORM_DEVMGR_PTY_OUTLET_H
#define KELVANE_PLATFORM_DEVMGR_PTY_OUTLET_H

#include "devmgr/bridge_outlet.h"
#include "internal/kernel_object.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <thread>

namespace kelvane {

class PtyOutlet : public BridgeOutlet {
 public:
  // Null (reported on standard error) when the pseudo-terminal or its link
  // cannot be made. `port` is the bridge's handle of the port.
  static std::unique_ptr<PtyOutlet> Start(const std::wstring& name, KernelObjectPtr port);
  // The port's handle must have been closed first (that ends a write
  // blocked in it).
  ~PtyOutlet() override;
  void Deliver(const std::string& line) override;

 private:
  PtyOutlet() = default;
  void HostToDevice();

  KernelObjectPtr port_;
  int master_ = -1, slave_ = -1;
  int stop_[2] = {-1, -1};  // a pipe: written to end the host-side thread
  std::filesystem::path link_;
  std::thread to_device_;
  uint64_t unread_since_ = 0;  // device ms; when unread bytes were last seen gone
};

}  // namespace kelvane

#endif
