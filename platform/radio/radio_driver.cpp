// The radio driver's counters, kept for the life of the process.
#include "internal/radio_driver.h"

#include <atomic>

namespace kelvane {
namespace {
std::atomic<uint32_t> g_commands{0};
std::atomic<uint64_t> g_cell_tower_commands{0};
}  // namespace

HRESULT NextRilCommandId() { return static_cast<HRESULT>(g_commands++ % 0x7FFFFFFFu + 1); }

uint64_t NextCellTowerCommand() { return g_cell_tower_commands++; }

}  // namespace kelvane
