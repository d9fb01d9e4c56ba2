// The AT-command source against the device's simulated modems: which ports it
// tries and remembers, what it reads from the answers of modems that behave
// well and badly, and that every wait is a silence limit Interrupt cuts short.
#include "support/device_fixture.h"
#include "support/diagnostic_lines.h"
#include "support/scenario_profile.h"

#include <windows.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "cell/at_cell_source.h"
#include "core/app_state.h"
#include "core/cell_source_holder.h"
#include "core/flags.h"
#include "settings/config_file.h"
#include "settings/message_list.h"

namespace {

using kelvane::testing::DeviceTest;
using kelvane::testing::ScenarioCell;
using kelvane::testing::ScenarioStep;

int Count(const std::wstring& text) {
  const auto texts = LogTexts();
  return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

std::vector<std::wstring> LinesStartingWith(const std::wstring& prefix) {
  std::vector<std::wstring> found;
  for (const std::wstring& text : LogTexts())
    if (text.rfind(prefix, 0) == 0) found.push_back(text);
  return found;
}

std::wstring StoredPort() {
  WCHAR name[64] = L"(none)";
  ReadText(L"ModemPort", name);
  return name;
}

class AtSourceTest : public DeviceTest {
 protected:
  Json::Value profile_;
  void SetUp() override {
    DeviceTest::SetUp();
    ClearFlag(Interrupt);
    profile_["timeScale"] = 100;
    // 0x1A2B / 0xC3D4; level 31 is +CSQ figure 17.
    profile_["scenario"]["steps"].append(ScenarioStep(100000000, ScenarioCell(250, 1, 0x1A2B, 0xC3D4, 31)));
  }
  Json::Value& Modem(const char* name) {
    Json::Value& port = profile_["ports"][name];
    port["kind"] = "modem";
    return port;
  }
  void Apply() { WriteProfile(profile_); }
  CellRecord Cell(AtCellSource& source) {
    CellRecord cell;
    source.GetCell(0, &cell);
    return cell;
  }
  // Opens the source while another thread sets Interrupt after `after_ms` of
  // device time; the open's result, and its device time in *took.
  static int OpenInterruptedAfter(AtCellSource& source, DWORD after_ms, DWORD* took) {
    std::thread interrupter([after_ms] {
      Sleep(after_ms);
      SetFlag(Interrupt);
    });
    const DWORD start = GetTickCount();
    const int result = source.Open();
    *took = GetTickCount() - start;
    interrupter.join();
    ClearFlag(Interrupt);
    return result;
  }
};

TEST_F(AtSourceTest, WithoutAStoredPortTheListIsTriedInOrderAndTheWorkingPortRemembered) {
  Modem("COM3:");
  Apply();
  AtCellSource source;
  ASSERT_EQ(source.Open(), 0);
  const std::vector<std::wstring> expected = {
      L"ERR: CreateFile( BTL1: ) failed", L"ERR: CreateFile( BTC1: ) failed", L"ERR: CreateFile( BTC2: ) failed",
      L"ERR: CreateFile( BTC4: ) failed", L"ERR: CreateFile( BSP1: ) failed", L"ERR: CreateFile( BTH1: ) failed",
      L"ERR: CreateFile( COM0: ) failed", L"ERR: CreateFile( COM1: ) failed", L"ERR: CreateFile( COM2: ) failed"};
  EXPECT_EQ(LinesStartingWith(L"ERR: CreateFile"), expected);
  EXPECT_EQ(Count(L"COM3: is OK"), 1);
  EXPECT_EQ(StoredPort(), L"COM3:");
  // The trial dialogue learnt the operator; area and cell wait for the next.
  CellRecord cell = Cell(source);
  EXPECT_EQ(cell.country, 250);
  EXPECT_EQ(cell.network, 1);
  EXPECT_EQ(cell.area, -1);
  EXPECT_EQ(cell.cell_id, -1);
  EXPECT_EQ(Count(L"a 250 1 6699 50132 17"), 1);
}

TEST_F(AtSourceTest, AFailingStoredPortIsTriedOnceBeforeTheList) {
  Modem("BTC2:");
  Apply();
  ASSERT_TRUE(WriteText(L"ModemPort", L"COM7:"));
  AtCellSource source;
  ASSERT_EQ(source.Open(), 0);
  const std::vector<std::wstring> expected = {L"ERR: CreateFile( COM7: ) failed", L"ERR: CreateFile( BTL1: ) failed",
                                              L"ERR: CreateFile( BTC1: ) failed"};
  EXPECT_EQ(LinesStartingWith(L"ERR: CreateFile"), expected);
  EXPECT_EQ(StoredPort(), L"BTC2:");
}

TEST_F(AtSourceTest, AWorkingStoredPortIsTheOnlyOneOpened) {
  Modem("COM3:");
  Modem("BTL1:");
  Apply();
  ASSERT_TRUE(WriteText(L"ModemPort", L"COM3:"));
  AtCellSource source;
  ASSERT_EQ(source.Open(), 0);
  EXPECT_TRUE(LinesStartingWith(L"ERR: CreateFile").empty());
  EXPECT_EQ(LinesStartingWith(L"BTL1:").size(), 0u);
}

TEST_F(AtSourceTest, WhenEveryCandidateFailsTheStoredPortStaysAndOpenFails) {
  Apply();
  AtCellSource source;
  EXPECT_EQ(source.Open(), -1);
  EXPECT_EQ(LinesStartingWith(L"ERR: CreateFile").size(), 16u);
  EXPECT_EQ(StoredPort(), L"(none)");

  ASSERT_TRUE(WriteText(L"ModemPort", L"COM7:"));
  AtCellSource again;
  EXPECT_EQ(again.Open(), -1);
  EXPECT_EQ(StoredPort(), L"COM7:");
}

TEST_F(AtSourceTest, RefreshReadsEachFormOfTheCellIdentity) {
  struct Case {
    const char* form;
    int area;
    int cell_id;
  } cases[] = {{"long", 0x1A2B, 0xC3D4}, {"short", 0x1A2B, 0xC3D4}, {"hidden", -1, -1}};
  // A cell id beyond 16 bits shows whether the long form is read whole.
  profile_["scenario"]["steps"][0]["serving"]["cellId"] = 0x5C3D4;
  cases[0].cell_id = 0x5C3D4;
  const char* names[] = {"COM1:", "COM2:", "COM3:"};
  const WCHAR* wide_names[] = {L"COM1:", L"COM2:", L"COM3:"};
  for (int i = 0; i < 3; ++i) Modem(names[i])["cellIdForm"] = cases[i].form;
  Apply();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(WriteText(L"ModemPort", wide_names[i]));
    AtCellSource source;
    ASSERT_EQ(source.Open(), 0) << cases[i].form;
    ASSERT_EQ(source.Refresh(), 0) << cases[i].form;
    const CellRecord cell = Cell(source);
    EXPECT_EQ(cell.area, cases[i].area) << cases[i].form;
    EXPECT_EQ(cell.cell_id, cases[i].cell_id) << cases[i].form;
    EXPECT_EQ(cell.signal, 17) << cases[i].form;
  }
}

TEST_F(AtSourceTest, TheOperatorIsAskedOnlyWhileItsCodesAreUnknown) {
  Modem("COM3:");
  Apply();
  AtCellSource source;
  ASSERT_EQ(source.Open(), 0);
  EXPECT_EQ(Count(L"-> AT+COPS=?\r"), 1);
  ASSERT_EQ(source.Refresh(), 0);
  ASSERT_EQ(source.Refresh(), 0);
  EXPECT_EQ(Count(L"-> AT+COPS=?\r"), 1);
  EXPECT_EQ(Count(L"-> AT+COPS?\r"), 1);
  EXPECT_EQ(Count(L"-> AT+CSQ\r"), 3);
}

TEST_F(AtSourceTest, AnEchoArrivingAloneIsTakenForTheAnswer) {
  // The answers come after the read's interval time-out, so each echo
  // ends a read of its own and passes for the whole answer.
  Json::Value& modem = Modem("COM3:");
  modem["replyDelay"] = 7000;
  modem["operatorListDelay"] = 7000;
  Apply();
  AtCellSource source;
  ASSERT_EQ(source.Open(), 0);
  EXPECT_GE(Count(L"ERR: signal parsing failed"), 1);
  EXPECT_EQ(Cell(source).signal, -1);
  EXPECT_EQ(Cell(source).country, -1);
}

TEST_F(AtSourceTest, SilenceIsCountedFromTheLastByteNotFromTheStart) {
  // Each answer's first two bytes come 7 s apart, so its reading takes
  // three reads and about 19 s, longer than the 10 s budget, but never 10 s
  // of silence. Writes take 1 s a byte: 10 s for "AT+CREG=2\r", never 5 s
  // without progress.
  Json::Value& modem = Modem("COM3:");
  modem["echo"] = false;
  modem["replyPieces"] = 3;
  modem["pieceGap"] = 7000;
  modem["writeDelay"] = 1000;
  Apply();
  AtCellSource source;
  const DWORD start = GetTickCount();
  ASSERT_EQ(source.Open(), 0);
  EXPECT_GT(GetTickCount() - start, 100000u);  // the trickle really took its time
  EXPECT_EQ(Count(L"a 250 1 6699 50132 17"), 1);
  EXPECT_EQ(Count(L"ERR: ReadFile() failed TIMEOUT"), 1);  // only the drain of the open
}

TEST_F(AtSourceTest, ASilentModemAndABlockedLineEachTimeOut) {
  Modem("COM1:")["silent"] = true;
  Modem("COM2:")["blockWrites"] = true;
  Apply();
  AtCellSource source;
  EXPECT_EQ(source.Open(), -1);
  EXPECT_EQ(Count(L"COM1: is OK"), 1);
  EXPECT_EQ(Count(L"COM2: is OK"), 1);
  EXPECT_EQ(Count(L"ERR: WriteFile() failed TIMEOUT"), 1);
  // COM1: the drain of each open and the dialogue's first answer; COM2:
  // only the drain, since its first command never goes out.
  EXPECT_EQ(Count(L"ERR: ReadFile() failed TIMEOUT"), 3);
}

TEST_F(AtSourceTest, AModemThatNeverStopsTalkingIsCutOff) {
  Modem("COM3:")["endless"] = true;
  Apply();
  AtCellSource source;
  EXPECT_EQ(source.Open(), -1);
  EXPECT_EQ(LinesStartingWith(L"ERR: ReadFile() failed: answer longer than").size(), 1u);
}

TEST_F(AtSourceTest, BrokenFiguresLeaveTheCellUnknown) {
  Modem("COM3:")["garbage"] = true;
  Apply();
  AtCellSource source;
  source.Open();
  source.Refresh();
  const CellRecord cell = Cell(source);
  EXPECT_EQ(cell.country, -1);
  EXPECT_EQ(cell.network, -1);
  EXPECT_EQ(cell.area, -1);
  EXPECT_EQ(cell.cell_id, -1);
  EXPECT_EQ(cell.signal, -1);
  EXPECT_GE(Count(L"ERR: signal parsing failed"), 1);
}

TEST_F(AtSourceTest, ARefusedDeviceControlIsLoggedAndTheOpenGoesOn) {
  Modem("COM3:")["refuseDeviceControl"] = true;
  Apply();
  AtCellSource source;
  EXPECT_EQ(source.Open(), 0);
  EXPECT_EQ(Count(L"ERR: DeviceIoControl() failed 50."), 1);
}

TEST_F(AtSourceTest, InterruptEndsADialogueAtOnce) {
  // The operator list would take ten minutes; the dialogue is interrupted
  // while it waits for it.
  Modem("COM3:");
  Json::Value& slow = Modem("COM4:");
  slow["echo"] = false;
  slow["operatorListDelay"] = 600000;
  Apply();
  ASSERT_TRUE(WriteText(L"ModemPort", L"COM4:"));
  AtCellSource source;
  DWORD took = 0;
  EXPECT_EQ(OpenInterruptedAfter(source, 60000, &took), -1);
  ASSERT_EQ(Count(L"-> AT+COPS=?\r"), 1);
  // The read under way ends at once; nothing more is waited for, no
  // time-out but the open's drain is reported, and COM3: is never tried.
  EXPECT_LT(took, 100000u);
  EXPECT_EQ(Count(L"ERR: ReadFile() failed TIMEOUT"), 1);
  EXPECT_EQ(Count(L"COM3: is OK"), 0);
}

TEST_F(AtSourceTest, InterruptCutsShortAReadOnASilentLine) {
  // A single read of the open's drain on a silent line lasts 25480 ms under
  // the line's time-outs, longer than shut-down waits for the worker; the
  // interrupt must end it well before that. A slower clock keeps the
  // interrupter's scheduling delay small in device time.
  profile_["timeScale"] = 10;
  Modem("COM1:")["silent"] = true;
  Modem("COM3:");
  Apply();
  ASSERT_TRUE(WriteText(L"ModemPort", L"COM1:"));
  AtCellSource source;
  DWORD took = 0;
  EXPECT_EQ(OpenInterruptedAfter(source, 3000, &took), -1);
  EXPECT_EQ(Count(L"COM1: is OK"), 1);
  EXPECT_GE(took, 3000u);
  EXPECT_LT(took, 10000u);
  EXPECT_EQ(Count(L"ERR: ReadFile() failed TIMEOUT"), 0);  // given up, not timed out
  EXPECT_EQ(Count(L"COM3: is OK"), 0);
}

TEST_F(AtSourceTest, ADeviceWithoutRadioLayerFallsBackFromMemoryScanThroughRilToTheModem) {
  profile_["missingModules"].append("ril.dll");
  Modem("COM3:");
  Apply();
  SetAppMode(kModeMemoryScan);
  EXPECT_EQ(TheCellSourceHolder().SelectSourceWithFallback(), 0);
  EXPECT_EQ(AppMode(), static_cast<DWORD>(kModeAtCommands));
  EXPECT_EQ(TheCellSourceHolder().ActiveMode(), kModeAtCommands);
  const auto texts = LogTexts();
  const auto mem = std::find(texts.begin(), texts.end(), L"--- Trying MEM mode ---");
  const auto ril = std::find(texts.begin(), texts.end(), L"--- Trying RIL mode ---");
  const auto at = std::find(texts.begin(), texts.end(), L"--- Trying AT mode ---");
  ASSERT_NE(mem, texts.end());
  ASSERT_NE(ril, texts.end());
  EXPECT_LT(mem - texts.begin(), ril - texts.begin());
  EXPECT_LT(ril - texts.begin(), at - texts.begin());
  // The worker's first reading then finds the cell.
  EXPECT_EQ(TheCellSourceHolder().RefreshCell(), 0);
  TheCellSourceHolder().SelectSource(kModeNone);
}

}  // namespace
