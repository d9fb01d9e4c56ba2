// Reading a modem's answers to the registration (+CREG), signal (+CSQ) and
// operator (+COPS) queries. The answer is whatever the modem sent, echo and
// result codes included, and may hold any bytes: each reader takes only a
// well-formed figure and otherwise leaves its outputs as they were.
#ifndef KELVANE_CELL_AT_REPLY_H
#define KELVANE_CELL_AT_REPLY_H

#include <stdint.h>

#include <string>

// +CREG: 2,1,"1A2B","0000C3D4": the quoted hexadecimal area code and cell id
// (the second and fourth pieces between double quotes). A figure that does not
// fit the field (over 0x7FFFFFFF) is no figure.
void ReadRegistration(const std::string& reply, int32_t* area, int32_t* cell_id);

// +CSQ: 17,99: the received-signal figure (second piece between colons, commas
// and blanks). False, with the signal untouched, when there is none.
bool ReadSignal(const std::string& reply, int32_t* signal);

// +COPS: (2,"long","short","25001"),...: the first listed operator's numeric
// code, three digits of country code and up to seven of network code. False
// when the fourth comma-separated piece has nothing before or between its
// quotes; true (codes untouched) when the answer has no fourth piece or its
// code is not made of digits.
bool ReadOperator(const std::string& reply, int32_t* country, int32_t* network);

#endif
