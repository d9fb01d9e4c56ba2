// Marrowin loaded as the installer loads it, on a device whose message boxes
// the profile answers: what each entry point shows, returns and asks of the
// device.
#include "support/device_fixture.h"
#include "support/screen_dump.h"

#include <windows.h>
#include <ce_setup.h>
#include <pkfuncs.h>

namespace {

using kelvane::testing::DeviceTest;
using kelvane::testing::ReadScreenDump;
using kelvane::testing::ScreenDump;

const WCHAR kInstallDir[] = L"\\Program Files\\Kelvane";
const WCHAR kParentClass[] = L"MarrowinTestParent";
const DWORD kSentinel = 0xDEADBEEF;

class MarrowinTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    module_ = LoadLibraryW(L"Marrowin.dll");
    ASSERT_NE(module_, nullptr) << GetLastError();
    install_init_ = reinterpret_cast<pfnINSTALL_INIT>(GetProcAddressW(module_, szINSTALL_INIT));
    install_exit_ = reinterpret_cast<pfnINSTALL_EXIT>(GetProcAddressW(module_, szINSTALL_EXIT));
    uninstall_init_ = reinterpret_cast<pfnUNINSTALL_INIT>(GetProcAddressW(module_, szUNINSTALL_INIT));
    uninstall_exit_ = reinterpret_cast<pfnUNINSTALL_EXIT>(GetProcAddressW(module_, szUNINSTALL_EXIT));
    ASSERT_TRUE(install_init_ && install_exit_ && uninstall_init_ && uninstall_exit_);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = kParentClass;
    RegisterClassW(&wc);
    parent_ = CreateWindowW(kParentClass, L"Installer", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
    UnregisterClassW(kParentClass, nullptr);
    if (module_) FreeLibrary(module_);
    DeviceTest::TearDown();
  }
  void AnswerBoxesWith(const char* answer, bool reboot_fails = false) {
    Json::Value profile;
    profile["messageBoxAnswer"] = answer;
    profile["rebootFails"] = reboot_fails;
    profile["timeScale"] = 20;
    WriteProfile(profile);
  }
  std::vector<ScreenDump::Box> Boxes() {
    ScreenDump dump;
    return ReadScreenDump(root(), &dump) ? dump.message_boxes : std::vector<ScreenDump::Box>{};
  }
  codeINSTALL_EXIT InstallExit(WORD failed_files = 0) {
    return install_exit_(parent_, kInstallDir, 0, failed_files, 0, 0, 0);
  }

  HMODULE module_ = nullptr;
  HWND parent_ = nullptr;
  pfnINSTALL_INIT install_init_ = nullptr;
  pfnINSTALL_EXIT install_exit_ = nullptr;
  pfnUNINSTALL_INIT uninstall_init_ = nullptr;
  pfnUNINSTALL_EXIT uninstall_exit_ = nullptr;
};

void ExpectTheRebootQuestion(const ScreenDump::Box& box, int answer) {
  EXPECT_EQ(box.text, L"Before using Kelvane, device must be rebooted.\nDo you want to reboot it now?");
  EXPECT_EQ(box.caption, L"Installation");
  EXPECT_EQ(box.type, 0x24u);
  EXPECT_EQ(box.answer, answer);
}

TEST_F(MarrowinTest, InitAndRemovalAreOneFunctionThatShowsNothingAndNeverReboots) {
  AnswerBoxesWith("IDYES");
  EXPECT_EQ(reinterpret_cast<void*>(install_init_), reinterpret_cast<void*>(uninstall_init_));
  EXPECT_EQ(reinterpret_cast<void*>(install_init_), reinterpret_cast<void*>(uninstall_exit_));
  const std::string clock = ReadHostFile("clock");
  EXPECT_EQ(install_init_(parent_, TRUE, FALSE, kInstallDir), codeINSTALL_INIT_CONTINUE);
  EXPECT_EQ(install_init_(parent_, TRUE, TRUE, kInstallDir), codeINSTALL_INIT_CONTINUE);
  EXPECT_EQ(uninstall_init_(parent_, kInstallDir), codeUNINSTALL_INIT_CONTINUE);
  EXPECT_EQ(uninstall_exit_(parent_), codeUNINSTALL_EXIT_DONE);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(ReadHostFile("clock"), clock);
}

// A program running meanwhile is the installer tests' (its own painting
// would replace this process's box in the dump).
TEST_F(MarrowinTest, NoReturnsZeroAndLeavesTheDeviceRunning) {
  AnswerBoxesWith("IDNO");
  const std::string clock = ReadHostFile("clock");
  EXPECT_EQ(InstallExit(), codeINSTALL_EXIT_DONE);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  ExpectTheRebootQuestion(boxes[0], IDNO);
  EXPECT_EQ(ReadHostFile("clock"), clock);
  EXPECT_TRUE(IsWindow(parent_));
}

// The question comes after every installation, complete or not; a device
// that cannot restart leaves the installation ended normally.
TEST_F(MarrowinTest, YesOnADeviceThatRefusesToRestartEndsTheInstallationNormally) {
  AnswerBoxesWith("IDYES", true);
  const std::string clock = ReadHostFile("clock");
  EXPECT_EQ(InstallExit(3), codeINSTALL_EXIT_DONE);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  ExpectTheRebootQuestion(boxes[0], IDYES);
  EXPECT_EQ(ReadHostFile("clock"), clock);
}

// The refused restart as the hardware layer refuses it, after a stale last error.
TEST_F(MarrowinTest, ARefusedRestartFailsWithNotSupported) {
  AnswerBoxesWith("IDNO", true);
  SetLastError(kSentinel);
  EXPECT_FALSE(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

}  // namespace
