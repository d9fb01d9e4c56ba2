// The radio interface layer source against the device's ril.dll and SIM.
#include "support/device_fixture.h"
#include "support/scenario_profile.h"

#include <windows.h>

#include <algorithm>

#include "cell/home_codes.h"
#include "cell/ril_cell_source.h"
#include "core/app_state.h"
#include "core/cell_source_holder.h"
#include "core/flags.h"
#include "settings/message_list.h"

namespace {

using kelvane::testing::DeviceTest;
using kelvane::testing::ScenarioCell;
using kelvane::testing::ScenarioStep;

int CountLines(const std::wstring& prefix) {
  const auto lines = DiagnosticLog().Lines();
  return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                        [&](const MessageLine& l) { return l.text.rfind(prefix, 0) == 0; }));
}

bool Logged(const std::wstring& text) {
  const auto lines = DiagnosticLog().Lines();
  return std::any_of(lines.begin(), lines.end(), [&](const MessageLine& l) { return l.text == text; });
}

class RilSourceTest : public DeviceTest {
 protected:
  Json::Value profile_;
  void SetUp() override {
    DeviceTest::SetUp();
    profile_["timeScale"] = 50;
    profile_["scenario"]["steps"].append(ScenarioStep(600000, ScenarioCell(250, 1, 7712, 40031)));
  }
  void Apply() { WriteProfile(profile_); }
};

TEST_F(RilSourceTest, HomeCodesFollowTheImsiDigits) {
  struct Case {
    const char* imsi;
    int record_size;
    int result;
    int country;
    int network;
  } cases[] = {
      {"310260123456789", 9, 1, 310, 260},
      {"250011234567890", 9, 1, 250, 1},
      {"722070123456789", 9, 1, 722, 70},
      {"25001", 4, 0, -1, -1},  // five digits: no home codes
      // Short identities padded with 0xF: the padding is no digit.
      {"25001", 9, 0, -1, -1},
      {"2500", 9, 0, -1, -1},
  };
  for (const Case& c : cases) {
    profile_["sim"]["imsi"] = c.imsi;
    profile_["sim"]["recordSize"] = c.record_size;
    Apply();
    int32_t country = -1, network = -1;
    EXPECT_EQ(ReadHomeCodes(&country, &network), c.result) << c.imsi;
    EXPECT_EQ(country, c.country) << c.imsi;
    EXPECT_EQ(network, c.network) << c.imsi;
  }
  EXPECT_TRUE(Logged(L"mcc 310 mnc 260"));
}

TEST_F(RilSourceTest, AnOversizedSimRecordIsReadWithinItsBytes) {
  profile_["sim"]["imsi"] = "250011234567890";
  profile_["sim"]["recordSize"] = 255;  // padded with 0xFF: far more digits than fit the string
  Apply();
  int32_t country = -1, network = -1;
  EXPECT_EQ(ReadHomeCodes(&country, &network), 1);
  EXPECT_EQ(country, 250);
  EXPECT_EQ(network, 1);
}

TEST_F(RilSourceTest, EachSimFailureLeavesTheCodesUntouched) {
  for (const char* failure : {"failInitialize", "failRecordInfo", "failRead"}) {
    Json::Value profile = profile_;
    profile["sim"]["imsi"] = "250011234567890";
    profile["sim"][failure] = true;
    WriteProfile(profile);
    int32_t country = 7, network = 7;
    EXPECT_EQ(ReadHomeCodes(&country, &network), 0) << failure;
    EXPECT_EQ(country, 7);
    EXPECT_EQ(network, 7);
  }
}

TEST_F(RilSourceTest, OpenMakesATrialReadingAndRefreshReadsTheServingCell) {
  Apply();
  RilCellSource source;
  ASSERT_EQ(source.Open(), 0);
  CellRecord cell;
  source.GetCell(0, &cell);
  EXPECT_EQ(cell.country, -1);  // the trial reading is forgotten
  ASSERT_EQ(source.Refresh(), 0);
  source.GetCell(0, &cell);
  EXPECT_EQ(cell.country, 250);
  EXPECT_EQ(cell.network, 1);
  EXPECT_EQ(cell.area, 7712);
  EXPECT_EQ(cell.cell_id, 40031);
  EXPECT_EQ(cell.signal, 20);
  EXPECT_EQ(cell.timing_advance, 1);
  EXPECT_TRUE(Logged(L"--- Trying RIL mode ---"));
  EXPECT_EQ(CountLines(L"r 250 1 7712 40031"), 2);
}

TEST_F(RilSourceTest, ARadioReportingCountryZeroGetsTheSimCodesInEveryAnswer) {
  profile_["scenario"]["steps"][0]["serving"] = ScenarioCell(0, 0, 7712, 40031);
  profile_["sim"]["imsi"] = "250011234567890";
  Apply();
  RilCellSource source;
  ASSERT_EQ(source.Open(), 0);
  ASSERT_EQ(source.Refresh(), 0);
  CellRecord cell;
  source.GetCell(0, &cell);
  EXPECT_EQ(cell.country, 250);
  EXPECT_EQ(cell.network, 1);
  EXPECT_TRUE(Logged(L"r 250 1 7712 40031"));
}

TEST_F(RilSourceTest, ARefusedCommandWaitsTheFullTimeAndFails) {
  profile_["ril"]["cellTowerInfoError"] = "0x80042005";
  Apply();
  RilCellSource source;
  const DWORD start = GetTickCount();
  EXPECT_EQ(source.Open(), -1);
  EXPECT_GE(GetTickCount() - start, 5000u);
  EXPECT_TRUE(Logged(L"32 80042005"));
  EXPECT_TRUE(Logged(L"ERR: RIL_GetCellTowerInfo failed"));
}

TEST_F(RilSourceTest, ARefusedInitializeIsRetriedThenExplained) {
  profile_["ril"]["refuseInitialize"] = true;
  Apply();
  RilCellSource source;
  EXPECT_EQ(source.Open(), -1);
  for (const wchar_t* line : {L"ERR: RIL_Initialize failed", L"HRESULT -2147024891", L"Check",
                              L"HKLM\\Security\\Policy", L"\\APIs\\RILGSM\\Default", L" Must be 1"})
    EXPECT_TRUE(Logged(line)) << line;
}

TEST_F(RilSourceTest, AnAnswerForAnOlderCommandIsIgnored) {
  // The trial reading's answer comes after its wait has ended, during the
  // next reading, which is answered first.
  profile_["ril"]["answerDelay"].append(7000);
  profile_["ril"]["answerDelay"].append(500);
  Apply();
  RilCellSource source;
  ASSERT_EQ(source.Open(), 0);
  ASSERT_EQ(source.Refresh(), 0);
  Sleep(3000);  // the late answer arrives meanwhile
  EXPECT_EQ(CountLines(L"r "), 1);
}

TEST_F(RilSourceTest, AnAnswerAfterTheTimeOutDoesNotEndTheNextWait) {
  profile_["timeScale"] = 10;
  profile_["ril"]["answerDelay"].append(200);   // the trial reading
  profile_["ril"]["answerDelay"].append(6000);  // after the 5000 ms wait gave up,
  profile_["ril"]["deinitializeDelay"] = 2000;  // while the radio lets go
  profile_["ril"]["answerDelay"].append(3000);
  Apply();
  RilCellSource source;
  ASSERT_EQ(source.Open(), 0);
  ASSERT_EQ(source.Refresh(), 0);
  ASSERT_EQ(CountLines(L"r "), 2);  // the late answer came
  const DWORD start = GetTickCount();
  ASSERT_EQ(source.Refresh(), 0);
  // The reading waited for its own answer (3000 ms), then for the radio.
  EXPECT_GE(GetTickCount() - start, 4500u);
  EXPECT_EQ(CountLines(L"r "), 3);
}

TEST_F(RilSourceTest, AMissingLibraryOrExportGivesItsError) {
  struct Case {
    const char* module;
    const char* export_name;
    const wchar_t* error;
  } cases[] = {
      {"ril.dll", nullptr, L"ERR: Load ril.dll failed"},
      {nullptr, "RIL_Initialize", L"ERR: RIL_Initialize GetProcAddress"},
      {nullptr, "RIL_Deinitialize", L"ERR: RIL_Deinitialize GetProcAddress"},
      {nullptr, "RIL_GetCellTowerInfo", L"ERR: RIL_GetCellTowerInfo GetProcAddress"},
      {nullptr, "RIL_DevSpecific", L"ERR: RIL_DevSpecific GetProcAddress"},
  };
  for (const Case& c : cases) {
    Json::Value profile = profile_;
    if (c.module) profile["missingModules"].append(c.module);
    if (c.export_name) profile["missingExports"]["ril.dll"].append(c.export_name);
    WriteProfile(profile);
    RilCellSource source;
    EXPECT_EQ(source.Open(), -1) << c.error;
    EXPECT_EQ(DiagnosticLog().Lines().back().text, c.error);
  }
}

class HolderTest : public RilSourceTest {};

TEST_F(HolderTest, FallBackFromAnUnavailableModeToTheRadio) {
  Apply();
  SetAppMode(2);  // the memory scan cannot be opened here
  CellSourceHolder holder;
  EXPECT_EQ(holder.SelectSourceWithFallback(), 0);
  EXPECT_EQ(holder.ActiveMode(), 1);
  EXPECT_EQ(AppMode(), 1u);
}

TEST_F(HolderTest, InterruptStopsTheFallBack) {
  Apply();
  SetAppMode(2);
  SetFlag(Interrupt);
  CellSourceHolder holder;
  EXPECT_EQ(holder.SelectSourceWithFallback(), -1);
  EXPECT_EQ(holder.ActiveMode(), 0);
  EXPECT_FALSE(Logged(L"--- Trying RIL mode ---"));
  EXPECT_EQ(AppMode(), 2u);
}

TEST_F(HolderTest, NoSourceOpensWhenTheRadioIsMissing) {
  profile_["missingModules"].append("ril.dll");
  Apply();
  CellSourceHolder holder;
  EXPECT_EQ(holder.SelectSourceWithFallback(), -1);
  EXPECT_EQ(holder.ActiveMode(), 0);
  EXPECT_EQ(holder.RefreshCell(), -1);
}

TEST_F(HolderTest, RefreshCellSeesIdentityChangesButNotSignal) {
  profile_["scenario"]["steps"][0] = ScenarioStep(40000, ScenarioCell(250, 1, 7712, 40031, 20));
  profile_["scenario"]["steps"].append(ScenarioStep(40000, ScenarioCell(250, 1, 7712, 40031, 30)));
  profile_["scenario"]["steps"].append(ScenarioStep(600000, ScenarioCell(250, 1, 7712, 40032, 30)));
  Apply();
  CellSourceHolder holder;
  ASSERT_EQ(holder.SelectSource(1), 0);
  EXPECT_EQ(holder.RefreshCell(), 0);  // unknown -> the first cell
  EXPECT_EQ(holder.RefreshCell(), -1);
  Sleep(40000 - GetTickCount() % 40000 + 500);  // into the second step: only the signal differs
  EXPECT_EQ(holder.RefreshCell(), -1);
  Sleep(40000);  // the third step: another cell
  EXPECT_EQ(holder.RefreshCell(), 0);
}

}  // namespace
