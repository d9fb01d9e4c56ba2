// Whether the device's processor may hold the OMAP radio stack's cell table.
#ifndef KELVANE_CELL_PROCESSOR_CHECK_H
#define KELVANE_CELL_PROCESSOR_CHECK_H

// Asks the HAL for the processor and logs its name, vendor and core. False
// only when the answer names a processor without "omap" in its name (in any
// case); a HAL that does not answer leaves the processor unchecked.
bool ProcessorMayHoldRadioTable();

#endif
