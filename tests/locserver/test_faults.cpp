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

FaultRule Rule(const std::string& spec) {
  FaultRule rule;
  std::string error;
  EXPECT_TRUE(locserver::ParseFaultRule(spec, &rule, &error)) << spec << ": " << error;
  return rule;
}

TEST(FaultRuleTest, ParsesEveryItemAndDescribesItTheSameWay) {
  const char* const specs[] = {
      "delay=250",     "pause=100,only=google",        "silence,only=yandex+json,times=1",
      "stall",         "unknown-cell,times=3",         "malformed",
      "oversize",      "no-content-length,only=json",  "overrun=2",
  };
  for (const char* spec : specs) EXPECT_EQ(locserver::DescribeFaultRule(Rule(spec)), spec);
  EXPECT_EQ(locserver::DescribeFaultRule(Rule(" delay=5 , , stall ")), "delay=5,stall");
  EXPECT_EQ(locserver::DescribeFaultRule(Rule("")), "");

  const struct {
    const char* spec;
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
    EXPECT_FALSE(locserver::ParseFaultRule(b.spec, &rule, &error)) << b.spec;
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

std::string AllBytes(const WirePlan& plan) {
  std::string out;
  for (const auto& step : plan.steps) out += step.bytes;
  return out;
}

TEST(WirePlanTest, ShapesTheResponseBytesAsEachFaultSays) {
  const locserver::HttpAnswer answer{200, "text/xml", "0123456789"};
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 10\r\n\r\n";

  WirePlan plan = locserver::PlanWire(answer, Service::kXmlCell, FaultRule{}, false);
  EXPECT_EQ(AllBytes(plan), head + "0123456789");
  EXPECT_EQ(plan.after, WirePlan::After::kKeepAlive);
  plan = locserver::PlanWire(answer, Service::kXmlCell, FaultRule{}, true);
  EXPECT_EQ(AllBytes(plan),
            "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 10\r\nConnection: close\r\n\r\n0123456789");
  EXPECT_EQ(plan.after, WirePlan::After::kClose);

  plan = locserver::PlanWire(answer, Service::kXmlCell, Rule("no-content-length"), false);
  EXPECT_EQ(AllBytes(plan), "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\n\r\n0123456789");
  EXPECT_EQ(plan.after, WirePlan::After::kClose);

  plan = locserver::PlanWire(answer, Service::kXmlCell, Rule("overrun=2"), false);
  EXPECT_EQ(AllBytes(plan), head + "0123456789xx");
  EXPECT_EQ(plan.after, WirePlan::After::kHang);

  plan = locserver::PlanWire(answer, Service::kXmlCell, Rule("malformed"), false);
  EXPECT_EQ(AllBytes(plan), "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 5\r\n\r\n01234");

  plan = locserver::PlanWire(answer, Service::kBinaryCell, Rule("oversize"), false);
  const std::string oversize = AllBytes(plan);
  EXPECT_NE(oversize.find("Content-Length: 5000\r\n"), std::string::npos);
  EXPECT_EQ(oversize.substr(oversize.size() - 4990), std::string(4990, '\0'));

  plan = locserver::PlanWire(answer, Service::kXmlCell, Rule("delay=30,pause=40"), false);
  ASSERT_EQ(plan.steps.size(), 2u);
  EXPECT_EQ(plan.steps[0].pause_ms, 30);
  EXPECT_EQ(plan.steps[1].pause_ms, 40);
  EXPECT_EQ(plan.steps[0].bytes.size(), (head.size() + 10) / 2);
  EXPECT_EQ(AllBytes(plan), head + "0123456789");

  plan = locserver::PlanWire(answer, Service::kXmlCell, Rule("stall,pause=40"), false);
  ASSERT_EQ(plan.steps.size(), 1u);
  EXPECT_EQ(plan.steps[0].bytes, (head + "0123456789").substr(0, (head.size() + 10) / 2));
  EXPECT_EQ(plan.after, WirePlan::After::kHang);

  plan = locserver::PlanWire(answer, Service::kXmlCell, Rule("silence,stall"), false);
  EXPECT_TRUE(plan.steps.empty());
  EXPECT_EQ(plan.after, WirePlan::After::kHang);
}

}  // namespace
