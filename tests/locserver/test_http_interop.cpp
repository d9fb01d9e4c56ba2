// An independent HTTP client (cpp-httplib) reads the server's answers, directly
// and through the server as its proxy.
#include "server_process.h"

#include <httplib.h>

#include <gtest/gtest.h>

namespace {

using kelvane::testing::ServerProcess;

TEST(HttpInteropTest, AStockClientReadsTheAnswersDirectAndThroughTheProxy) {
  ServerProcess server;
  httplib::Client direct("127.0.0.1", server.port());
  auto xml = direct.Get("/cellid_location/?&cellid=40031&operatorid=1&countrycode=250&lac=7712");
  ASSERT_TRUE(xml);
  EXPECT_EQ(xml->status, 200);
  EXPECT_EQ(xml->get_header_value("Content-Type"), "text/xml");
  EXPECT_NE(xml->body.find("latitude=\"55.751244\""), std::string::npos);

  httplib::Client proxied("www.google.com", 80);
  proxied.set_proxy("127.0.0.1", server.port());
  auto json = proxied.Post("/loc/json", "{\"wifi_towers\":[{\"mac_address\":\"00-1a-2b-3c-4d-03\"}]}",
                           "application/json");
  ASSERT_TRUE(json);
  EXPECT_EQ(json->status, 200);
  EXPECT_EQ(json->body,
            "{\"access_token\":\"kelvane-locserver\",\"location\":{\"latitude\":55.752100,\"longitude\":37.619200,"
            "\"accuracy\":30}}\n");
  auto missing = proxied.Get("/nowhere");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);

  auto log = direct.Get("/_requests");
  ASSERT_TRUE(log);
  EXPECT_NE(log->body.find("POST http://www.google.com:80/loc/json HTTP/1.1\r\n"), std::string::npos) << log->body;
}

}  // namespace
