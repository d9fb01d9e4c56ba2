// device.json garbled: whatever the file holds, the profile is an object or
// empty, every reader of it goes on without failing, and members of the wrong
// type or range are reported rather than taken.
#include <windows.h>
#include <connmgr.h>
#include <ras.h>
#include <simmgr.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <json/reader.h>
#include <json/writer.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "internal/device_clock.h"
#include "internal/device_root.h"
#include "internal/display.h"
#include "internal/scenario.h"
#include "radio/ril_test_support.h"
#include "support/byte_mutator.h"
#include "support/device_fixture.h"

namespace kelvane::testing {
namespace {

using ProfileFuzzTest = DeviceTest;

const std::vector<std::string> kProfiles = {
    R"({"timeScale": 20, "tickStart": 4294960000, "scenario": {"loop": true, "steps": [
        {"duration": 5000, "serving": {"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40031, "signal": 20},
         "neighbours": [{"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40032}],
         "accessPoints": [{"mac": "00:1a:2b:3c:4d:5e", "signal": -61}], "connections": {"`GPRS": false}},
        {"duration": 1000}]}})",
    R"({"timeScale": -1, "tickStart": -5, "scenario": {"loop": 1, "steps": [{"duration": -1,
        "serving": {"mcc": -250, "mnc": "1", "lac": 1.5, "cellId": 4294967296, "timingAdvance": -1}}]}})",
    R"([{"timeScale": 1}, 2])",
};

TEST_F(ProfileFuzzTest, AnyProfileTextReadsAsAnObjectAndTheDeviceKeepsGoing) {
  ByteMutator mutator(12001, kProfiles, "{}[]\":,-.0123456789eE truefalsnul", MutatorOptions{4, 24, 10, 200});
  for (int round = 0; round < 1200; ++round) {
    std::ofstream(root() / "device.json", std::ios::binary | std::ios::trunc) << mutator.Next();
    ::testing::internal::CaptureStderr();
    ReloadProfile();
    ReloadDeviceClock();
    const Json::Value& profile = Profile();
    const bool usable = profile.isObject() || profile.isNull();
    GetTickCount();
    std::vector<std::string> problems;
    const Scenario scenario = ParseScenario(profile.isObject() ? profile["scenario"] : Json::Value(), &problems);
    ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(usable) << "round " << mutator.round();

    // Every step read is kept; cells are taken only with the identity whole.
    const Json::Value& steps = profile.isObject() ? profile["scenario"]["steps"] : Json::Value();
    if (steps.isArray() && profile["scenario"].isObject()) {
      ASSERT_EQ(scenario.steps.size(), steps.size());
      for (Json::ArrayIndex i = 0; i < steps.size(); ++i) {
        if (!steps[i].isObject() || !steps[i]["serving"].isObject()) continue;
        const Json::Value& serving = steps[i]["serving"];
        const bool whole = serving["mcc"].isUInt() && serving["mnc"].isUInt() && serving["lac"].isUInt() &&
                           serving["cellId"].isUInt();
        if (!whole) {
          ASSERT_FALSE(scenario.steps[i].serving.has_value()) << "round " << mutator.round();
          ASSERT_FALSE(problems.empty()) << "round " << mutator.round();
        }
      }
    }
  }
}

// Every section a consumer reads, each member of its documented type.
const std::vector<std::string> kWholeProfiles = {
    R"({"network": {"wsaStartupFails": false, "connectFails": false, "hostResolver": true},
        "connectionManager": {"mode": "delayed", "delayMs": 0}, "rasConnections": [{"name": "`GPRS", "up": true}],
        "sim": {"imsi": "250011234567890", "present": true, "failRead": false, "recordSize": 9},
        "ril": {"answerDelay": [0, 1], "refuseInitialize": false, "refuseInitializeFor": 0, "initializeError": "0x80004005"},
        "missingModules": [], "missingExports": {"ril.dll": ["RIL_DevSpecific"]}, "language": 1033,
        "oemInfo": "Kelvane", "platformType": "PocketPC", "displayColumns": 40, "displayRows": 20,
        "registry": {"refuseWrites": ["HKEY_CURRENT_USER\\Software\\Locked"]}})",
};

// Replaces about one value in four, at any depth, with a value of another
// type: text that stays valid JSON, so the readers see every wrong type.
void SwapTypes(Json::Value* value, ByteMutator* mutator) {
  static const char* const kOthers[] = {"5", "-1", "1.5", "1e30", "\"yes\"", "[]", "{}", "true", "null", "[1, \"x\"]"};
  auto other = [&] {
    Json::Value v;
    std::istringstream text(kOthers[mutator->Below(std::size(kOthers))]);
    std::string errors;
    Json::parseFromStream(Json::CharReaderBuilder(), text, &v, &errors);
    return v;
  };
  if (value->isObject()) {
    for (const std::string& name : value->getMemberNames()) {
      if (mutator->Below(4) == 0)
        (*value)[name] = other();
      else
        SwapTypes(&(*value)[name], mutator);
    }
  } else if (value->isArray()) {
    for (Json::ArrayIndex i = 0; i < value->size(); ++i) {
      if (mutator->Below(4) == 0)
        (*value)[i] = other();
      else
        SwapTypes(&(*value)[i], mutator);
    }
  }
}

// One call into each consumer of the profile; none may throw.
void CallEveryProfileReader() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) == 0) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(1);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    closesocket(s);
    addrinfo* list = nullptr;
    if (getaddrinfo("localhost", "80", nullptr, &list) == 0) freeaddrinfo(list);
    WSACleanup();
  }
  CONNMGR_CONNECTIONINFO info = {};
  info.cbSize = sizeof info;
  HANDLE connection = nullptr;
  if (ConnMgrEstablishConnection(&info, &connection) == S_OK) {
    DWORD status = 0;
    ConnMgrConnectionStatus(connection, &status);
    ConnMgrReleaseConnection(connection, 0);
  }
  RASCONN records[4] = {};
  records[0].dwSize = sizeof(RASCONN);
  DWORD bytes = sizeof records, count = 0;
  RasEnumConnections(records, &bytes, &count);
  HSIM sim = nullptr;
  if (SUCCEEDED(SimInitialize(SIM_INIT_NONE, nullptr, 0, &sim))) {
    SIMRECORDINFO record = {};
    record.cbSize = sizeof record;
    SimGetRecordInfo(sim, 0x6F07, &record);
    SimDeinitialize(sim);
  }
  RilLibrary ril;
  if (ril.Load()) {
    HRIL handle = nullptr;
    if (ril.Initialize(1, [](DWORD, HRESULT, const void*, DWORD, DWORD) {}, nullptr, 0, 0, &handle) == S_OK)
      ril.Deinitialize(handle);
  }
  if (ril.module) FreeLibrary(ril.module);
  GetUserDefaultUILanguage();
  WCHAR text[128];
  SystemParametersInfoW(SPI_GETOEMINFO, sizeof text, text, 0);
  ScreenSize();
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Fuzzed", 0, nullptr, 0, 0, nullptr, &key, nullptr) ==
      ERROR_SUCCESS)
    RegCloseKey(key);
  CurrentScenarioStep();
}

TEST_F(ProfileFuzzTest, EveryReaderOfTheProfileTakesAGarbledOneWithoutThrowing) {
  ByteMutator mutator(12002, kWholeProfiles, "{}[]\":,-.0123456789eE truefalsnul", MutatorOptions{4, 24, 10, 300});
  Json::Value whole;
  std::istringstream seed(kWholeProfiles[0]);
  std::string errors;
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), seed, &whole, &errors)) << errors;
  for (int round = 0; round < 400; ++round) {
    // Even rounds garble the bytes, odd ones the members' types.
    std::string text = mutator.Next();
    if (round % 2) {
      Json::Value swapped = whole;
      SwapTypes(&swapped, &mutator);
      text = Json::writeString(Json::StreamWriterBuilder(), swapped);
    }
    std::ofstream(root() / "device.json", std::ios::binary | std::ios::trunc) << text;
    ::testing::internal::CaptureStderr();
    ReloadProfile();
    ReloadDeviceClock();
    bool threw = false;
    try {
      CallEveryProfileReader();
    } catch (const std::exception&) {
      threw = true;
    }
    ::testing::internal::GetCapturedStderr();
    ASSERT_FALSE(threw) << "round " << round << ":\n" << text;
  }
}

}  // namespace
}  // namespace kelvane::testing
