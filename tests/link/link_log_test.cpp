// The link log against vilk-sim with injected faults: a lost answer, a corrupted one and an
// answer to another request, each retried, logged in order and counted.
#include <gtest/gtest.h>

#include "link/link_log.h"
#include "link_fixture.h"

namespace vilk::test {
namespace {

class LinkLogSimTest : public ::testing::TestWithParam<LinkKind> {};

TEST_P(LinkLogSimTest, RetriesTimeoutsAndEchoErrorsAreLoggedInOrder) {
  SimLink link(GetParam(),
               {"--fault", "read:drop@2", "--fault", "read:corrupt@4", "--fault", "read:echo@6"},
               300);
  link.Login.Confirm("admin", "abc");
  const Bytes data = Pattern(700);  // six segments: five of 128 bytes and one of 60
  ASSERT_TRUE(link.Session->WriteControllerFile(data, "Auto.shm"));

  LinkLog log;
  log.BeginSession("get-file");
  link.Session->SetLog(&log);
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(link.Session->ReadControllerFile("Auto.shm", back));
  EXPECT_EQ(back, data);

  std::vector<ExchangeResult> reads;
  std::vector<bool> retries;
  for (const LinkExchange& e : log.Since(0))
    if (e.Code == kReqReadSegment) {
      reads.push_back(e.Result);
      retries.push_back(e.Retry);
      if (e.Result == ExchangeResult::Ok) {
        EXPECT_FALSE(e.Answer.empty());
      }
    }
  using R = ExchangeResult;
  EXPECT_EQ(reads, (std::vector<R>{R::Ok, R::NoAnswer, R::Ok, R::Checksum, R::Ok, R::Echo, R::Ok,
                                   R::Ok, R::Ok}));
  EXPECT_EQ(retries,
            (std::vector<bool>{false, false, true, false, true, false, true, false, false}));
  const LinkCounters c = log.Counters();
  EXPECT_EQ(c.Retries, 3);
  EXPECT_EQ(c.Timeouts, 1);
  EXPECT_EQ(c.ChecksumErrors, 1);
  EXPECT_EQ(c.EchoErrors, 1);
  EXPECT_EQ(c.Requests, static_cast<int>(log.Size()));
  EXPECT_GE(c.Requests, 9 + 1) << "the segments and the search before them";
  // The lost answer waited for the answer time.
  for (const LinkExchange& e : log.Since(0))
    if (e.Result == R::NoAnswer) {
      EXPECT_GE(e.Duration.count(), 250);
    }
}

INSTANTIATE_TEST_SUITE_P(Links, LinkLogSimTest, ::testing::Values(LinkKind::Udp, LinkKind::Serial),
                         KindName);

}  // namespace
}  // namespace vilk::test
