#include "support/program_screen.h"

#include "support/program_runner.h"
#include "support/screen_dump.h"

namespace kelvane::testing {

bool WaitForPaintedStatus(const std::filesystem::path& root, pid_t program) {
  return WaitUntil(
      [&] {
        ScreenDump dump;
        return ReadScreenDump(root, &dump) && dump.window.pid == program && dump.FindRow("port:") >= 0;
      },
      std::chrono::seconds(20));
}

}  // namespace kelvane::testing
