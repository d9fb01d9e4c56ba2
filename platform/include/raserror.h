// Remote access (dial-up) error codes, returned by the Ras* functions.
#ifndef KELVANE_RASERROR_H
#define KELVANE_RASERROR_H

#define RASBASE 600
#define ERROR_BUFFER_TOO_SMALL (RASBASE + 3)
#define ERROR_INVALID_SIZE (RASBASE + 32)

#endif
