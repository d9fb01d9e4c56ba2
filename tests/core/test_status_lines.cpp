// The status list after a worker pass, for each state the user can see.
#include "support/device_fixture.h"

#include <windows.h>

#include "core/flags.h"
#include "core/position.h"
#include "core/position_worker.h"
#include "core/process_state.h"
#include "core/status_lines.h"
#include "output/port_name.h"
#include "settings/message_list.h"

namespace {

using kelvane::testing::DeviceTest;

class StatusLinesTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    CreatePositionLock();
  }
  void TearDown() override {
    DeletePositionLock();
    DeviceTest::TearDown();
  }
  static std::vector<std::pair<std::wstring, COLORREF>> Shown() {
    std::vector<std::pair<std::wstring, COLORREF>> shown;
    for (const MessageLine& line : StatusList().Lines()) shown.emplace_back(line.text, line.colour);
    return shown;
  }
};

TEST_F(StatusLinesTest, APositionHeldShowsCoordinatesAccuracyAndTraffic) {
  SetFlag(PortOpen | PositionValid);
  wcscpy(PortPrefix, L"COM");
  PortNumber = 5;
  SetPosition(Position{55.751244f, 37.618423f, 550});
  AddTraffic(12345);
  RebuildStatusList(LoadOnOffTexts(), -4, -2);
  const std::vector<std::pair<std::wstring, COLORREF>> expected = {
      {L"port: COM5", kStatusGrey},         {L"driver: Off", kStatusGrey},
      {L"GPS: On", kBlack},                 {L"latitude: 55.751244", kBlack},
      {L"longitude: 37.618423", kBlack},    {L"accuracy: 550m", kBlack},
      {L"internet traffic: 12.3 kB", kStatusGrey},
  };
  EXPECT_EQ(Shown(), expected);
}

TEST_F(StatusLinesTest, NoPositionShowsEachReasonInRed) {
  struct Case {
    int tower_code;
    int wifi_code;
    std::vector<std::wstring> reasons;
  } cases[] = {
      {-4, -2, {L"Cellular triangulation:", L"device is not supported", L"Wi-Fi triangulation:",
                L"no hotspots around or adapter is disabled"}},
      {-3, -3, {L"Cellular triangulation:", L"position is temporary unavailable", L"Wi-Fi triangulation:",
                L"position is temporary unavailable"}},
      {-1, -1, {L"Cellular triangulation:", L"no internet connection", L"Wi-Fi triangulation:",
                L"no internet connection"}},
      {-10, -4, {L"Cellular triangulation:", L"unknown problem", L"Wi-Fi triangulation:", L"unknown problem"}},
      {-2, 0, {L"Cellular triangulation:", L"unknown problem"}},
  };
  for (const Case& c : cases) {
    RebuildStatusList(LoadOnOffTexts(), c.tower_code, c.wifi_code);
    const auto shown = Shown();
    ASSERT_EQ(shown.size(), 4 + c.reasons.size()) << c.tower_code;
    EXPECT_EQ(shown[0], std::make_pair(std::wstring(L"port: Off"), kStatusGrey));
    EXPECT_EQ(shown[2], std::make_pair(std::wstring(L"GPS: Off"), kRed));
    for (size_t i = 0; i < c.reasons.size(); ++i) EXPECT_EQ(shown[3 + i], std::make_pair(c.reasons[i], kRed));
    EXPECT_EQ(shown.back(), std::make_pair(std::wstring(L"internet traffic: 0.0 kB"), kStatusGrey));
  }
}

TEST(BetterPositionTest, TheSmallerRadiusWinsAndTiesGoToTheTower) {
  const Position tower = {1.0f, 1.0f, 500};
  EXPECT_EQ(BetterPosition(tower, Position{2.0f, 2.0f, 500}).latitude, 1.0f);
  EXPECT_EQ(BetterPosition(tower, Position{2.0f, 2.0f, 499}).latitude, 2.0f);
  EXPECT_EQ(BetterPosition(kNoPosition, Position{2.0f, 2.0f, 4000}).latitude, 2.0f);
}

}  // namespace
