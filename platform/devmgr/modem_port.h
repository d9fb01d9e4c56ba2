// The built-in port kind "modem": a GSM modem on a serial line, answering AT
// commands from the scenario's serving cell of the moment, with the
// behaviours of real modems a profile may ask for (see docs/device-profile.md).
#ifndef KELVANE_PLATFORM_DEVMGR_MODEM_PORT_H
#define KELVANE_PLATFORM_DEVMGR_MODEM_PORT_H

#include "devmgr/at_modem.h"
#include "devmgr/named_device.h"

#include <json/value.h>

#include <string>

namespace kelvane {

struct ModemBehaviour {
  bool echo = true;
  CellIdForm cell_id_form = CellIdForm::kLong;
  DWORD reply_delay = 100;           // device ms from a command's carriage return to its answer
  DWORD operator_list_delay = 3000;  // the same for the operator list (AT+COPS=?)
  DWORD reply_pieces = 1;            // an answer's first pieces - 1 bytes come one at a time
  DWORD piece_gap = 0;               // this many device ms apart, before the rest
  DWORD write_delay = 0;             // device ms the line takes to accept one byte
  bool block_writes = false;         // the line never accepts a byte
  bool silent = false;               // takes commands and sends nothing, not even the echo
  bool garbage = false;              // answers with broken values
  bool endless = false;              // the first answer never ends
  bool refuse_device_control = false;
};

// The behaviour a profile's port entry asks for; `path` names the entry in
// problem reports ("ports.COM3:").
ModemBehaviour ReadModemBehaviour(const Json::Value& port, const std::string& path);

NamedDevicePtr MakeModemDevice(const ModemBehaviour& behaviour);

// The device control the program sends its modem after setting the line up
// (vendor-specific; the simulated modem takes it unless told to refuse).
constexpr DWORD kModemVendorControl = 0xAAAA5679;

}  // namespace kelvane

#endif
