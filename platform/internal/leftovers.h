// What a killed process leaves under the device root, removed by the next
// process that makes the same kind of thing. Both are safe while other
// processes of the device run: only what no running process can own goes.
#ifndef KELVANE_PLATFORM_LEFTOVERS_H
#define KELVANE_PLATFORM_LEFTOVERS_H

#include <string>

namespace kelvane {

// ROOT/display/PID.port FIFOs of processes that no longer run.
void RemoveDeadProcessPorts();
// What bridges of processes that no longer run left under ROOT/dev: the
// link NAME, the address file NAME.tcp and the owner file .NAME.owner (the
// bridging process's id, written by MarkPortOwner). A link whose terminal is
// gone goes too, whoever made it.
void RemoveOrphanedPortFiles();
// Records this process as the owner of the port's files under ROOT/dev, or
// (owned false) removes the record.
void MarkPortOwner(const std::string& port, bool owned);

}  // namespace kelvane

#endif
