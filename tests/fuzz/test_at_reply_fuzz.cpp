// The readers of a modem's answers, on answers real modems give and on
// garbled ones: a figure is taken only whole and in range, and otherwise the
// field keeps its value.
#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "cell/at_reply.h"
#include "support/byte_mutator.h"

namespace kelvane::testing {
namespace {

const int32_t kUntouched = -7;

struct Read {
  int32_t area = kUntouched, cell_id = kUntouched, signal = kUntouched, country = kUntouched, network = kUntouched;
  bool signal_read = false, operator_read = false;
};

Read ReadAll(const std::string& reply) {
  Read r;
  ReadRegistration(reply, &r.area, &r.cell_id);
  r.signal_read = ReadSignal(reply, &r.signal);
  r.operator_read = ReadOperator(reply, &r.country, &r.network);
  return r;
}

TEST(AtReplyTest, AnswersOfRealModems) {
  Read r = ReadAll("AT+CREG?\r\r\n+CREG: 2,1,\"1A2B\",\"0000C3D4\"\r\n\r\nOK\r\n");
  EXPECT_EQ(r.area, 0x1A2B);
  EXPECT_EQ(r.cell_id, 0xC3D4);
  r = ReadAll("\r\n+CREG: 2,1,\"1a2b\",\"0A1B2C3D\"\r\n");
  EXPECT_EQ(r.area, 0x1A2B);
  EXPECT_EQ(r.cell_id, 0x0A1B2C3D);
  // Registration state only, and a cell id beyond the field: untouched.
  r = ReadAll("\r\n+CREG: 2,1\r\n\r\nOK\r\n");
  EXPECT_EQ(r.area, kUntouched);
  EXPECT_EQ(r.cell_id, kUntouched);
  r = ReadAll("+CREG: 2,1,\"1A2B\",\"FFFFFFFF\"");
  EXPECT_EQ(r.area, 0x1A2B);
  EXPECT_EQ(r.cell_id, kUntouched);

  r = ReadAll("\r\n+CSQ: 17,99\r\n\r\nOK\r\n");
  EXPECT_TRUE(r.signal_read);
  EXPECT_EQ(r.signal, 17);
  r = ReadAll("AT+CSQ\r");  // an echo alone
  EXPECT_FALSE(r.signal_read);
  EXPECT_EQ(r.signal, kUntouched);

  r = ReadAll(
      "\r\n+COPS: (2,\"MegaFon\",\"MegaFon\",\"25002\"),(3,\"Beeline\",\"Beeline\",\"25099\"),,(0-4),(0-2)\r\n");
  EXPECT_TRUE(r.operator_read);
  EXPECT_EQ(r.country, 250);
  EXPECT_EQ(r.network, 2);
  // Three digits of country code and at most seven of network code.
  r = ReadAll("+COPS: (2,\"A\",\"B\",\"31026001234567890\")");
  EXPECT_EQ(r.country, 310);
  EXPECT_EQ(r.network, 2600123);
  // No fourth piece: nothing to read, no failure; an empty code: failure.
  r = ReadAll("\r\n+COPS: 0\r\n\r\nOK\r\n");
  EXPECT_TRUE(r.operator_read);
  EXPECT_EQ(r.country, kUntouched);
  r = ReadAll("+COPS: (2,\"A\",\"B\",\"\"");
  EXPECT_FALSE(r.operator_read);
  EXPECT_EQ(r.country, kUntouched);
}

TEST(AtReplyFuzzTest, GarbledAnswersYieldOnlyWholeFiguresInRange) {
  ByteMutator mutator(16,
                      {"AT+CREG?\r\r\n+CREG: 2,1,\"1A2B\",\"0000C3D4\"\r\n\r\nOK\r\n", "\r\n+CSQ: 17,99\r\n\r\nOK\r\n",
                       "\r\n+COPS: (2,\"Operator "
                       "25001\",\"Op25001\",\"25001\"),(1,\"x\",\"y\",\"25002\"),,(0,1,2,3,4),(0,1,2)\r\n\r\nOK\r\n"},
                      std::string(kTextAlphabet) + "\"(),:+ABCDEFabcdef");
  for (int round = 0; round < 20000; ++round) {
    const std::string reply = mutator.Next();
    SCOPED_TRACE(::testing::Message() << "round " << mutator.round());
    const Read r = ReadAll(reply);
    for (int32_t value : {r.area, r.cell_id, r.signal}) EXPECT_TRUE(value == kUntouched || value >= 0);
    EXPECT_EQ(r.signal_read, r.signal != kUntouched);
    // Both codes or neither, each within its digits.
    EXPECT_EQ(r.country == kUntouched, r.network == kUntouched);
    if (r.country != kUntouched) {
      EXPECT_GE(r.country, 0);
      EXPECT_LE(r.country, 999);
      EXPECT_GE(r.network, 0);
      EXPECT_LE(r.network, 9999999);
    }
    if (!r.operator_read) {
      EXPECT_EQ(r.country, kUntouched);
    }
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace kelvane::testing
