// ril.dll: answers on its own thread with the scenario's serving cell, and
// the delays, refusals and failures the profile asks for.
#include "support/device_fixture.h"

#include "radio/ril_test_support.h"

#include <json/reader.h>

#include <cstdio>
#include <string>

namespace {

using kelvane::testing::AnswerLog;
using kelvane::testing::DeviceTest;
using kelvane::testing::RilAnswer;
using kelvane::testing::RilLibrary;

constexpr DWORD kNotifications = RIL_NCLASS_DEVSPECIFIC | RIL_NCLASS_ALL;

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
  return text;
}

Json::Value ParseJson(const std::string& text) {
  Json::Value value;
  std::string errors;
  std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << errors;
  return value;
}

class RilTest : public DeviceTest {
 protected:
  // Writes the profile (with a scenario of one step unless it has one) and
  // loads the library.
  void Start(Json::Value profile) {
    if (!profile.isMember("scenario"))
      profile["scenario"]["steps"] = ParseJson(R"([{"duration": 60000,
          "serving": {"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40031, "signal": 20, "timingAdvance": 1}}])");
    WriteProfile(profile);
    ASSERT_TRUE(ril_.Load());
  }
  HRIL Open(DWORD param = 0) {
    HRIL handle = nullptr;
    EXPECT_EQ(Hex(ril_.Initialize(1, AnswerLog::Callback, nullptr, kNotifications, param, &handle)), Hex(S_OK));
    EXPECT_NE(handle, nullptr);
    return handle;
  }
  void SetUp() override {
    DeviceTest::SetUp();
    AnswerLog::Instance().Clear();
  }
  void TearDown() override {
    if (ril_.module) FreeLibrary(ril_.module);
    DeviceTest::TearDown();
  }
  RilLibrary ril_;
};

TEST_F(RilTest, AnswersWithTheServingCellOnItsOwnThreadWithIncreasingIds) {
  Json::Value profile;
  profile["ril"]["answerDelay"] = 0;
  Start(profile);
  HRIL handle = Open(77);
  const HRESULT first = ril_.GetCellTowerInfo(handle);
  const HRESULT second = ril_.GetCellTowerInfo(handle);
  EXPECT_GT(first, 0);
  EXPECT_GT(second, first);
  const std::vector<RilAnswer> answers = AnswerLog::Instance().WaitFor(2);
  ASSERT_EQ(answers.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    const RilAnswer& a = answers[i];
    EXPECT_EQ(a.id, i == 0 ? first : second);
    EXPECT_EQ(a.code, static_cast<DWORD>(RIL_RESULT_OK));
    EXPECT_EQ(a.param, 77u);
    EXPECT_NE(a.thread, std::this_thread::get_id());
    const RILCELLTOWERINFO info = a.Record();
    EXPECT_EQ(info.cbSize, sizeof info);
    EXPECT_EQ(info.dwParams, static_cast<DWORD>(RIL_PARAM_CTI_MOBILECOUNTRYCODE | RIL_PARAM_CTI_MOBILENETWORKCODE |
                                                RIL_PARAM_CTI_LOCATIONAREACODE | RIL_PARAM_CTI_CELLID |
                                                RIL_PARAM_CTI_RXLEVEL | RIL_PARAM_CTI_TIMINGADVANCE));
    EXPECT_EQ(info.dwMobileCountryCode, 250u);
    EXPECT_EQ(info.dwMobileNetworkCode, 1u);
    EXPECT_EQ(info.dwLocationAreaCode, 7712u);
    EXPECT_EQ(info.dwCellID, 40031u);
    EXPECT_EQ(info.dwRxLevel, 20u);
    EXPECT_EQ(info.dwTimingAdvance, 1u);
  }
  EXPECT_EQ(ril_.Deinitialize(handle), S_OK);
  // Identifiers keep increasing across handles and loads of the library.
  FreeLibrary(ril_.module);
  ASSERT_TRUE(ril_.Load());
  HRIL other = Open();
  EXPECT_GT(ril_.DevSpecific(other, nullptr, 0), second);
  EXPECT_EQ(ril_.Deinitialize(other), S_OK);
}

TEST_F(RilTest, AnswerDescribesTheStepCurrentWhenItIsGiven) {
  Json::Value profile;
  profile["timeScale"] = 100;
  profile["ril"]["answerDelay"] = 0;
  // Country 0 and a cell without signal or timing advance are answered as given.
  profile["scenario"]["steps"] = ParseJson(R"([
      {"duration": 30000, "serving": {"mcc": 0, "mnc": 0, "lac": 1, "cellId": 70000}},
      {"duration": 30000, "serving": {"mcc": 250, "mnc": 1, "lac": 7713, "cellId": 99999, "signal": 16}}])");
  Start(profile);
  HRIL handle = Open();
  ril_.GetCellTowerInfo(handle);
  RILCELLTOWERINFO info = AnswerLog::Instance().WaitFor(1).at(0).Record();
  EXPECT_EQ(info.dwMobileCountryCode, 0u);
  EXPECT_EQ(info.dwCellID, 70000u);
  EXPECT_EQ(info.dwParams & (RIL_PARAM_CTI_RXLEVEL | RIL_PARAM_CTI_TIMINGADVANCE), 0u);
  Sleep(30000);
  ril_.GetCellTowerInfo(handle);
  info = AnswerLog::Instance().WaitFor(2).at(1).Record();
  EXPECT_EQ(info.dwLocationAreaCode, 7713u);
  EXPECT_EQ(info.dwCellID, 99999u);
  EXPECT_EQ(info.dwRxLevel, 16u);
  EXPECT_EQ(info.dwParams & RIL_PARAM_CTI_TIMINGADVANCE, 0u);
  ril_.Deinitialize(handle);
}

TEST_F(RilTest, DelayedAnswersAndLateAnswersToOlderCommands) {
  Json::Value profile;
  profile["timeScale"] = 10;
  profile["ril"]["answerDelay"] = ParseJson("[3000, 500]");
  profile["ril"]["devSpecificDelay"] = 1000;
  Start(profile);
  HRIL handle = Open();
  const DWORD start = GetTickCount();
  const HRESULT slow = ril_.GetCellTowerInfo(handle);
  const HRESULT fast = ril_.GetCellTowerInfo(handle);
  const BYTE params[4] = {0x1A, 0, 0, 0};
  const HRESULT dev = ril_.DevSpecific(handle, params, sizeof params);
  const std::vector<RilAnswer> answers = AnswerLog::Instance().WaitFor(3);
  ASSERT_EQ(answers.size(), 3u);
  // The answer to the older command comes last.
  EXPECT_EQ(answers[0].id, fast);
  EXPECT_EQ(answers[1].id, dev);
  EXPECT_EQ(answers[2].id, slow);
  const DWORD delays[] = {500, 1000, 3000};
  // One host millisecond is ten device milliseconds here: the tick may lag by as much.
  for (size_t i = 0; i < 3; ++i) EXPECT_GE(answers[i].tick - start + 10, delays[i]) << "answer " << i;
  EXPECT_EQ(answers[1].code, static_cast<DWORD>(RIL_RESULT_OK));
  EXPECT_EQ(answers[1].data, std::vector<BYTE>(params, params + 4));
  EXPECT_EQ(answers[2].Record().dwCellID, 40031u);
  ril_.Deinitialize(handle);
}

TEST_F(RilTest, InitializeIsRefusedForAWhileThenSucceeds) {
  Json::Value profile;
  profile["timeScale"] = 10;
  profile["ril"]["refuseInitializeFor"] = 2000;
  Start(profile);
  HRIL handle = reinterpret_cast<HRIL>(0x1234);
  EXPECT_EQ(Hex(ril_.Initialize(1, AnswerLog::Callback, nullptr, kNotifications, 0, &handle)), Hex(E_ACCESSDENIED));
  EXPECT_EQ(handle, nullptr);
  Sleep(2000);
  handle = Open();
  EXPECT_EQ(ril_.Deinitialize(handle), S_OK);
}

TEST_F(RilTest, InitializeCanBeRefusedAlwaysWithAChosenError) {
  Json::Value profile;
  profile["ril"]["refuseInitialize"] = true;
  profile["ril"]["initializeError"] = "0x81000d5f";
  Start(profile);
  HRIL handle = nullptr;
  EXPECT_EQ(Hex(ril_.Initialize(1, AnswerLog::Callback, nullptr, kNotifications, 0, &handle)),
            Hex(RIL_E_RADIONOTPRESENT));
  EXPECT_EQ(handle, nullptr);
}

TEST_F(RilTest, FailingGetCellTowerInfoReturnsANegativeIdAndNeverAnswers) {
  Json::Value profile;
  profile["ril"]["answerDelay"] = 0;
  profile["ril"]["devSpecificDelay"] = 0;
  profile["ril"]["cellTowerInfoError"] = static_cast<Json::Int64>(RIL_E_RADIOOFF);
  Start(profile);
  HRIL handle = Open();
  const HRESULT refused = ril_.GetCellTowerInfo(handle);
  EXPECT_EQ(Hex(refused), Hex(RIL_E_RADIOOFF));
  EXPECT_EQ(RILERRORCLASS(refused), static_cast<unsigned long>(RIL_ERRORCLASS_RADIOUNAVAILABLE));
  // An answer the refused command queued by mistake would come before this one.
  const HRESULT dev = ril_.DevSpecific(handle, nullptr, 0);
  const std::vector<RilAnswer> answers = AnswerLog::Instance().WaitFor(1);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].id, dev);
  EXPECT_FALSE(answers[0].has_data);
  ril_.Deinitialize(handle);
  EXPECT_EQ(AnswerLog::Instance().Answers().size(), 1u);
}

TEST_F(RilTest, ErrorResultsCarryTheErrorAndNoRecord) {
  struct Case {
    const char* what;
    Json::Value profile;
    HRESULT error;
  };
  Json::Value answer_error;
  answer_error["ril"]["answerError"] = "0x81000d60";
  Json::Value no_service;
  no_service["scenario"]["steps"] = ParseJson(R"([{"duration": 60000}])");
  Json::Value no_scenario;
  no_scenario["scenario"]["steps"] = Json::Value(Json::arrayValue);
  const Case cases[] = {{"answerError", answer_error, RIL_E_RADIOOFF},
                        {"step without a serving cell", no_service, RIL_E_NONETWORKSVC},
                        {"no scenario", no_scenario, RIL_E_NONETWORKSVC}};
  size_t seen = 0;
  for (const Case& c : cases) {
    Json::Value profile = c.profile;
    profile["ril"]["answerDelay"] = 0;
    Start(profile);
    HRIL handle = Open();
    const HRESULT id = ril_.GetCellTowerInfo(handle);
    const std::vector<RilAnswer> answers = AnswerLog::Instance().WaitFor(++seen);
    ASSERT_EQ(answers.size(), seen) << c.what;
    const RilAnswer& a = answers.back();
    EXPECT_EQ(a.id, id) << c.what;
    EXPECT_EQ(a.code, static_cast<DWORD>(RIL_RESULT_ERROR)) << c.what;
    ASSERT_EQ(a.data.size(), sizeof(HRESULT)) << c.what;
    HRESULT carried;
    std::memcpy(&carried, a.data.data(), sizeof carried);
    EXPECT_EQ(Hex(carried), Hex(c.error)) << c.what;
    ril_.Deinitialize(handle);
    FreeLibrary(ril_.module);
    ril_.module = nullptr;
  }
}

TEST_F(RilTest, ProfileCanTakeTheLibraryOrOneExportAway) {
  Json::Value profile;
  profile["missingExports"]["ril.dll"].append("RIL_GetCellTowerInfo");
  WriteProfile(profile);
  EXPECT_FALSE(ril_.Load());
  ASSERT_NE(ril_.module, nullptr);
  EXPECT_NE(ril_.Initialize, nullptr);
  EXPECT_NE(ril_.DevSpecific, nullptr);
  EXPECT_EQ(ril_.GetCellTowerInfo, nullptr);
  FreeLibrary(ril_.module);
  ril_.module = nullptr;

  profile["missingModules"].append("ril.dll");
  WriteProfile(profile);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadLibraryW(L"ril.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(RilTest, BadArgumentsAndStaleHandlesAreRefused) {
  Start(Json::Value(Json::objectValue));
  HRIL handle = nullptr;
  EXPECT_EQ(ril_.Initialize(2, AnswerLog::Callback, nullptr, kNotifications, 0, &handle), E_INVALIDARG);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(ril_.Initialize(1, AnswerLog::Callback, nullptr, kNotifications, 0, nullptr), E_INVALIDARG);
  handle = Open();
  EXPECT_EQ(ril_.DevSpecific(handle, nullptr, 4), E_INVALIDARG);
  EXPECT_EQ(ril_.Deinitialize(handle), S_OK);
  EXPECT_EQ(ril_.Deinitialize(handle), E_INVALIDARG);
  EXPECT_EQ(ril_.GetCellTowerInfo(handle), E_INVALIDARG);
  EXPECT_EQ(ril_.DevSpecific(handle, nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(ril_.Deinitialize(nullptr), E_INVALIDARG);
}

}  // namespace
