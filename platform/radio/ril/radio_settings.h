// How the simulated radio behaves, from the profile's "ril" object:
//
//   "answerDelay": 200           device ms before a cell-tower answer; a list
//                                ([400, 50]) is used in turn, one value per
//                                RIL_GetCellTowerInfo command of the process
//   "devSpecificDelay": 50       device ms before a RIL_DevSpecific answer
//   "deinitializeDelay": 0       device ms RIL_Deinitialize takes before it
//                                stops the handle; answers due meanwhile are
//                                still given
//   "refuseInitialize": false    RIL_Initialize always refused
//   "refuseInitializeFor": 0     ... refused for this many device ms after boot
//   "initializeError": "0x80070005"  what a refused RIL_Initialize returns
//   "cellTowerInfoError": none   RIL_GetCellTowerInfo returns this failure
//   "answerError": none          cell-tower answers are RIL_RESULT_ERROR with this code
//
// HRESULTs are numbers or "0x..." text; the three errors must be failures.
#ifndef KELVANE_RIL_RADIO_SETTINGS_H
#define KELVANE_RIL_RADIO_SETTINGS_H

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kelvane {

struct RadioSettings {
  std::vector<DWORD> answer_delays{200};
  DWORD dev_specific_delay = 50;
  DWORD deinitialize_delay = 0;
  bool refuse_initialize = false;
  uint64_t refuse_initialize_for = 0;
  HRESULT initialize_error = E_ACCESSDENIED;
  HRESULT cell_tower_info_error = S_OK;  // S_OK: commands are accepted
  HRESULT answer_error = S_OK;           // S_OK: answers carry the serving cell

  // Whether RIL_Initialize is refused `ms` after boot.
  bool RefusesInitializeAt(uint64_t ms) const { return refuse_initialize || ms < refuse_initialize_for; }
  // The delay of the n-th cell-tower command of the process.
  DWORD AnswerDelay(uint64_t n) const { return answer_delays[n % answer_delays.size()]; }
};

// Reads the current profile; problems are reported on standard error and the
// defaults kept.
RadioSettings ReadRadioSettings();

}  // namespace kelvane

#endif
