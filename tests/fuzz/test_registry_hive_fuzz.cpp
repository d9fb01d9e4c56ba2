// The registry hive's text garbled: every line that does not parse is
// reported and skipped, and what was read is written back in a form that
// reads again to the very same hive, with nothing reported.
#include <string>

#include <gtest/gtest.h>

#include "registry/hive.h"
#include "registry/hive_format.h"
#include "support/byte_mutator.h"

namespace kelvane::testing {
namespace {

const char kHive[] =
    "; Device registry\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\KelvanePorts\\3]\n"
    "\"Dll\"=\"Tavrel.dll\"\n"
    "\"Index\"=dword:00000003\n"
    "\"Blob\"=hex:01,a0,ff\n"
    "@=\"default\"\n"
    "\"Path\"=str(2):\"%windir%\\\\x\"\n"
    "\"Odd\"=hex(7):61,00,00,00\r\n"
    "[HKEY_CURRENT_USER\\Software\\Kelvane]\n"
    "\"Text\"=\"a\\u{e9}\\0\\n\\\"q\\\"\\t\"\n"
    "  \"Empty\"=hex:\n"
    "[HKEY_CLASSES_ROOT]\n";

size_t Reports(const std::string& stderr_text) {
  size_t count = 0;
  for (size_t at = 0; (at = stderr_text.find("the line is skipped", at)) != std::string::npos; ++at) ++count;
  return count;
}

TEST(RegistryHiveFuzzTest, WhatIsReadIsWrittenBackStably) {
  ByteMutator mutator(11001, {kHive}, "[]\\\"@=:,(){}u0123456789abcdefxhexdwordstr;\r\n \t\xc3\xa9\xff");
  size_t reported = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string text = mutator.Next();
    Hive first;
    ::testing::internal::CaptureStderr();
    ParseHive(text, "registry", &first);
    reported += Reports(::testing::internal::GetCapturedStderr());

    const std::string written = FormatHive(first);
    Hive second;
    ::testing::internal::CaptureStderr();
    ParseHive(written, "registry", &second);
    ASSERT_EQ(::testing::internal::GetCapturedStderr(), "") << "round " << mutator.round() << ":\n" << written;
    ASSERT_EQ(FormatHive(second), written) << "round " << mutator.round() << ":\n" << text;
  }
  EXPECT_GT(reported, 100u) << "the run must reach the reporting paths";
}

}  // namespace
}  // namespace kelvane::testing
