// Retry and relay choice of a mail session, and the Application log event of its outcome.
#include <gtest/gtest.h>

#include "common/ReportContract.h"
#include "sender/mail/DeliveryEvent.h"
#include "sender/mail/DeliveryPlan.h"

namespace zq {
namespace {

TEST(DeliveryPlan, WhatIsTriedAgain) {
  struct Case {
    int code;
    bool transientReply;
    TryEnd end;
  };
  for (const Case c : {Case{kMailSent, false, TryEnd::kDelivered},
                       Case{kMailNoConnection, false, TryEnd::kTransient},
                       Case{kMailTimedOut, false, TryEnd::kTransient},
                       Case{kMailClosedByServer, false, TryEnd::kTransient},
                       Case{kMailBadGreeting, true, TryEnd::kTransient},  // 421 at the greeting
                       Case{kMailBadGreeting, false, TryEnd::kPermanent},
                       Case{kMailRejected, true, TryEnd::kTransient},  // 452 to the final "."
                       Case{kMailAuthRefused, false, TryEnd::kPermanent},
                       Case{kMailCertificateRejected, false, TryEnd::kPermanent},
                       Case{kExitNoRecipient, false, TryEnd::kPermanent},
                       Case{kMailOutcomeUnknown, false, TryEnd::kUnknown}}) {
    EXPECT_EQ(TryEndOf(c.code, c.transientReply), c.end) << c.code;
  }
  for (const auto& [text, minutes] : std::initializer_list<std::pair<const char*, int>>{
           {"", 10}, {" 0 ", 0}, {"1", 1}, {"1440", 1440}, {"1441", 10}, {"-1", 10}, {"5分", 10}}) {
    EXPECT_EQ(RetryMinutesOf(text), minutes) << text;
  }
}

// With one minute: tries at 0, 15 and 45 s; the fourth would start at 105 s, past the minute.
TEST(DeliveryPlan, WaitsDoubleWithinTheRetryTime) {
  DeliveryPlan plan({{"a", "25"}}, 1);
  EXPECT_EQ(plan.Next(TryEnd::kTransient, 100), 15000u);
  EXPECT_EQ(plan.tryNumber(), 2);
  EXPECT_EQ(plan.Next(TryEnd::kTransient, 15200), 30000u);
  EXPECT_EQ(plan.Next(TryEnd::kTransient, 45300), std::nullopt);
  EXPECT_EQ(plan.tryNumber(), 3);
  for (const TryEnd end : {TryEnd::kDelivered, TryEnd::kPermanent, TryEnd::kUnknown}) {
    DeliveryPlan once({{"a", ""}}, 10);
    EXPECT_EQ(once.Next(end, 0), std::nullopt);
  }
  DeliveryPlan none({{"a", ""}}, 0);
  EXPECT_EQ(none.Next(TryEnd::kTransient, 0), std::nullopt);
}

// The second relay at once after the first fails transiently, even without retries; then the
// first again after the wait.
TEST(DeliveryPlan, SecondRelayAtOnceThenTheRoundAgain) {
  MailInputs inputs;
  inputs.server = " one.example ";
  inputs.port = "587";
  inputs.server2 = "two.example";
  const std::vector<Relay> relays = RelaysOf(inputs);
  ASSERT_EQ(relays.size(), 2u);
  EXPECT_EQ(RelayText(relays[1]), "two.example:587");  // the first's port
  DeliveryPlan plan(relays, 1);
  EXPECT_EQ(plan.Next(TryEnd::kTransient, 10), 0u);
  EXPECT_EQ(plan.relay().server, "two.example");
  EXPECT_EQ(plan.Next(TryEnd::kTransient, 20), 15000u);
  EXPECT_EQ(plan.relay().server, "one.example");
  EXPECT_EQ(plan.tryNumber(), 3);
  DeliveryPlan noRetry(relays, 0);
  EXPECT_EQ(noRetry.Next(TryEnd::kTransient, 10), 0u);
  EXPECT_EQ(noRetry.Next(TryEnd::kTransient, 20), std::nullopt);
  inputs.server2 = " ";
  EXPECT_EQ(RelaysOf(inputs).size(), 1u);
}

// An event as "type id string|string|...".
std::string Shown(const EventEntry& e) {
  std::string text = std::to_string(e.type) + " " + std::to_string(e.id);
  for (const std::string& s : e.strings) text += (&s == &e.strings[0] ? " " : "|") + s;
  return text;
}

TEST(DeliveryEvent, OneEventPerOutcomeWithItsStrings) {
  EXPECT_EQ(Shown(DeliveryEventOf({kMailSent, "two:25", 3, "250 ok", "C:\\r.mail.log"})),
            "4 1000 C:\\r.mail.log|two:25|3");
  EXPECT_EQ(Shown(DeliveryEventOf({kMailBadGreeting, "a:25", 2, "421 busy", ""})),
            std::string("1 1001 -|5|") + kExitCodeTexts[kMailBadGreeting] + "|421 busy|2");
  EXPECT_EQ(Shown(DeliveryEventOf({kExitWindowFailed, "a", 0, "", "t"})),
            std::string("1 1001 t|16|") + kExitCodeTexts[kExitWindowFailed] + "|-|0");
  EXPECT_EQ(Shown(DeliveryEventOf({kMailOutcomeUnknown, "a:25", 1, "", "t"})), "2 1002 t|a:25|1");
}

}  // namespace
}  // namespace zq
