// The web map page: served on any host name with Leaflet from the system,
// the nearby data it draws, and the page itself in a headless browser with
// the tile server out of reach.
#include "program_requests.h"
#include "server_process.h"
#include "support/host_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstdio>

namespace kelvane::testing {
namespace {

// Three cells and two access points around the position, one of each far away.
const char kCells[] =
    "radio,mcc,net,area,cell,unit,lon,lat,range,samples,changeable,created,updated,averageSignal\n"
    "GSM,250,1,7712,40031,-1,37.618423,55.751244,550,10,1,1,1,-70\n"
    "GSM,250,1,7712,40032,-1,37.615000,55.757000,800,10,1,1,1,-70\n"
    "UMTS,250,2,7713,70001,-1,37.630000,55.745000,1500,10,1,1,1,-70\n"
    "GSM,262,2,345,4660,-1,13.404954,52.520008,1000,10,1,1,1,-70\n";
const char kAccessPoints[] =
    "mac,lat,lon,accuracy\n"
    "00:1a:2b:3c:4d:01,55.7513,37.6185,35\n"
    "00:1a:2b:3c:4d:02,55.7520,37.6170,50\n"
    "00:1a:2b:3c:4d:03,52.5200,13.4050,40\n";

class MapPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("kelvane-map-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    std::ofstream(folder_ / "cells.csv") << kCells;
    std::ofstream(folder_ / "wifi.csv") << kAccessPoints;
    // Tiles from a loopback port nothing listens on: the page is offline.
    server_ = std::make_unique<ServerProcess>(std::vector<std::string>{
        "--cells", (folder_ / "cells.csv").string(), "--wifi", (folder_ / "wifi.csv").string(), "--tiles",
        "http://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/{z}/{x}/{y}.png"});
  }
  void TearDown() override {
    server_.reset();
    std::filesystem::remove_all(folder_);
  }

  std::string Get(const std::string& target) {
    return Exchange(server_->port(), "GET " + target + " HTTP/1.1\r\nHost: maps.example\r\n\r\n");
  }

  // Runs headless Chromium on the page; what it printed (the DOM with
  // --dump-dom) once it ends.
  std::string Browse(const std::string& fragment, const std::string& action) {
    HostProcess browser({"chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update", "--disable-sync",
                         "--log-level=3", "--user-data-dir=" + (folder_ / "browser").string(),
                         "--window-size=800,600", "--virtual-time-budget=5000", action,
                         "http://127.0.0.1:" + std::to_string(server_->port()) + "/" + fragment});
    EXPECT_TRUE(browser.running());
    std::string printed, line;
    while (browser.ReadLine(&line, 60000)) printed += line + "\n";
    browser.Stop();
    return printed;
  }

  std::filesystem::path folder_;
  std::unique_ptr<ServerProcess> server_;
};

int Count(const std::string& text, const std::string& needle) {
  int count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
  return count;
}

// The opening tag of the first element whose tag holds `needle`.
std::string TagWith(const std::string& dom, const std::string& needle) {
  const size_t at = dom.find(needle);
  if (at == std::string::npos) return "";
  const size_t start = dom.rfind('<', at), end = dom.find('>', at);
  return start == std::string::npos || end == std::string::npos ? "" : dom.substr(start, end - start + 1);
}

TEST_F(MapPageTest, ThePageAndLeafletAreServedOnAnyHostName) {
  for (const std::string request : {"GET / HTTP/1.1\r\nHost: maps.example\r\n\r\n",
                                    "GET http://wikimapia.org/ HTTP/1.1\r\nHost: wikimapia.org\r\n\r\n"}) {
    const std::string page = Exchange(server_->port(), request);
    EXPECT_EQ(page.rfind("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n", 0), 0u) << page;
    EXPECT_NE(page.find("<script src=\"/leaflet/leaflet.js\"></script>"), std::string::npos);
    EXPECT_NE(page.find("data-tiles=\"http://127.0.0.1:"), std::string::npos);
  }
  const std::string leaflet = Get("/leaflet/leaflet.js");
  EXPECT_EQ(leaflet.rfind("HTTP/1.1 200 OK\r\nContent-Type: application/javascript\r\n", 0), 0u);
  EXPECT_NE(leaflet.find("L.Map"), std::string::npos);
  EXPECT_EQ(Get("/leaflet/images/marker-icon.png").rfind("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n", 0), 0u);
  for (const char* outside : {"/leaflet/../leaflet/leaflet.js", "/leaflet/images/../../../etc/passwd", "/leaflet/.x"})
    EXPECT_EQ(Get(outside).rfind("HTTP/1.1 404 ", 0), 0u) << outside;
  EXPECT_EQ(Exchange(server_->port(), "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n").rfind("HTTP/1.1 405 ", 0),
            0u);
}

TEST_F(MapPageTest, NearbyDataAreTheCloseTransmittersNearestFirst) {
  EXPECT_EQ(BodyOf(Get("/_nearby?lat=55.751244&lon=37.618423&radius=3000")),
            "{\"cells\":[{\"mcc\":250,\"net\":1,\"area\":7712,\"cell\":40031,\"lat\":55.751244,\"lon\":37.618423,"
            "\"range\":550},{\"mcc\":250,\"net\":1,\"area\":7712,\"cell\":40032,\"lat\":55.757000,\"lon\":37.615000,"
            "\"range\":800},{\"mcc\":250,\"net\":2,\"area\":7713,\"cell\":70001,\"lat\":55.745000,\"lon\":37.630000,"
            "\"range\":1500}],\"access_points\":[{\"mac\":\"00:1a:2b:3c:4d:01\",\"lat\":55.751300,\"lon\":37.618500,"
            "\"accuracy\":35.000000},{\"mac\":\"00:1a:2b:3c:4d:02\",\"lat\":55.752000,\"lon\":37.617000,"
            "\"accuracy\":50.000000}]}\n");
  // A cell counts when its range reaches the circle asked about.
  const std::string reached = BodyOf(Get("/_nearby?lat=55.745&lon=37.61&radius=100"));
  EXPECT_NE(reached.find("\"cell\":70001"), std::string::npos) << reached;
  EXPECT_EQ(reached.find("\"cell\":40031"), std::string::npos) << reached;
  EXPECT_EQ(BodyOf(Get("/_nearby?lat=55.751244&lon=37.5&radius=100")), "{\"cells\":[],\"access_points\":[]}\n");
  for (const char* bad : {"/_nearby?lat=95&lon=0&radius=1", "/_nearby?lat=1&lon=2", "/_nearby?lat=x&lon=2&radius=3"})
    EXPECT_EQ(Get(bad).rfind("HTTP/1.1 400 ", 0), 0u) << bad;
}

TEST_F(MapPageTest, OfflineTheBrowserShowsThePositionTheNearbyTransmittersAndAScale) {
  const std::string dom = Browse("#lat=55.751244&lon=37.618423&z=13", "--dump-dom");
  ASSERT_NE(dom.find("data-state=\"ready\""), std::string::npos) << dom.substr(0, 2000);
  EXPECT_NE(dom.find("data-lat=\"55.751244\" data-lon=\"37.618423\" data-zoom=\"13\""), std::string::npos);
  EXPECT_NE(dom.find("Position: 55.751244, 37.618423 (zoom 13)"), std::string::npos);
  EXPECT_NE(dom.find("Nearby: 3 cells, 2 access points"), std::string::npos);

  // The marker stands at the centre of the 800-pixel-wide map.
  const std::string marker = TagWith(dom, "title=\"Position\"");
  ASSERT_NE(marker.find("leaflet-marker-icon"), std::string::npos) << dom.substr(0, 4000);
  const size_t transform = marker.find("translate3d(");
  ASSERT_NE(transform, std::string::npos) << marker;
  double x = -1, y = -1;
  ASSERT_EQ(std::sscanf(marker.c_str() + transform, "translate3d(%lfpx, %lfpx", &x, &y), 2) << marker;
  EXPECT_EQ(x, 400);
  EXPECT_GT(y, 100);
  EXPECT_EQ(Count(dom, "leaflet-marker-icon"), 1);
  EXPECT_EQ(Count(dom, "class=\"cell-range "), 3);
  EXPECT_EQ(Count(dom, "class=\"ap-range "), 2);
  const size_t scale = dom.find("leaflet-control-scale-line");
  ASSERT_NE(scale, std::string::npos);
  const size_t text = dom.find('>', scale) + 1;
  const std::string shown = dom.substr(text, dom.find('<', text) - text);
  int metres = 0;
  char unit[4] = {};
  EXPECT_EQ(std::sscanf(shown.c_str(), "%d %3s", &metres, unit), 2) << shown;
  EXPECT_GT(metres, 0) << shown;
  EXPECT_TRUE(std::string(unit) == "m" || std::string(unit) == "km") << shown;
}

TEST_F(MapPageTest, AFragmentOffTheGlobeOpensAtZeroAsTheProgramDoesWithoutAPosition) {
  const std::string dom = Browse("#lat=123&lon=abc&z=99", "--dump-dom");
  ASSERT_NE(dom.find("data-state=\"ready\""), std::string::npos) << dom.substr(0, 2000);
  EXPECT_NE(dom.find("data-lat=\"0\" data-lon=\"0\" data-zoom=\"13\""), std::string::npos);
  EXPECT_NE(dom.find("Nearby: 0 cells, 0 access points"), std::string::npos);
  EXPECT_EQ(Count(dom, "class=\"cell-range "), 0);
}

}  // namespace
}  // namespace kelvane::testing
