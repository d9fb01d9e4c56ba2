// The built-in port kind "modem": a GSM modem on a serial line, answering AT
// commands from the scenario's serving cell of the moment, with the
// behaviours of real modems a profile may ask for (see docs/device-profile.md).
#ifndef KELVANE_PLATFORM_DEVMGR_MODEM_PORT_H
#define KELVANE_PLATFORM_DEVMGR_MODEM_PORT_H

#include "devmgr/modem_line.h"
#include "devmgr/named_device.h"

#include <json/value.h>

#include <string>

namespace kelvane {

// The behaviour a profile's port entry asks for; `path` names the entry in
// problem reports ("ports.COM3:").
ModemBehaviour ReadModemBehaviour(const Json::Value& port, const std::string& path);

NamedDevicePtr MakeModemDevice(const ModemBehaviour& behaviour);

// The device control the program sends its modem after setting the line up
// (the vendor's own; the simulated modem takes it unless told to refuse).
constexpr DWORD kModemVendorControl = 0xAAAA5679;

}  // namespace kelvane

#endif
