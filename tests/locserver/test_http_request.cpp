// The server's request parser: both target forms, framing by Content-Length,
// refusals with their status, and a bounded fuzz run over garbled input.
#include "http_request.h"

#include <gtest/gtest.h>

#include <random>

#include "support/byte_mutator.h"

namespace {

using locserver::ParseHttpRequest;
using locserver::ParseResult;
using State = locserver::ParseResult::State;

const std::string kJsonRequest =
    "POST /loc/json HTTP/1.1\r\nUser-Agent: Mozilla/5.0\r\nHost: www.google.com\r\nContent-Length: 4\r\n"
    "Content-Type: application/json\r\n\r\n{ }\n";

TEST(HttpRequestTest, ReadsOriginAndAbsoluteFormsAndFramesTheBody) {
  ParseResult r = ParseHttpRequest(kJsonRequest + "GET /next");
  ASSERT_EQ(r.state, State::kComplete);
  EXPECT_EQ(r.consumed, kJsonRequest.size());
  EXPECT_EQ(r.request.method, "POST");
  EXPECT_EQ(r.request.path, "/loc/json");
  EXPECT_EQ(r.request.body, "{ }\n");
  ASSERT_NE(r.request.Header("content-type"), nullptr);
  EXPECT_EQ(*r.request.Header("content-type"), "application/json");
  EXPECT_FALSE(r.request.WantsClose());

  const struct {
    const char* target;
    const char* path;
    const char* query;
  } targets[] = {
      {"http://www.google.com/glm/mmap", "/glm/mmap", ""},
      {"HTTP://yandex.example:8080/cellid_location/?&cellid=1&lac=2", "/cellid_location/", "&cellid=1&lac=2"},
      {"http://host.example?x=1", "/", "x=1"},
      {"http://host.example", "/", ""},
      {"/cellid_location/?&cellid=40031", "/cellid_location/", "&cellid=40031"},
  };
  for (const auto& t : targets) {
    r = ParseHttpRequest(std::string("GET ") + t.target + " HTTP/1.0\r\n\r\n");
    ASSERT_EQ(r.state, State::kComplete) << t.target << ": " << r.reason;
    EXPECT_EQ(r.request.path, t.path) << t.target;
    EXPECT_EQ(r.request.query, t.query) << t.target;
    EXPECT_TRUE(r.request.WantsClose()) << "HTTP/1.0 without keep-alive";
  }
}

TEST(HttpRequestTest, EveryPrefixOfARequestIsIncomplete) {
  for (size_t n = 0; n < kJsonRequest.size(); ++n)
    ASSERT_EQ(ParseHttpRequest(kJsonRequest.substr(0, n)).state, State::kIncomplete) << n;
  // Empty lines between requests on one connection are read past.
  EXPECT_EQ(ParseHttpRequest("\r\n\r\n" + kJsonRequest).state, State::kComplete);
}

TEST(HttpRequestTest, RefusesWhatCanNeverBeARequestWithItsStatus) {
  const struct {
    std::string bytes;
    int status;
  } cases[] = {
      {"GET /x\r\n\r\n", 400},
      {"GET  /x HTTP/1.1\r\n\r\n", 400},
      {"G(T /x HTTP/1.1\r\n\r\n", 400},
      {"GET x HTTP/1.1\r\n\r\n", 400},
      {"GET http:///x HTTP/1.1\r\n\r\n", 400},
      {"GET /x HTTP/2.0\r\n\r\n", 505},
      {"GET /x HTTP/1.1x\r\n\r\n", 400},
      {"GET /x HTTP/1.1\r\nHost : a\r\n\r\n", 400},
      {"GET /x HTTP/1.1\r\nNoColon\r\n\r\n", 400},
      {"GET /x HTTP/1.1\r\nA: b\r\n folded\r\n\r\n", 400},
      {"GET /x HTTP/1.1\r\nA: b\rc\r\n\r\n", 400},
      {std::string("GET /x HTTP/1.1\r\nA: \0\r\n\r\n", 24), 400},
      {"POST /x HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
      {"POST /x HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc", 400},
      {"POST /x HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n", 413},
      {"POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 501},
      {"GET /x HTTP/1.1\r\nA: " + std::string(locserver::kMaxHeadBytes, 'a'), 431},
  };
  for (const auto& c : cases) {
    const ParseResult r = ParseHttpRequest(c.bytes);
    EXPECT_EQ(r.state, State::kInvalid) << c.bytes.substr(0, 60);
    EXPECT_EQ(r.status, c.status) << c.bytes.substr(0, 60);
    EXPECT_FALSE(r.reason.empty());
  }
  // The same value twice is one length.
  const ParseResult twice = ParseHttpRequest("POST /x HTTP/1.1\r\nContent-Length: 3\r\ncontent-length: 3\r\n\r\nabc");
  EXPECT_EQ(twice.state, State::kComplete);
}

// Checks the parser's promises on one input: a decided prefix stays decided
// the same way, and a complete request is framed inside the input.
void CheckConsistent(const std::string& input, std::mt19937& random) {
  const ParseResult whole = ParseHttpRequest(input);
  if (whole.state == State::kComplete) {
    ASSERT_LE(whole.consumed, input.size());
    ASSERT_EQ(whole.request.path[0], '/');
    const std::string* length = whole.request.Header("Content-Length");
    ASSERT_EQ(whole.request.body.size(), length ? std::stoul(*length) : 0u);
  } else if (whole.state == State::kInvalid) {
    ASSERT_GE(whole.status, 400);
  }
  for (int i = 0; i < 4; ++i) {
    const size_t cut = input.empty() ? 0 : random() % (input.size() + 1);
    const ParseResult prefix = ParseHttpRequest(std::string_view(input).substr(0, cut));
    if (prefix.state == State::kIncomplete) continue;
    ASSERT_EQ(prefix.state, whole.state) << "prefix of " << cut << " bytes of:\n" << input;
    ASSERT_EQ(prefix.consumed, whole.consumed);
    ASSERT_EQ(prefix.status, whole.status);
  }
}

TEST(HttpRequestTest, FuzzedInputNeverBreaksTheParsersPromises) {
  kelvane::testing::ByteMutator mutator(
      20240611,
      {kJsonRequest,
       "GET http://yandex.example/cellid_location/?&cellid=40031&operatorid=1&countrycode=250&lac=7712 "
       "HTTP/1.1\r\nUser-Agent: Mozilla/5.0\r\nHost: yandex.example\r\n\r\n",
       std::string("POST /glm/mmap HTTP/1.1\r\nContent-Length: 5\r\n\r\n\x00\x0e\x00\x00\x1b", 51)},
      "\r\n: /?&=HTTP1.0GETPOSTContent-Length\x7f\xff\t0123456789");
  for (int round = 0; round < 20000; ++round) {
    CheckConsistent(mutator.Next(), mutator.random());
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace
