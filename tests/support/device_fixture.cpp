#include "support/device_fixture.h"

#include "internal/device_clock.h"
#include "internal/device_root.h"

#include <json/writer.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kelvane::testing {
namespace {

// Each test process gets its own device root before any static object of
// the program is constructed (they may read the registry or the settings),
// and it is removed after the last of them is destroyed.
class ProcessDevice {
 public:
  ProcessDevice() {
    char pattern[] = "/tmp/kelvane-device-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    root_ = pattern;
    UseDeviceRoot(root_);
  }
  ~ProcessDevice() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
};

__attribute__((init_priority(101))) ProcessDevice g_process_device;

}  // namespace

void DeviceTest::SetUp() {
  root_ = g_process_device.root();
  for (const char* folder : {"windows", "Program Files/Kelvane", "dev"})
    std::filesystem::create_directories(root_ / folder);
  UseDeviceRoot(root_);
  WriteProfile(Json::Value(Json::objectValue));
}

void DeviceTest::TearDown() {}

void DeviceTest::WriteProfile(const Json::Value& profile) {
  std::ofstream(root_ / "device.json") << Json::writeString(Json::StreamWriterBuilder(), profile);
  ReloadProfile();
  ReloadDeviceClock();
}

std::string DeviceTest::ReadHostFile(const std::filesystem::path& relative) const {
  std::ifstream in(root_ / relative, std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace kelvane::testing
