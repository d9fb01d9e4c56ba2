// A self-signed certificate for 127.0.0.1, made by the openssl command in a
// folder of the test's, so TLS tests need no files of their own.
#ifndef KELVANE_TESTS_SUPPORT_TEST_CERTIFICATE_H
#define KELVANE_TESTS_SUPPORT_TEST_CERTIFICATE_H

#include <filesystem>

namespace kelvane::testing {

struct TestCertificate {
  std::filesystem::path certificate, key;  // PEM
};

// False when openssl could not make it.
bool MakeTestCertificate(const std::filesystem::path& folder, TestCertificate* made);

}  // namespace kelvane::testing

#endif
