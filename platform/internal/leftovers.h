// What a killed process leaves under the device root, removed by the next
// process that makes the same kind of thing. Both are safe while other
// processes of the device run: only what no running process can own goes.
#ifndef KELVANE_PLATFORM_LEFTOVERS_H
#define KELVANE_PLATFORM_LEFTOVERS_H

namespace kelvane {

// ROOT/display/PID.port FIFOs of processes that no longer run.
void RemoveDeadProcessPorts();
// Links under ROOT/dev to pseudo-terminals that no longer exist, with the
// ".tcp" address files of the same ports.
void RemoveDanglingPortLinks();

}  // namespace kelvane

#endif
