#include "output/output_thread.h"

#include "core/flags.h"
#include "core/process_state.h"

// Until the virtual port and the driver output exist this thread only waits
// for the stop request; the port set-up, the worker start and the output
// loop will replace this body.
DWORD WINAPI OutputThread(LPVOID) {
  while (!TestFlag(StopRequest)) WaitForSingleObject(WakeEvent, INFINITE);
  return 0;
}
