// Garbled responses played by a peer on loopback: the exchange takes an
// answer only when it is framed exactly by its Content-Length and fits the
// buffer, hands out exactly that body, and names every refusal in the log.
#include <windows.h>

#include <mutex>
#include <string>

#include "lookup/http_exchange.h"
#include "lookup_fixture.h"
#include "scripted_peer.h"
#include "settings/message_list.h"
#include "support/byte_mutator.h"

namespace kelvane::testing {
namespace {

class HttpResponseFuzzTest : public LookupTest {
 protected:
  void SetUp() override {
    LookupTest::SetUp();
    // Most garbled answers end in the silence limit: let it pass quickly
    // (the test waits for each answer to be delivered before it is judged).
    Json::Value profile;
    profile["timeScale"] = 1000;
    WriteProfile(profile);
  }

  bool LogHasError() {
    for (const std::wstring& line : LogLines())
      if (line.rfind(L"ERR: ", 0) == 0) return true;
    return false;
  }
};

bool PlainNumber(std::string text, DWORD* value) {
  const size_t first = text.find_first_not_of(" \t");
  const size_t last = text.find_last_not_of(" \t");
  if (first == std::string::npos) return false;
  text = text.substr(first, last - first + 1);
  if (text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long long number = std::stoull(text);
  if (number > 0xFFFFFFFFull) return false;
  *value = static_cast<DWORD>(number);
  return true;
}

// Whether the whole answer is one the exchange must take: the first
// Content-Length value is a plain number and the body after the blank line
// has exactly that length, all below the response limit.
bool ExactlyFramed(const std::string& answer, size_t* body_at) {
  const size_t header_end = answer.find("\r\n\r\n");
  const size_t name = answer.find("Content-Length:");
  if (header_end == std::string::npos || name == std::string::npos || answer.size() >= kResponseLimit) return false;
  const size_t value_end = answer.find("\r\n", name + 15);
  DWORD length = 0;
  if (value_end == std::string::npos || !PlainNumber(answer.substr(name + 15, value_end - name - 15), &length))
    return false;
  *body_at = header_end + 4;
  return header_end + 4 + length == answer.size();
}

TEST_F(HttpResponseFuzzTest, OnlyExactlyFramedAnswersAreTaken) {
  std::mutex lock;
  std::string answer;
  ScriptedPeer peer([&](const std::string&) {
    std::lock_guard<std::mutex> guard(lock);
    return PeerScript{{answer}, 0};
  });
  UseProxy(peer.port());

  ByteMutator mutator(10001,
                      {HttpAnswer("ok"), HttpAnswer(GoogleBody(0, 55755831, 37617673, 1200)),
                       "HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n",
                       "HTTP/1.1 200 OK\r\nServer: x\r\nContent-Length:  3 \r\nConnection: close\r\n\r\nabc",
                       HttpAnswer(std::string(4000, 'b'))},
                      "\r\n: 0123456789Content-Length", MutatorOptions{4, 64, 10, 4200});
  int taken = 0;
  for (int round = 0; round < 250; ++round) {
    {
      std::lock_guard<std::mutex> guard(lock);
      answer = mutator.Next();
    }
    DiagnosticLog().Clear();
    HttpExchange exchange;
    ASSERT_TRUE(exchange.OpenConnection("svc.example"));
    ASSERT_TRUE(exchange.SendRequestLine("GET", "svc.example", "/x") && exchange.SendText("\r\n", 0));
    // The whole answer is in before the exchange looks: the silence limit,
    // a few host milliseconds at this scale, then only ends answers that are
    // not complete, however late the host runs the peer.
    ASSERT_TRUE(peer.WaitDelivered(static_cast<size_t>(round) + 1)) << "round " << mutator.round();
    const int result = exchange.ReceiveResponse();

    size_t body_at = 0;
    const bool framed = ExactlyFramed(answer, &body_at);
    ASSERT_EQ(result, framed ? 1 : 0) << "round " << mutator.round() << ":\n" << answer.substr(0, 200);
    if (result) {
      ASSERT_EQ(std::string(exchange.Body(), exchange.ContentLength()), answer.substr(body_at));
      ASSERT_EQ(exchange.Body()[exchange.ContentLength()], '\0');
      ++taken;
    } else {
      ASSERT_TRUE(LogHasError()) << "round " << mutator.round();
    }
  }
  EXPECT_GT(taken, 10) << "the run must reach the taking path too";
}

}  // namespace
}  // namespace kelvane::testing
