// The home country and network codes read from the SIM's subscriber
// identity (IMSI).
#ifndef KELVANE_CELL_HOME_CODES_H
#define KELVANE_CELL_HOME_CODES_H

#include <stdint.h>

// Countries whose network codes have three digits.
bool HasThreeDigitNetworkCodes(int32_t country);

// 1 with both codes stored when the SIM could be read, 0 with the
// destinations untouched otherwise.
int ReadHomeCodes(int32_t* country, int32_t* network);

#endif
