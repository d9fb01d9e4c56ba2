// An emulated device for the test: the test process's own temporary root
// (ctest runs each test in a process of its own), with the given profile.
#ifndef KELVANE_TESTS_DEVICE_FIXTURE_H
#define KELVANE_TESTS_DEVICE_FIXTURE_H

#include <gtest/gtest.h>
#include <json/value.h>

#include <filesystem>
#include <string>

namespace kelvane::testing {

class DeviceTest : public ::testing::Test {
 protected:
  // Makes the root with this profile; tests that need another profile call
  // WriteProfile before their first device call.
  void SetUp() override;
  void TearDown() override;

  void WriteProfile(const Json::Value& profile);
  std::filesystem::path root() const { return root_; }
  // Contents of a host file under the root ("" when missing).
  std::string ReadHostFile(const std::filesystem::path& relative) const;

 private:
  std::filesystem::path root_;
};

}  // namespace kelvane::testing

#endif
