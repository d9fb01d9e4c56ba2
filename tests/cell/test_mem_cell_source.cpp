// The memory-scan source against an emulated OMAP phone whose radio keeps its
// cell table in the simulated kernel memory.
#include "support/device_fixture.h"
#include "support/diagnostic_lines.h"
#include "support/memory_profile.h"
#include "support/scenario_profile.h"

#include <windows.h>
#include <pkfuncs.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "cell/mem_cell_source.h"
#include "core/app_state.h"
#include "core/cell_source_holder.h"
#include "core/flags.h"
#include "internal/device_root.h"
#include "internal/local_heap.h"
#include "settings/message_list.h"

namespace {

using kelvane::testing::AddOmapDevice;
using kelvane::testing::DeviceTest;
using kelvane::testing::MemoryDecoy;
using kelvane::testing::ScenarioCell;
using kelvane::testing::ScenarioStep;

constexpr uint32_t kRegion = 0xC0000000u;
constexpr uint32_t kRegionSize = 0x400000;
constexpr uint32_t kTable = kRegion + 0x200001;
constexpr unsigned kStep = 72;
constexpr uint32_t kChunkStart = 0x80000000u;
constexpr uint32_t kChunkAdvance = 0x3FFE0;

bool Logged(const std::wstring& text) {
  const auto texts = LogTexts();
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class MemSourceTest : public DeviceTest {
 protected:
  Json::Value profile_;
  void SetUp() override {
    DeviceTest::SetUp();
    DiagnosticLog().Clear();
    ClearFlag(Interrupt);
    UseTableAt(kTable);
    // Signals 30, 45, 45, 10 in table order.
    Json::Value step = ScenarioStep(600000, ScenarioCell(250, 1, 7712, 40031, 30));
    step["neighbours"].append(ScenarioCell(250, 1, 7712, 40032, 45));
    step["neighbours"].append(ScenarioCell(250, 1, 7713, 51877, 45));
    step["neighbours"].append(ScenarioCell(250, 1, 7712, 40033, 10));
    profile_["scenario"]["steps"].append(step);
  }
  void TearDown() override {
    ClearFlag(Interrupt);
    DeviceTest::TearDown();
  }
  void UseTableAt(uint32_t table) {
    profile_["memory"] = Json::Value();
    AddOmapDevice(&profile_, kRegion, kRegionSize, table, kStep);
  }
  void Apply() { WriteProfile(profile_); }
  void WriteConfig(const std::string& text) {
    std::ofstream(root() / "Program Files/Kelvane/config.ini") << text;
  }
  std::string Config() { return ReadHostFile("Program Files/Kelvane/config.ini"); }
};

std::string StoredPlace(uint32_t table) {
  return "MemPointer=" + std::to_string(table) + "\n" + "MemStep=" + std::to_string(kStep) + "\n";
}

TEST_F(MemSourceTest, TheScanPassesTheDecoysFindsTheTableAndStoresItsPlace) {
  const char* kinds[] = {"shortRun", "crowded", "sparse", "wrongMarker", "otherCountry"};
  for (int i = 0; i < 5; ++i)
    profile_["memory"]["decoys"].append(MemoryDecoy(kinds[i], kRegion + 0x100000 + 0x1000 * i));
  Apply();
  MemCellSource source;
  ASSERT_EQ(source.Open(), 0);
  const std::vector<std::wstring> expected = {L"--- Trying MEM mode ---", L"OMAP850", L"Texas Instruments",
                                              L"ARM926EJ-S", L"mcc 250 mnc 1", L"scanning...", L"found c0200001"};
  EXPECT_EQ(LogTexts(), expected);
  EXPECT_NE(Config().find(StoredPlace(kTable)), std::string::npos) << Config();
  EXPECT_EQ(source.CellCount(), 0);
}

TEST_F(MemSourceTest, RefreshSortsTheCellsByStrengthKeepingTableOrderOnTies) {
  // A cell of another network is no valid entry: it is left out (and would
  // break the run a scan looks for, so the place is stored here).
  Json::Value& neighbours = profile_["scenario"]["steps"][0]["neighbours"];
  neighbours.insert(2, ScenarioCell(262, 2, 345, 7000, 50));
  Apply();
  WriteConfig(StoredPlace(kTable));
  MemCellSource source;
  ASSERT_EQ(source.Open(), 0);
  EXPECT_FALSE(Logged(L"scanning..."));
  EXPECT_EQ(source.CellCount(), 0);
  DiagnosticLog().Clear();
  ASSERT_EQ(source.Refresh(), 0);
  const auto list = DiagnosticLog().Lines();
  const std::vector<MessageLine> lines(list.begin(), list.end());
  const std::vector<std::wstring> texts = {L"m 0 250 1 7712 40032   45", L"m 1 250 1 7713 51877   45",
                                           L"m 2 250 1 7712 40031   30", L"m 3 250 1 7712 40033   10"};
  ASSERT_EQ(lines.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(lines[i].text, texts[i]);
    EXPECT_EQ(lines[i].colour, i < 3 ? kBlack : kTraceGrey) << i;
  }
  ASSERT_EQ(source.CellCount(), 4);
  CellRecord cell;
  source.GetCell(1, &cell);
  EXPECT_EQ(cell.country, 250);
  EXPECT_EQ(cell.network, 1);
  EXPECT_EQ(cell.area, 7713);
  EXPECT_EQ(cell.cell_id, 51877);
  EXPECT_EQ(cell.signal, 45);
  EXPECT_EQ(cell.timing_advance, -1);
  for (int index : {4, -1, 1000}) {
    source.GetCell(index, &cell);
    EXPECT_TRUE(SameCell(cell, kUnknownCell) && cell.signal == -1 && cell.timing_advance == -1) << index;
  }
}

TEST_F(MemSourceTest, AStoredPlaceThatNoLongerHoldsIsScannedForAgain) {
  Apply();
  for (const std::string& stored : {StoredPlace(0x90000000u),  // a gap now
                                    StoredPlace(kTable + 1),   // no valid entry there
                                    "MemPointer=" + std::to_string(kTable) + "\nMemStep=0\n"}) {
    WriteConfig(stored);
    DiagnosticLog().Clear();
    MemCellSource source;
    ASSERT_EQ(source.Open(), 0) << stored;
    EXPECT_TRUE(Logged(L"scanning...")) << stored;
    EXPECT_EQ(Config(), StoredPlace(kTable));
    ASSERT_EQ(source.Refresh(), 0);
    EXPECT_EQ(source.CellCount(), 4) << stored;
  }
}

TEST_F(MemSourceTest, AnEntryAcrossAChunkBoundaryIsFound) {
  // The first entry crosses the end of one chunk's read, inside the region.
  const uint32_t chunk = kChunkStart + kChunkAdvance * 4097;
  ASSERT_GE(chunk, kRegion);
  const uint32_t table = chunk + 0x40000 - 16;
  UseTableAt(table);
  Apply();
  MemCellSource source;
  ASSERT_EQ(source.Open(), 0);
  EXPECT_NE(Config().find(StoredPlace(table)), std::string::npos) << Config();
}

TEST_F(MemSourceTest, AProcessorWithoutOmapInItsNameIsRefusedSilently) {
  for (const char* name : {"PXA270", "MSM7200"}) {
    profile_["processor"]["name"] = name;
    Apply();
    DiagnosticLog().Clear();
    MemCellSource source;
    EXPECT_EQ(source.Open(), -1);
    const std::vector<std::wstring> expected = {L"--- Trying MEM mode ---", kelvane::Widen(name), L"Texas Instruments",
                                                L"ARM926EJ-S"};
    EXPECT_EQ(LogTexts(), expected);
  }
  profile_["processor"]["name"] = "TI oMaP730";
  Apply();
  MemCellSource omap;
  EXPECT_EQ(omap.Open(), 0);
}

TEST_F(MemSourceTest, AnUnansweredProcessorQueryIsNotChecked) {
  profile_["processor"]["queryFails"] = true;
  profile_["processor"]["name"] = "PXA270";
  Apply();
  MemCellSource source;
  EXPECT_EQ(source.Open(), 0);
  EXPECT_EQ(LogTexts()[1], L"mcc 250 mnc 1");
}

TEST_F(MemSourceTest, WithoutHomeCodesNothingIsScanned) {
  profile_.removeMember("sim");
  Apply();
  MemCellSource source;
  EXPECT_EQ(source.Open(), -1);
  EXPECT_FALSE(Logged(L"scanning..."));
}

TEST_F(MemSourceTest, AnInterruptedOrUnbufferedScanFindsNothing) {
  Apply();
  {
    SetFlag(Interrupt);
    MemCellSource source;
    EXPECT_EQ(source.Open(), -1);
    EXPECT_TRUE(Logged(L"scanning..."));
    EXPECT_FALSE(Logged(L"found c0200001"));
    EXPECT_TRUE(Logged(L"WRN: data was not found in memory"));
    ClearFlag(Interrupt);
  }
  {
    DiagnosticLog().Clear();
    kelvane::SetLocalHeapLimit(0x1000);
    MemCellSource source;
    const int result = source.Open();
    kelvane::SetLocalHeapLimit(0);
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(Logged(L"ERR: not enough memory"));
    EXPECT_TRUE(Logged(L"WRN: data was not found in memory"));
  }
  EXPECT_EQ(Config().find("MemPointer"), std::string::npos);
}

TEST_F(MemSourceTest, TheCallersMemoryRightsAreRestoredOnEveryPath) {
  Apply();
  const auto expect_restored = [](BOOL mode, const char* path) {
    EXPECT_EQ(SetKMode(mode), mode) << path;
    EXPECT_EQ(SetProcPermissions(5), 5u) << path;
  };
  for (BOOL mode : {FALSE, TRUE}) {
    SetKMode(mode);
    SetProcPermissions(5);
    MemCellSource found;
    EXPECT_EQ(found.Open(), 0);
    expect_restored(mode, "scan found");
    EXPECT_EQ(found.Open(), 0);
    expect_restored(mode, "stored place");
    EXPECT_EQ(found.Refresh(), 0);  // reads in kernel mode even when called without it
    expect_restored(mode, "refresh");
    SetFlag(Interrupt);
    WriteConfig("");
    MemCellSource interrupted;
    EXPECT_EQ(interrupted.Open(), -1);
    ClearFlag(Interrupt);
    expect_restored(mode, "interrupted");
  }
  SetKMode(FALSE);
}

TEST_F(MemSourceTest, TheHolderFallsBackToTheMemoryScanAndReadsTheStrongestCell) {
  profile_["missingModules"].append("ril.dll");
  Apply();
  SetAppMode(1);
  CellSourceHolder holder;
  ASSERT_EQ(holder.SelectSourceWithFallback(), 0);
  EXPECT_EQ(holder.ActiveMode(), 2);
  EXPECT_EQ(AppMode(), 2u);
  EXPECT_EQ(holder.RefreshCell(), 0);
  EXPECT_EQ(holder.RefreshCell(), -1);
  CellRecord serving;
  holder.Source()->GetCell(0, &serving);
  EXPECT_EQ(serving.cell_id, 40032);
}

}  // namespace
