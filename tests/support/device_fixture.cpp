#include "support/device_fixture.h"

#include "internal/device_clock.h"
#include "internal/device_root.h"

#include <json/writer.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kelvane::testing {

void DeviceTest::SetUp() {
  char pattern[] = "/tmp/kelvane-device-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  root_ = pattern;
  for (const char* folder : {"windows", "Program Files/Kelvane", "dev"})
    std::filesystem::create_directories(root_ / folder);
  UseDeviceRoot(root_);
  WriteProfile(Json::Value(Json::objectValue));
}

void DeviceTest::TearDown() {
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

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
