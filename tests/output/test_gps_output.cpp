// The GPS Intermediate Driver output: registration, the driver file, and the
// registry as it was before once the object is gone.
#include "support/device_fixture.h"
#include "support/registry_text.h"

#include <windows.h>

#include <new>

#include "output/gps_output.h"
#include "output/virtual_port.h"
#include "settings/message_list.h"

namespace {

using kelvane::testing::DeviceTest;
using kelvane::testing::RegistryText;
using kelvane::testing::SetRegistryText;

const WCHAR kDrivers[] = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers";
const WCHAR kProgramDriver[] = L"System\\CurrentControlSet\\GPS Intermediate Driver\\Drivers\\Kelvane";

// The device's GPS Intermediate Driver has its Drivers key, with or without
// a current driver.
class GpsOutputTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDrivers, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void SetCurrentDriver(const WCHAR* name) { ASSERT_TRUE(SetRegistryText(kDrivers, L"CurrentDriver", name)); }
  static std::wstring ReadText(const WCHAR* path, const WCHAR* value) { return RegistryText(path, value); }
  static bool KeyExists(const WCHAR* path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
};

TEST_F(GpsOutputTest, ThePreviousDriverIsBackAndTheProgramKeysAreGoneAfterwards) {
  SetCurrentDriver(L"GPSOne");
  {
    GpsOutput output;
    ASSERT_EQ(output.RegisterDriverFile(L"\\windows\\gpsfile.dat"), 0);
    EXPECT_EQ(ReadText(kDrivers, L"CurrentDriver"), L"Kelvane");
    EXPECT_EQ(ReadText(kProgramDriver, L"File1"), L"\\windows\\gpsfile.dat");
    EXPECT_EQ(ReadText(kProgramDriver, L"FriendlyName"), L"Kelvane device");
    EXPECT_EQ(ReadText(kProgramDriver, L"InterfaceType"), L"File");
    HKEY ports;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Drivers\\KelvanePorts\\5", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &ports, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(ports);
  }
  EXPECT_EQ(ReadText(kDrivers, L"CurrentDriver"), L"GPSOne");
  EXPECT_FALSE(KeyExists(kProgramDriver));
  EXPECT_FALSE(KeyExists(L"Drivers\\KelvanePorts"));
}

TEST_F(GpsOutputTest, WithoutAPreviousDriverTheCurrentDriverStaysKelvane) {
  {
    GpsOutput output;
    ASSERT_EQ(output.RegisterDriverFile(L"\\windows\\gpsfile.dat"), 0);
  }
  EXPECT_EQ(ReadText(kDrivers, L"CurrentDriver"), L"Kelvane");
  EXPECT_FALSE(KeyExists(kProgramDriver));
}

TEST_F(GpsOutputTest, AProcessThatRegisteredNothingRemovesAndRestoresNothing) {
  SetCurrentDriver(L"GPSOne");
  GpsOutput running;
  running.TakeOverRegistration();
  ASSERT_EQ(running.RegisterDriverFile(L"\\windows\\gpsfile.dat"), 0);
  HKEY ports;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Drivers\\KelvanePorts\\5", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &ports, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(ports);
  { GpsOutput second_start; }  // a second start ends at once
  EXPECT_EQ(ReadText(kDrivers, L"CurrentDriver"), L"Kelvane");
  EXPECT_EQ(ReadText(kProgramDriver, L"File1"), L"\\windows\\gpsfile.dat");
  EXPECT_TRUE(KeyExists(L"Drivers\\KelvanePorts\\5"));
}

TEST_F(GpsOutputTest, AKilledRunsPreviousDriverIsRestoredByTheNextCleanRun) {
  // A run killed while it ran: its destructor never runs.
  SetCurrentDriver(L"GPSOne");
  alignas(GpsOutput) static unsigned char killed_storage[sizeof(GpsOutput)];
  GpsOutput* killed = new (killed_storage) GpsOutput;
  killed->TakeOverRegistration();
  ASSERT_EQ(killed->RegisterDriverFile(L"\\windows\\gpsfile.dat"), 0);
  ASSERT_EQ(killed->WriteDriverFile(Position{55.75f, 37.61f, 550}), 0);
  ASSERT_EQ(RegisterPortDriver(5), 0);
  ASSERT_EQ(ReadText(kDrivers, L"CurrentDriver"), L"Kelvane");
  ASSERT_TRUE(KeyExists(kProgramDriver));

  for (int clean_run = 0; clean_run < 2; ++clean_run) {
    GpsOutput output;
    output.TakeOverRegistration();
    // The killed run's stale fix is gone before anything is registered.
    EXPECT_FALSE(std::filesystem::exists(root() / "windows/gpsfile.dat")) << clean_run;
    EXPECT_FALSE(KeyExists(kProgramDriver)) << clean_run;
    EXPECT_FALSE(KeyExists(L"Drivers\\KelvanePorts")) << clean_run;
    ASSERT_EQ(output.RegisterDriverFile(L"\\windows\\gpsfile.dat"), 0);
  }
  EXPECT_EQ(ReadText(kDrivers, L"CurrentDriver"), L"GPSOne");
  EXPECT_FALSE(KeyExists(kProgramDriver));
}

TEST_F(GpsOutputTest, TheFileHoldsTheLatestBurstOrNothing) {
  GpsOutput output;
  EXPECT_EQ(output.WriteDriverFile(Position{55.75f, 37.61f, 550}), -1);  // not registered yet
  ASSERT_EQ(output.RegisterDriverFile(L"\\windows\\gpsfile.dat"), 0);
  ASSERT_EQ(output.WriteDriverFile(Position{55.75f, 37.61f, 550}), 0);
  const std::string burst = ReadHostFile("windows/gpsfile.dat");
  EXPECT_EQ(std::count(burst.begin(), burst.end(), '\n'), 6);
  output.ClearDriverFile();
  EXPECT_TRUE(std::filesystem::exists(root() / "windows/gpsfile.dat"));
  EXPECT_EQ(std::filesystem::file_size(root() / "windows/gpsfile.dat"), 0u);
  const auto lines = DiagnosticLog().Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(std::prev(lines.end(), 2)->text, L"create gps file");
  EXPECT_EQ(lines.back().text, L"clearing gps file");
}

TEST_F(GpsOutputTest, ARegistryThatRefusesWritesLeavesTheObjectInactive) {
  Json::Value profile;
  profile["registry"]["refuseWrites"] = true;
  WriteProfile(profile);
  GpsOutput output;
  EXPECT_EQ(output.RegisterDriverFile(L"\\windows\\gpsfile.dat"), -1);
  EXPECT_TRUE(output.driver_file_path.empty());
  EXPECT_EQ(DiagnosticLog().Lines().back().text, L"ERR: GPS driver, Can't access to registry");
  EXPECT_EQ(output.WriteDriverFile(Position{1.0f, 2.0f, 3}), -1);
}

}  // namespace
