// config.ini: scanning, reading with defaults, and rewrites that keep the file.
#include "support/device_fixture.h"

#include <windows.h>

#include <fstream>

#include "settings/config_file.h"
#include "settings/config_line.h"
#include "settings/message_list.h"
#include "settings/settings.h"

namespace {

using kelvane::testing::DeviceTest;

TEST(ConfigLineTest, ScansKeysAndValuesAsTheProgramReadsThem) {
  struct Case {
    const wchar_t* line;
    bool has_key;
    const wchar_t* key;
    bool has_number;
    DWORD number;
  } cases[] = {
      {L"GpsTimeOut=500\n", true, L"GpsTimeOut", true, 500},
      {L"Mode = 2\n", true, L"Mode ", true, 2},  // the blank belongs to the key
      {L" Mode=1\n", true, L" Mode", true, 1},   // so does an indentation
      {L"TowerTimeOut=abc\n", true, L"TowerTimeOut", false, 0},
      {L"Mode=3\r\n", true, L"Mode", true, 3},  // a carriage return is harmless
      {L"Mode'x=3\n", true, L"Mode", false, 0},  // the key stops at an apostrophe
      {L"=5\n", false, L"", false, 0},
      {L"Mode=4294967296\n", true, L"Mode", true, 0xFFFFFFFFu},
      {L"Mode=-1\n", true, L"Mode", true, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    const ScannedConfigLine scanned = ScanNumberLine(c.line);
    EXPECT_EQ(scanned.has_key, c.has_key) << c.line;
    if (c.has_key) {
      EXPECT_EQ(scanned.key, c.key) << c.line;
    }
    EXPECT_EQ(scanned.has_value, c.has_number) << c.line;
    if (c.has_number) {
      EXPECT_EQ(scanned.number, c.number) << c.line;
    }
  }
  EXPECT_EQ(ScanTextLine(L"ProxyIP=10.0.0.1 extra\n").text, L"10.0.0.1");
  EXPECT_EQ(ScanTextLine(L"ModemPort=  BTC1:\r\n").text, L"BTC1:");
}

TEST(ConfigLineTest, OverlongKeysAndValuesMatchNothing) {
  const std::wstring key63(63, L'k'), key64(64, L'k');
  EXPECT_TRUE(ScanNumberLine(key63 + L"=1").has_key);
  EXPECT_FALSE(ScanNumberLine(key64 + L"=1").has_key);
  const std::wstring value63(63, L'v'), value64(64, L'v');
  EXPECT_TRUE(ScanTextLine(L"Port=" + value63).has_value);
  const ScannedConfigLine long_value = ScanTextLine(L"Port=" + value64);
  EXPECT_TRUE(long_value.has_key);
  EXPECT_FALSE(long_value.has_value);
}

class ConfigFileTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    InitializeCriticalSection(&lock_);
  }
  void TearDown() override {
    DeleteCriticalSection(&lock_);
    DeviceTest::TearDown();
  }
  void WriteConfig(const std::string& text) { std::ofstream(host_path(), std::ios::binary) << text; }
  std::string ReadConfig() { return ReadHostFile("Program Files/Kelvane/config.ini"); }
  std::filesystem::path host_path() { return root() / "Program Files/Kelvane/config.ini"; }
  ConfigFile config() { return ConfigFile(kPath, &lock_); }

  static constexpr const wchar_t* kPath = L"\\Program Files\\Kelvane\\config.ini";
  CRITICAL_SECTION lock_;
};

TEST_F(ConfigFileTest, MissingFileGivesDefaultsAndTheFirstWriteCreatesIt) {
  EXPECT_EQ(config().ReadNumber(L"GpsTimeOut", 2000), 2000u);
  WCHAR text[64] = L"untouched";
  EXPECT_FALSE(config().ReadText(L"ProxyIP", text));
  EXPECT_STREQ(text, L"untouched");
  ASSERT_TRUE(config().WriteNumber(L"Mode", 1));
  ASSERT_TRUE(config().WriteNumber(L"WiFiOn", 1));
  EXPECT_EQ(ReadConfig(), "Mode=1\nWiFiOn=1\n");
}

TEST_F(ConfigFileTest, ReadsTakeTheFirstMatchingLineOnly) {
  WriteConfig("# comment\nGpsTimeOut=500\nTowerTimeOut=abc\nTowerTimeOut=9000\nMode = 2\nProxyIP=10.0.0.1 extra\n");
  EXPECT_EQ(config().ReadNumber(L"GpsTimeOut", 2000), 500u);
  EXPECT_EQ(config().ReadNumber(L"TowerTimeOut", 7000), 7000u);  // later lines are not consulted
  EXPECT_EQ(config().ReadNumber(L"Mode", 1), 1u);
  WCHAR text[64];
  ASSERT_TRUE(config().ReadText(L"ProxyIP", text));
  EXPECT_STREQ(text, L"10.0.0.1");
}

TEST_F(ConfigFileTest, RewritesKeepOrderAndEveryOtherLine) {
  WriteConfig("WiFiOn=1\nMode=1\nProxyIP=10.0.0.1\n");
  ASSERT_TRUE(config().WriteNumber(L"Mode", 3));
  EXPECT_EQ(ReadConfig(), "WiFiOn=1\nMode=3\nProxyIP=10.0.0.1\n");

  WriteConfig("ProxyPort=3128\nModemPort=COM5:\n");
  ASSERT_TRUE(config().WriteText(L"Port", L"COM8"));
  EXPECT_EQ(ReadConfig(), "ProxyPort=3128\nModemPort=COM5:\nPort=COM8\n");
  EXPECT_FALSE(std::filesystem::exists(host_path().string() + ".new"));
}

TEST_F(ConfigFileTest, OverlongAndForeignLinesSurviveRewritesUnchanged) {
  const std::string long_key(80, 'K');
  const std::string long_value(80, 'v');
  const std::string original = "; notes \xe9t\xe9\n" + long_key + "=1\nPort=" + long_value + "\nMode=2\nlast line";
  WriteConfig(original);
  EXPECT_EQ(config().ReadNumber(L"Mode", 1), 2u);
  WCHAR text[64] = L"untouched";
  EXPECT_FALSE(config().ReadText(L"Port", text));  // a 80-character value matches nothing
  EXPECT_STREQ(text, L"untouched");
  ASSERT_TRUE(config().WriteNumber(L"Mode", 3));
  EXPECT_EQ(ReadConfig(), "; notes \xe9t\xe9\n" + long_key + "=1\nPort=" + long_value + "\nMode=3\nlast line\n");
}

TEST_F(ConfigFileTest, LinesEndedByCarriageReturnsKeepThemThroughRewrites) {
  WriteConfig("; edited elsewhere\r\nWiFiOn=0\r\nMode=5\r\nProxyIP=10.0.0.1\r\n");
  EXPECT_EQ(config().ReadNumber(L"WiFiOn", 1), 0u);
  WCHAR text[64] = {};
  ASSERT_TRUE(config().ReadText(L"ProxyIP", text));
  EXPECT_STREQ(text, L"10.0.0.1");
  ASSERT_TRUE(config().WriteNumber(L"Mode", 3));
  EXPECT_EQ(ReadConfig(), "; edited elsewhere\r\nWiFiOn=0\r\nMode=3\nProxyIP=10.0.0.1\r\n");
}

TEST_F(ConfigFileTest, AFileThatCannotBeWrittenIsLeftAsItWas) {
  WriteConfig("Mode=1\n");
  // A directory where the temporary copy would go makes the write fail.
  std::filesystem::create_directory(host_path().string() + ".new");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(config().WriteNumber(L"Mode", 3));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("Error: can not create file \\Program Files\\Kelvane\\config.ini"), std::string::npos);
  EXPECT_EQ(ReadConfig(), "Mode=1\n");
}

TEST_F(ConfigFileTest, AFileThatCannotBeReadIsNotReplacedByOneLine) {
  Json::Value profile;
  profile["unreadableFiles"].append("\\Program Files\\Kelvane\\config.ini");
  WriteProfile(profile);
  WriteConfig("WiFiOn=0\nMode=1\nProxyIP=10.0.0.1\n");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(config().WriteNumber(L"Mode", 3));
  EXPECT_FALSE(config().WriteText(L"Port", L"COM8"));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("Error: can not open file \\Program Files\\Kelvane\\config.ini"), std::string::npos);
  EXPECT_EQ(ReadConfig(), "WiFiOn=0\nMode=1\nProxyIP=10.0.0.1\n");
}

TEST_F(ConfigFileTest, AByteOrderMarkHidesNoKeyAndSurvivesRewrites) {
  WriteConfig("\xEF\xBB\xBFMode=2\nWiFiOn=0\n");
  EXPECT_EQ(config().ReadNumber(L"Mode", 1), 2u);
  ASSERT_TRUE(config().WriteNumber(L"Mode", 3));
  EXPECT_EQ(ReadConfig(), "\xEF\xBB\xBFMode=3\nWiFiOn=0\n");
}

TEST_F(ConfigFileTest, PeriodsOutsideTheirRangeAreBroughtBackWithOneWarningEach) {
  WriteConfig("GpsTimeOut=0\nTowerTimeOut=-5\nSyncTimeOut=100000000\n");
  Settings settings;
  settings.Load(&lock_);
  EXPECT_EQ(settings.output_period, 100u);    // 0 would spin the output loop
  EXPECT_EQ(settings.tower_period, 7000u);    // a minus sign: the default
  EXPECT_EQ(settings.sync_period, 86400000u);  // at most one day
  std::vector<std::wstring> warnings;
  for (const MessageLine& line : DiagnosticLog().Lines())
    if (line.text.rfind(L"WRN: ", 0) == 0) warnings.push_back(line.text);
  const std::vector<std::wstring> expected = {
      L"WRN: TowerTimeOut=-5 is out of range, 7000 used",
      L"WRN: GpsTimeOut=0 is out of range, 100 used",
      L"WRN: SyncTimeOut=100000000 is out of range, 86400000 used",
  };
  EXPECT_EQ(warnings, expected);
}

}  // namespace
