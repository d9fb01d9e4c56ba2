#include "gateway_fixture.h"

#include <json/reader.h>

#include <fstream>
#include <sstream>

namespace kelvane::testing {

void GatewayTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = std::filesystem::temp_directory_path() /
            ("kelvane-gateway-" + std::to_string(getpid()) + "-" + info->name());
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  upstream_ = std::make_unique<FakeUpstream>();
}

void GatewayTest::TearDown() {
  server_.reset();
  upstream_.reset();
  std::filesystem::remove_all(folder_);
}

void GatewayTest::StartServer(const std::vector<std::string>& options, const std::string& cell_rows,
                              const std::string& access_point_rows, const std::string& upstream_url) {
  std::vector<std::string> arguments = {"--upstream", upstream_url.empty() ? upstream_->url() : upstream_url};
  arguments.insert(arguments.end(), options.begin(), options.end());
  std::ofstream(folder_ / "cells.csv")
      << "radio,mcc,net,area,cell,unit,lon,lat,range,samples,changeable,created,updated,averageSignal\n"
      << cell_rows;
  std::ofstream(folder_ / "wifi.csv") << "mac,lat,lon,accuracy\n" << access_point_rows;
  arguments.insert(arguments.end(), {"--cells", (folder_ / "cells.csv").string(), "--wifi",
                                     (folder_ / "wifi.csv").string()});
  server_ = std::make_unique<ServerProcess>(arguments);
}

Json::Value GatewayTest::Status() {
  const std::string body = BodyOf(Exchange(server_->port(), "GET /_status HTTP/1.1\r\nHost: gateway\r\n\r\n"));
  Json::Value status;
  std::istringstream in(body);
  std::string errors;
  EXPECT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &status, &errors)) << body;
  return status;
}

}  // namespace kelvane::testing
