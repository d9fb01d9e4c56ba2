// The services' answers garbled, with any length claim: each reader gives 0
// with a position on the globe or one of its failure codes, and reads no
// byte beyond the length it is given.
#include <windows.h>

#include <math.h>
#include <string.h>

#include <memory>
#include <string>

#include "lookup/extract_between.h"
#include "lookup/google_service.h"
#include "lookup/service_position.h"
#include "lookup/yandex_service.h"
#include "lookup_fixture.h"
#include "support/byte_mutator.h"

namespace kelvane::testing {
namespace {

using ServiceAnswerFuzzTest = LookupTest;

// The answer alone in a heap block of exactly its length, so a read past it
// is caught by the address sanitizer.
std::unique_ptr<char[]> Exact(const std::string& bytes) {
  auto block = std::make_unique<char[]>(bytes.size() ? bytes.size() : 1);
  memcpy(block.get(), bytes.data(), bytes.size());
  return block;
}

TEST_F(ServiceAnswerFuzzTest, BinaryAnswerIsAPositionOnTheGlobeOrNoTower) {
  ByteMutator mutator(9001,
                      {GoogleBody(0, 55755831, 37617673, 1200), GoogleBody(0, -90000000, 180000000, 0),
                       GoogleBody(1, 0, 0, 0)},
                      std::string("\x01\x05\x7f\x80\xfa\xff", 6), MutatorOptions{4, 8, 10, 40});
  for (int round = 0; round < 4000; ++round) {
    const std::string body = mutator.Next();
    const auto block = Exact(body);
    Position position{-999.0f, -999.0f, -1};
    const int code = ReadGoogleAnswer(block.get(), static_cast<DWORD>(body.size()), &position);
    ASSERT_TRUE(code == 0 || code == -3) << code;
    if (code == 0) {
      ASSERT_GE(body.size(), 19u);
      ASSERT_TRUE(IsOnGlobe(position.latitude, position.longitude)) << "round " << mutator.round();
    } else {
      ASSERT_EQ(position.latitude, -999.0f) << "failure leaves the position untouched";
    }
  }
}

TEST_F(ServiceAnswerFuzzTest, XmlAnswerIsAPositionOnTheGlobeOrAFailureCode) {
  ByteMutator mutator(9002,
                      {YandexBody("55.755831", "37.617673", "55.7648", "37.6297"),
                       YandexBody("-90", "180", "90.0", "-180.0"), YandexBody("1e3", "nan", "inf", "0x10"),
                       "<error code=\"6\">Not found</error>"},
                      "\"=<>/ .-+e0123456789latitudeon", MutatorOptions{6, 24, 10, 300});
  for (int round = 0; round < 4000; ++round) {
    const std::string body = mutator.Next();
    const auto block = Exact(body);
    Position position{-999.0f, -999.0f, -1};
    const int code = ReadYandexAnswer(block.get(), static_cast<DWORD>(body.size()), &position);
    ASSERT_TRUE(code == 0 || code == -3 || code == -10) << code;
    if (code == 0) {
      ASSERT_TRUE(IsOnGlobe(position.latitude, position.longitude)) << "round " << mutator.round();
      ASSERT_GE(position.accuracy, 0) << "round " << mutator.round();
    } else {
      ASSERT_EQ(position.latitude, -999.0f) << "failure leaves the position untouched";
    }
  }
}

TEST_F(ServiceAnswerFuzzTest, ExtractBetweenStaysInsideTheLengthItIsGiven) {
  ByteMutator mutator(9003, {"HTTP/1.1 200 OK\r\nContent-Length: 42\r\n\r\n", "a=\" 1.5 \"", "<x>4294967295</x>"},
                      "\r\n: <>/\"=x-+. 0123456789", MutatorOptions{6, 16, 10, 120});
  for (int round = 0; round < 6000; ++round) {
    const std::string text = mutator.Next();
    // Any length claim up to the real one: nothing after it may count.
    const size_t length = mutator.Below(text.size() + 1);
    const auto block = Exact(text.substr(0, length));
    const std::string seen = text.substr(0, length);

    DWORD number = 0xABCD;
    if (ExtractBetween(block.get(), length, "Content-Length:", "\r\n", &number)) {
      const size_t start = seen.find("Content-Length:");
      ASSERT_NE(start, std::string::npos);
      const size_t end = seen.find("\r\n", start + 15);
      ASSERT_NE(end, std::string::npos);
      // A plain decimal between the markers, the same number.
      const std::string value = seen.substr(start + 15, end - start - 15);
      ASSERT_EQ(number, std::stoull(value)) << value;
    } else {
      ASSERT_EQ(number, 0xABCDu);
    }
    float real = 0.0f;
    ExtractBetween(block.get(), length, "\"", "\"", &real);
    ExtractBetween(block.get(), length, "<x>", "</x>", &number);
    ASSERT_EQ(FindText(block.get(), length, "\r\n\r\n"), static_cast<long>(seen.find("\r\n\r\n")));
  }
}

}  // namespace
}  // namespace kelvane::testing
