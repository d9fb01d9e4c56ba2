// A running kelvane-locserver whose upstream is a fake on loopback: data
// files of the test's (empty unless given), and the status read as JSON.
#ifndef KELVANE_TESTS_GATEWAY_GATEWAY_FIXTURE_H
#define KELVANE_TESTS_GATEWAY_GATEWAY_FIXTURE_H

#include "server_process.h"
#include "support/fake_upstream.h"

#include <gtest/gtest.h>
#include <json/value.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kelvane::testing {

class GatewayTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the server with these options and data rows (after the files'
  // headers), on the fake upstream unless another URL is given.
  void StartServer(const std::vector<std::string>& options, const std::string& cell_rows = "",
                   const std::string& access_point_rows = "", const std::string& upstream_url = "");
  Json::Value Status();

  std::filesystem::path folder_;
  std::unique_ptr<FakeUpstream> upstream_;
  std::unique_ptr<ServerProcess> server_;
};

}  // namespace kelvane::testing

#endif
