// Fault rules: their text form, which requests they reach, and the wire
// plans they make of an answer.
#include "faults.h"
#include "wire_plan.h"

#include <gtest/gtest.h>

namespace {

using locserver::FaultPlan;
using locserver::FaultRule;
using locserver::Service;
using locserver::WirePlan;

FaultRule Rule(const std::string& text) {
  FaultRule rule;
  std::string error;
  EXPECT_TRUE(locserver::ParseFaultRule(text, &rule, &error)) << text << ": " << error;
  return rule;
}

TEST(FaultRuleTest, ParsesEveryItemAndDescribesItTheSameWay) {
  const char* const texts[] = {
      "delay=250",     "pause=100,only=google",        "silence,only=yandex+json,times=1",
      "stall",         "unknown-cell,times=3",         "malformed",
      "oversize",      "no-content-length,only=json",  "overrun=2",
  };
  for (const char* text : texts) EXPECT_EQ(locserver::DescribeFaultRule(Rule(text)), text);
  EXPECT_EQ(locserver::DescribeFaultRule(Rule(" delay=5 , , stall ")), "delay=5,stall");
  EXPECT_EQ(locserver::DescribeFaultRule(Rule("")), "");

  const struct {
    const char* text;
    const char* error;
  } bad[] = {
      {"delay", "unknown fault 'delay'"},
      {"silence=1", "unknown fault 'silence=1'"},
      {"delay=-5", "bad value in 'delay=-5'"},
      {"overrun=0", "bad value in 'overrun=0'"},
      {"only=google+bing", "bad value in 'only=google+bing'"},
      {"times=x", "bad value in 'times=x'"},
      {"explode", "unknown fault 'explode'"},
  };
  for (const auto& b : bad) {
    FaultRule rule;
    std::string error;
    EXPECT_FALSE(locserver::ParseFaultRule(b.text, &rule, &error)) << b.text;
    EXPECT_EQ(error, b.error);
  }
}

TEST(FaultRuleTest, ThePlanAppliesTheFirstMatchingRuleAndCountsTimesDown) {
  FaultPlan plan;
  plan.Replace({Rule("silence,only=google,times=2"), Rule("delay=10")});
  EXPECT_TRUE(plan.Take(Service::kBinaryCell).silence);
  EXPECT_EQ(plan.Take(Service::kXmlCell).delay_ms, 10);
  EXPECT_TRUE(plan.Take(Service::kBinaryCell).silence);
  // Used up: the next rule applies.
  const FaultRule after = plan.Take(Service::kBinaryCell);
  EXPECT_FALSE(after.silence);
  EXPECT_EQ(after.delay_ms, 10);
  EXPECT_EQ(plan.Rules().size(), 1u);
  // Control requests and unknown paths are never faulted.
  EXPECT_EQ(plan.Take(Service::kNone).delay_ms, 0);
}

// The byte-level faults are checked on the wire (test_location_server.cpp);
// here what the wire cannot show: step pauses, and which fault wins.
TEST(WirePlanTest, PausesGoBetweenStepsAndSilenceWinsOverStall) {
  const locserver::HttpAnswer answer{200, "text/xml", "0123456789"};
  const std::string response =
      "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 10\r\nConnection: close\r\n\r\n0123456789";
  WirePlan plan = locserver::PlanWire(answer, Service::kXmlCell, Rule("delay=30,pause=40"), true);
  ASSERT_EQ(plan.steps.size(), 2u);
  EXPECT_EQ(plan.steps[0].pause_ms, 30);
  EXPECT_EQ(plan.steps[1].pause_ms, 40);
  EXPECT_EQ(plan.steps[0].bytes, response.substr(0, response.size() / 2));
  EXPECT_EQ(plan.steps[0].bytes + plan.steps[1].bytes, response);
  EXPECT_EQ(plan.after, WirePlan::After::kClose);

  plan = locserver::PlanWire(answer, Service::kXmlCell, Rule("stall,pause=40"), false);
  ASSERT_EQ(plan.steps.size(), 1u);
  EXPECT_EQ(plan.after, WirePlan::After::kHang);

  plan = locserver::PlanWire(answer, Service::kXmlCell, Rule("silence,stall,delay=5"), false);
  EXPECT_TRUE(plan.steps.empty());
  EXPECT_EQ(plan.after, WirePlan::After::kHang);
}

}  // namespace
