// The device manager's names: every device name ("COM5:", "VSP2:") that
// CreateFileW can open belongs to one NamedDevice, either a stream driver's
// instance activated by ActivateDevice or a port the profile builds in.
//
// Names compare without regard to case. Thread-safe.
#ifndef KELVANE_PLATFORM_DEVMGR_NAMED_DEVICE_H
#define KELVANE_PLATFORM_DEVMGR_NAMED_DEVICE_H

#include "internal/kernel_object.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kelvane {

class NamedDevice {
 public:
  virtual ~NamedDevice() = default;
  // The object of a new handle on the device, or null with the last error set.
  virtual KernelObjectPtr Open(DWORD access, DWORD share) = 0;
  // Whether a program's open starts the port's bridge when the profile lists
  // it; a device that manages its own bridge says no.
  virtual bool BridgedOnOpen() const { return true; }
};
using NamedDevicePtr = std::shared_ptr<NamedDevice>;

// Claims the name; false when it is taken (built-in ports hold theirs from
// the start).
bool RegisterDeviceName(const std::wstring& name, NamedDevicePtr device);
// Frees the name if `device` holds it.
void UnregisterDeviceName(const std::wstring& name, const NamedDevice* device);
NamedDevicePtr FindDeviceName(const std::wstring& name);

// The profile's built-in ports with their names (built_in_ports.cpp); the
// table registers them before its first use.
std::vector<std::pair<std::wstring, NamedDevicePtr>> BuiltInPorts();

}  // namespace kelvane

#endif
