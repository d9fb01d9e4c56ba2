// The server's data files: the shipped ones, and bad lines reported by file
// and line without losing the good ones' meaning.
#include "access_point_table.h"
#include "cell_table.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using locserver::AccessPointTable;
using locserver::CellKey;
using locserver::CellTable;

std::vector<std::string> CellErrors(const std::string& text) {
  CellTable table;
  std::istringstream in(text);
  std::vector<std::string> errors;
  const bool loaded = table.Load(in, "cells.csv", &errors);
  EXPECT_EQ(loaded, errors.empty());
  return errors;
}

TEST(LocationDataTest, ShippedFilesHoldTheDefaultScenarioAndNotItsUnknownCell) {
  CellTable cells;
  AccessPointTable access_points;
  std::vector<std::string> errors;
  ASSERT_TRUE(cells.LoadFile(KELVANE_SOURCE_DIR "/data/cells.csv", &errors)) << errors[0];
  ASSERT_TRUE(access_points.LoadFile(KELVANE_SOURCE_DIR "/data/wifi.csv", &errors)) << errors[0];
  const struct {
    CellKey key;
    double latitude, longitude;
    int32_t range;
  } scenario[] = {
      {{250, 1, 7712, 40031}, 55.751244, 37.618423, 550},
      {{250, 1, 7712, 40032}, 55.757000, 37.615000, 800},
      {{250, 1, 7713, 51877}, 55.760100, 37.625500, 1200},
      {{262, 2, 345, 70000}, 52.520008, 13.404954, 1000},
  };
  for (const auto& c : scenario) {
    const locserver::CellLocation* found = cells.Find(c.key);
    ASSERT_NE(found, nullptr) << c.key.cell;
    EXPECT_EQ(found->latitude, c.latitude);
    EXPECT_EQ(found->longitude, c.longitude);
    EXPECT_EQ(found->range, c.range);
  }
  EXPECT_EQ(cells.Find({250, 1, 7713, 99999}), nullptr);
  EXPECT_GT(cells.size(), 8u);
  uint64_t mac = 0;
  for (const char* text : {"00:1a:2b:3c:4d:01", "00-1A-2B-3C-4D-05"}) {
    ASSERT_TRUE(locserver::ParseMacAddress(text, &mac)) << text;
    EXPECT_NE(access_points.Find(mac), nullptr) << text;
  }
}

TEST(LocationDataTest, HeaderCommentsBlankLinesAndCrlfAreReadPast) {
  CellTable table;
  std::istringstream in(
      "radio,mcc,net,area,cell,unit,lon,lat,range,samples,changeable,created,updated,averageSignal\r\n"
      "\r\n# comment\r\n"
      "UMTS,250,99,1,2,0,30.5,60.25,100,1,0,0,0,-71\r\n");
  std::vector<std::string> errors;
  ASSERT_TRUE(table.Load(in, "cells.csv", &errors)) << errors[0];
  ASSERT_NE(table.Find({250, 99, 1, 2}), nullptr);
  EXPECT_EQ(table.Find({250, 99, 1, 2})->latitude, 60.25);
  EXPECT_EQ(table.size(), 1u);
}

TEST(LocationDataTest, EachBadCellLineIsReportedWithItsLineNumber) {
  const std::string good = "GSM,250,1,7712,40031,0,37.6,55.7,550,10,1,0,0,0\n";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"GSM,250,1,7712\n", "cells.csv:1: 4 fields, expected 14"},
      {good + "GSM,250,1,7712,40032,0,37.6,55.7x,550,10,1,0,0,0\n",
       "cells.csv:2: column 'lat': '55.7x' is not a latitude from -90 to 90"},
      {"GSM,250,1,7712,40032,0,181,55.7,550,10,1,0,0,0\n",
       "cells.csv:1: column 'lon': '181' is not a longitude from -180 to 180"},
      {"GSM,250,1,7712,4.5,0,37.6,55.7,550,10,1,0,0,0\n",
       "cells.csv:1: column 'cell': '4.5' is not a whole number from 0 to 68719476735"},
      {"GSM,1000,1,7712,1,0,37.6,55.7,550,10,1,0,0,0\n",
       "cells.csv:1: column 'mcc': '1000' is not a whole number from 0 to 999"},
      {"GSM,250,1,7712,1,0,37.6,55.7,2000000,10,1,0,0,0\n",
       "cells.csv:1: column 'range': '2000000' is not a whole number from 0 to 1000000"},
      {",250,1,7712,1,0,37.6,55.7,5,10,1,0,0,0\n", "cells.csv:1: column 'radio' is empty"},
      {"# note\n" + good + good, "cells.csv:3: cell 250/1/7712/40031 is already on line 2"},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> errors = CellErrors(c.text);
    ASSERT_EQ(errors.size(), 1u) << c.text;
    EXPECT_EQ(errors[0].substr(0, c.error.size()), c.error);
  }
  // Several bad lines: every one is listed.
  EXPECT_EQ(CellErrors("x\n" + good + "y\nz\n").size(), 3u);
}

TEST(LocationDataTest, BadAccessPointLinesAndMissingFilesAreReported) {
  AccessPointTable table;
  std::istringstream in(
      "mac,lat,lon,accuracy\n"
      "00:1a:2b:3c:4d:01,55.75,37.61,35\n"
      "00:1a:2b:3c:4d,55.75,37.61,35\n"
      "00:1a:2b:3c:4d:02,55.75,37.61,-1\n"
      "00:1a-2b:3c:4d:03,55.75,37.61,1\n"
      "00-1A-2B-3C-4D-01,1,2,3\n");
  std::vector<std::string> errors;
  EXPECT_FALSE(table.Load(in, "wifi.csv", &errors));
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_EQ(errors[0], "wifi.csv:3: column 'mac': '00:1a:2b:3c:4d' is not a MAC address like 00:1a:2b:3c:4d:5e");
  EXPECT_EQ(errors[1], "wifi.csv:4: column 'accuracy': '-1' is not a radius from 0 to 1000000");
  EXPECT_EQ(errors[2].substr(0, 22), "wifi.csv:5: column 'ma");
  EXPECT_EQ(errors[3], "wifi.csv:6: access point 00-1A-2B-3C-4D-01 is already on line 2");

  errors.clear();
  EXPECT_FALSE(table.LoadFile("/nonexistent/wifi.csv", &errors));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "/nonexistent/wifi.csv: cannot open: No such file or directory");
}

}  // namespace
