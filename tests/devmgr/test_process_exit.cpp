// A device process that ends with its port still open: the device manager
// tells the driver, and every call the process had blocked in the port ends
// instead of holding the process's threads forever.
#include "devmgr/port_fixture.h"
#include "support/host_process.h"

#include <cstdlib>
#include <map>
#include <string>

namespace {

using kelvane::testing::HostProcess;
using kelvane::testing::PortTest;

class ProcessExitTest : public PortTest {};

TEST_F(ProcessExitTest, CallsBlockedInAPortEndWhenTheProcessEndsWithoutClosingIt) {
  const std::wstring key = WritePortKey(7);
  ASSERT_FALSE(key.empty());
  setenv("KELVANE_DEVICE_ROOT", root().c_str(), 1);
  HostProcess helper({PORT_EXIT_HELPER, std::string(key.begin(), key.end()), "COM7:"});
  ASSERT_TRUE(helper.running());
  std::map<std::string, std::string> ended;
  std::string line;
  while (ended.size() < 3 && helper.ReadLine(&line, 30000)) {
    const size_t space = line.find(' ');
    ended[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
  }
  // A read ended by the notice fails with no error; a write keeps the bytes
  // that fitted (the default 1024 of a paired port); WaitCommEvent fails
  // with no error, as when SetCommMask ends it.
  EXPECT_EQ(ended["read"], "FALSE 0");
  EXPECT_EQ(ended["write"], "TRUE 1024");
  EXPECT_EQ(ended["wait"], "FALSE 0");
}

}  // namespace
