// The link log on its own: the two lines an exchange writes, what counts as a retry, and
// the bound that keeps the newest exchanges.
#include "link/link_log.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "link/frame.h"

namespace vilk {
namespace {

LinkExchange Exchange(std::uint8_t code, ExchangeResult result) {
  LinkExchange e;
  e.When = {2026, 12, 8, 9, 5, 7, 42};
  e.Code = code;
  e.Request = {0x01, code, 0x00};
  e.Result = result;
  return e;
}

TEST(LinkLog, WritesTimeDirectionCodeBytesDurationAndResult) {
  LinkExchange e = Exchange(kReqReadValue, ExchangeResult::Ok);
  e.Request = {0x03, 0xA1, 0x10, 0x00, 0xB4, 0x00};
  e.Answer = {0x05, 0xA1, 0x00, 0x00, 0x2A, 0x00, 0xD0, 0x00};
  e.Duration = std::chrono::milliseconds(17);
  EXPECT_EQ(FormatExchange(e),
            "2026-12-08 09:05:07.042 > A1 Чтение значения, 6 байт: 03 A1 10 00 B4 00\n"
            "2026-12-08 09:05:07.042 < A1 17 мс, ответ, 8 байт: 05 A1 00 00 2A 00 D0 00\n");
  e = Exchange(kReqIdentify, ExchangeResult::NoAnswer);
  e.Duration = std::chrono::milliseconds(300);
  e.Retry = true;
  EXPECT_EQ(FormatExchange(e),
            "2026-12-08 09:05:07.042 > A2 Идентификация (повтор), 3 байт: 01 A2 00\n"
            "2026-12-08 09:05:07.042 < A2 300 мс, нет ответа\n");
}

TEST(LinkLog, CountsRetriesAndFaultsPerSession) {
  LinkLog log;
  std::string traced;
  log.Sink = [&](const std::string& lines) { traced += lines; };
  log.BeginSession("read");
  for (auto [code, result] : {std::pair{kReqFindFile, ExchangeResult::Ok},
                              {kReqReadSegment, ExchangeResult::NoAnswer},
                              {kReqReadSegment, ExchangeResult::Checksum},  // retry
                              {kReqReadSegment, ExchangeResult::Ok},        // retry
                              {kReqReadSegment, ExchangeResult::Ok},        // next segment
                              {kReqReadSegment, ExchangeResult::Echo},
                              {kReqReboot, ExchangeResult::NotAwaited},  // another request
                              {kReqReboot, ExchangeResult::SendFailed}})
    log.Record(Exchange(code, result));
  const LinkCounters c = log.Counters();
  EXPECT_EQ(c.Requests, 8);
  EXPECT_EQ(c.Retries, 2);
  EXPECT_EQ(c.Timeouts, 1);
  EXPECT_EQ(c.ChecksumErrors, 1);
  EXPECT_EQ(c.EchoErrors, 1);
  EXPECT_EQ(c.SendErrors, 1);
  EXPECT_EQ(FormatCounters(c),
            "Запросов: 8, повторов: 2, без ответа: 1, ошибок контрольной суммы: 1, ответов на "
            "другой запрос: 1, ошибок передачи: 1");
  const std::vector<LinkExchange> all = log.Since(0);
  ASSERT_EQ(all.size(), 8u);
  EXPECT_FALSE(all[1].Retry);
  EXPECT_TRUE(all[2].Retry);
  EXPECT_TRUE(all[3].Retry);
  EXPECT_FALSE(all[4].Retry);
  EXPECT_FALSE(all[6].Retry);
  // The trace got the same lines, in order.
  std::string expected;
  for (const LinkExchange& e : all) expected += FormatExchange(e);
  EXPECT_EQ(traced, expected);

  log.BeginSession("next");
  EXPECT_EQ(log.Counters().Requests, 0);
  EXPECT_EQ(log.Size(), 8u) << "a new session keeps the exchanges shown";
}

TEST(LinkLog, KeepsOnlyTheNewestExchanges) {
  LinkLog log(5);
  for (int i = 0; i < 12; ++i) log.Record(Exchange(kReqReadValue, ExchangeResult::Ok));
  EXPECT_EQ(log.Size(), 5u);
  const std::vector<LinkExchange> kept = log.Since(0);
  ASSERT_EQ(kept.size(), 5u);
  EXPECT_EQ(kept.front().Sequence, 8u);
  EXPECT_EQ(kept.back().Sequence, 12u);
  EXPECT_EQ(log.Since(10).size(), 2u);
  EXPECT_EQ(log.Counters().Requests, 12) << "the counters count what the bound dropped";
  const std::string text = log.Text();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11) << "5 x 2 lines and the counters";
}

}  // namespace
}  // namespace vilk
