#include "support/test_certificate.h"

#include <cstdlib>

namespace kelvane::testing {

bool MakeTestCertificate(const std::filesystem::path& folder, TestCertificate* made) {
  made->certificate = folder / "upstream-cert.pem";
  made->key = folder / "upstream-key.pem";
  const std::string command =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=127.0.0.1 "
      "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
      made->key.string() + "' -out '" + made->certificate.string() + "' 2>/dev/null";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(made->certificate);
}

}  // namespace kelvane::testing
