// The seven requests byte for byte, Transact's answer checks and the retry rules.
#include "link/protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link_fakes.h"

namespace vilk {
namespace {

using test::Ascii;
using test::Bytes;

// An answer of `size` bytes: `head`, then `fill`.
Bytes Answer(std::initializer_list<std::uint8_t> head, std::size_t size, std::uint8_t fill) {
  Bytes out(size, fill);
  std::copy(head.begin(), head.end(), out.begin());
  return out;
}
using test::FakeClock;
using test::MakeFrame;
using test::ScriptedTransport;

class LinkProtocolTest : public ::testing::Test {
 protected:
  ScriptedTransport link;
  RecordingMessages messages;
  LoginState login;
  FakeClock clock;
  LinkProtocol proto{link, messages, login, clock};

  int Sends() const { return static_cast<int>(link.Sent.size()); }
  // Answers every request with `answer`.
  void AnswerAlways(const Bytes& answer) {
    link.Respond = [answer](const Bytes&) { return answer; };
  }
};

TEST_F(LinkProtocolTest, RebootIsThreeBytesAndWaitsForNothing) {
  AnswerAlways(MakeFrame({0x88}));
  proto.Reboot();
  ASSERT_EQ(Sends(), 1);
  EXPECT_EQ(link.Sent[0], (Bytes{0x01, 0x88, 0x88}));
  EXPECT_EQ(link.Calls, (std::vector<std::string>{"discard", "send"}));
}

TEST_F(LinkProtocolTest, IdentifyRequestAndAnswer) {
  const Bytes identity = test::IdentityBytes("\xC2\xC8\xCB\xCA.A2", 2025, 'b', 12, 1, 23);
  Bytes body{0xA2};
  body.insert(body.end(), identity.begin(), identity.end());
  AnswerAlways(MakeFrame(body));
  ModelRecord r;
  ASSERT_TRUE(proto.Identify(r));
  EXPECT_EQ(link.Sent[0], (Bytes{0x01, 0xA2, 0xA2}));
  EXPECT_EQ(r.Name, "ВИЛК.A2");
  EXPECT_EQ(r.Year, 2025);
  EXPECT_EQ(r.Letter, 'b');
  EXPECT_EQ(r.Minor, 12);
  EXPECT_EQ(r.Major, 1);
  EXPECT_EQ(r.TypeCode, 23);
  EXPECT_EQ(IdentityVersion(r), 0x010C62u);
}

TEST_F(LinkProtocolTest, IdentifyTriesTwiceThenClearsTheRecord) {
  ModelRecord r = *FindModelRecord(23);
  EXPECT_FALSE(proto.Identify(r));
  EXPECT_EQ(Sends(), 2);
  EXPECT_EQ(r.Name, "");
  EXPECT_EQ(r.TypeCode, 0);
  EXPECT_EQ(r.Major, 0);
  EXPECT_EQ(r.Year, 0);
  EXPECT_TRUE(messages.Errors.empty());

  // A lost first answer is made up by the second attempt.
  int n = 0;
  link.Respond = [&](const Bytes&) {
    return ++n == 1 ? Bytes{} : MakeFrame(Bytes{0xA2, 3, 'X', 'Y', 'Z'});
  };
  link.Sent.clear();
  EXPECT_TRUE(proto.Identify(r));
  EXPECT_EQ(Sends(), 2);
  EXPECT_EQ(r.Name, "XYZ");
}

TEST_F(LinkProtocolTest, FindFileBytes) {
  proto.Transfer.FileName = "VilkA2.cfg";
  Bytes answer(47, 0);
  answer[0] = 0x94;
  test::PutLE(answer, 30, 300, 4);
  AnswerAlways(MakeFrame(answer));
  ASSERT_TRUE(proto.FindFile(1));
  EXPECT_EQ(proto.FoundSize(), 300u);

  Bytes expected(60, 0);
  expected[0] = 58;  // 48 + 10
  expected[1] = 0x94;
  expected[2] = 1;
  expected[48] = 10;
  const Bytes name = Ascii("VilkA2.cfg");
  std::copy(name.begin(), name.end(), expected.begin() + 49);
  expected[59] = 0x06;  // 0x94 + 1 + 10 + 871, modulo 256
  EXPECT_EQ(link.Sent[0], expected);
}

TEST_F(LinkProtocolTest, FindFileCodes) {
  proto.Transfer.FileName = "Auto.shm";
  // 18, the end of the file list, is never shown and not retried.
  AnswerAlways(MakeFrame({0x94, 0, 18, 0}));
  EXPECT_FALSE(proto.FindFile(1));
  EXPECT_EQ(Sends(), 1);
  EXPECT_TRUE(messages.Errors.empty());

  AnswerAlways(MakeFrame({0x94, 0, 2, 0}));
  EXPECT_FALSE(proto.FindFile(1));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка поиска файла. Файл не найден."}));
  EXPECT_TRUE(proto.ShowLinkErrors);

  // Quiet while the caller has link errors switched off, and still switched off after.
  proto.ShowLinkErrors = false;
  EXPECT_FALSE(proto.FindFile(1));
  EXPECT_EQ(messages.Errors.size(), 1u);
  EXPECT_FALSE(proto.ShowLinkErrors);

  // A "found" answer too short to carry the size is no answer.
  proto.ShowLinkErrors = true;
  link.Sent.clear();
  AnswerAlways(MakeFrame({0x94, 0, 0, 0}));
  EXPECT_FALSE(proto.FindFile(1));
  EXPECT_EQ(Sends(), 2);
  EXPECT_EQ(messages.Errors.size(), 1u);
}

TEST_F(LinkProtocolTest, ReadSegmentBytesAndTheShortLastSegment) {
  proto.Transfer = {"VilkA2.cfg", 256, 300, 128};
  Bytes data(44);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
  Bytes answer = Answer({0x95, 0, 0, 44}, 48, 0);
  std::copy(data.begin(), data.end(), answer.begin() + 4);
  AnswerAlways(MakeFrame(answer));
  std::vector<std::uint8_t> file(300, 0xEE);
  ASSERT_TRUE(proto.ReadSegment(file));

  Bytes expected(29, 0);
  expected[0] = 27;
  expected[1] = 0x95;
  expected[3] = 0x01;  // position 256
  expected[6] = 0x2C;  // total 300
  expected[7] = 0x01;
  expected[10] = 128;
  expected[11] = 10;
  const Bytes name = Ascii("VilkA2.cfg");
  std::copy(name.begin(), name.end(), expected.begin() + 12);
  expected[28] = 0xB4;
  EXPECT_EQ(link.Sent[0], expected);
  EXPECT_EQ(Bytes(file.begin() + 256, file.end()), data);
  EXPECT_EQ(file[255], 0xEE);
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(LinkProtocolTest, ReadSegmentCarriesTheKeyAfterALogin) {
  login.Confirm("admin", "abc");
  proto.Transfer = {"VilkA2.cfg", 0, 128, 128};
  AnswerAlways(MakeFrame({0x95, 0, 0, 0}));
  std::vector<std::uint8_t> file(128);
  EXPECT_FALSE(proto.ReadSegment(file));
  EXPECT_EQ(test::GetLE(link.Sent[0], 24, 4), 0xEEC5F80Eu);
}

TEST_F(LinkProtocolTest, ReadSegmentRefusesAnswersOfTheWrongLength) {
  std::vector<std::uint8_t> file(300, 0xEE);
  // A short answer in the middle of the file: retried three times, then reported.
  proto.Transfer = {"VilkA2.cfg", 0, 300, 128};
  const Bytes shortAnswer = Answer({0x95, 0, 0, 44}, 48, 7);
  AnswerAlways(MakeFrame(shortAnswer));
  EXPECT_FALSE(proto.ReadSegment(file));
  EXPECT_EQ(Sends(), 3);
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка чтения файла. Код ошибки 0"}));
  EXPECT_EQ(file[0], 0xEE);

  // More than the file has left is never copied past its end.
  proto.Transfer = {"VilkA2.cfg", 256, 300, 128};
  const Bytes longAnswer = Answer({0x95, 0, 0, 50}, 54, 9);
  AnswerAlways(MakeFrame(longAnswer));
  EXPECT_FALSE(proto.ReadSegment(file));
  // Less than the file has left would lose bytes.
  const Bytes fewer = Answer({0x95, 0, 0, 40}, 44, 9);
  AnswerAlways(MakeFrame(fewer));
  EXPECT_FALSE(proto.ReadSegment(file));
  // A count that the frame does not hold.
  AnswerAlways(MakeFrame({0x95, 0, 0, 44, 1, 2}));
  EXPECT_FALSE(proto.ReadSegment(file));
  EXPECT_EQ(file[256], 0xEE);
}

TEST_F(LinkProtocolTest, ReadSegmentErrorCodeIsNotRetried) {
  proto.Transfer = {"VilkA2.cfg", 0, 300, 128};
  AnswerAlways(MakeFrame({0x95, 0xF6, 0x04, 0}));
  std::vector<std::uint8_t> file(300);
  EXPECT_FALSE(proto.ReadSegment(file));
  EXPECT_EQ(Sends(), 1);
  EXPECT_EQ(proto.ErrorCode(), 0x04F6);
  EXPECT_EQ(
      messages.Errors,
      (std::vector<std::string>{
          "Ошибка чтения файла. \r\nОшибка записи сегмента.\r\nКод ошибки -22\r\nDISK_FULL"}));
}

TEST_F(LinkProtocolTest, WriteSegmentLengthsAndZerosPastTheEnd) {
  std::vector<std::uint8_t> file(300);
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(0x80 | i);
  AnswerAlways(MakeFrame({0x96, 0, 0}));

  proto.Transfer = {"VilkA2.cfg", 0, 300, 128};
  ASSERT_TRUE(proto.WriteSegment(file, 0x11223344));
  const Bytes& full = link.Sent[0];
  ASSERT_EQ(full.size(), 155u);
  EXPECT_EQ(full[0], 153);  // 128 + 25
  EXPECT_EQ(full[1], 0x96);
  EXPECT_EQ(full[2], 10);
  EXPECT_EQ(Bytes(full.begin() + 3, full.begin() + 13), Ascii("VilkA2.cfg"));
  EXPECT_EQ(full[13], 0);
  EXPECT_EQ(full[14], 0);
  EXPECT_EQ(test::GetLE(full, 15, 4), 0u);
  EXPECT_EQ(test::GetLE(full, 19, 4), 300u);
  EXPECT_EQ(full[23], 128);
  EXPECT_EQ(Bytes(full.begin() + 24, full.begin() + 152), Bytes(file.begin(), file.begin() + 128));
  EXPECT_EQ(full[152], 0);
  EXPECT_EQ(full[153], 0);
  EXPECT_TRUE(FrameIsSound(full.data(), full.size()));

  proto.Transfer = {"VilkA2.cfg", 256, 300, 44};
  ASSERT_TRUE(proto.WriteSegment(file, 0x11223344));
  const Bytes& last = link.Sent[1];
  ASSERT_EQ(last.size(), 71u);
  EXPECT_EQ(last[0], 69);  // 44 + 25
  EXPECT_EQ(test::GetLE(last, 15, 4), 256u);
  EXPECT_EQ(last[23], 44);
  EXPECT_EQ(Bytes(last.begin() + 24, last.begin() + 68), Bytes(file.begin() + 256, file.end()));
  EXPECT_EQ(last[68], 0);  // past the file's end: zeros, not the earlier segment's bytes
  EXPECT_EQ(last[69], 0);
  EXPECT_TRUE(FrameIsSound(last.data(), last.size()));
}

TEST_F(LinkProtocolTest, WriteSegmentAfterALoginCarriesKeyAndCrc) {
  login.Confirm("admin", "abc");
  std::vector<std::uint8_t> file(300, 0x5A);
  AnswerAlways(MakeFrame({0x96, 0, 0}));
  proto.Transfer = {"VilkA2.cfg", 256, 300, 44};
  ASSERT_TRUE(proto.WriteSegment(file, 0xA1B2C3D4));
  const Bytes& p = link.Sent[0];
  ASSERT_EQ(p.size(), 163u);
  EXPECT_EQ(p[0], 161);
  EXPECT_EQ(Bytes(p.begin() + 24, p.begin() + 68), Bytes(44, 0x5A));
  EXPECT_EQ(Bytes(p.begin() + 68, p.begin() + 152), Bytes(84, 0));
  EXPECT_EQ(test::GetLE(p, 152, 4), 0xEEC5F80Eu);
  EXPECT_EQ(test::GetLE(p, 156, 4), 0xA1B2C3D4u);
  EXPECT_EQ(p[160], 0);
  EXPECT_EQ(p[161], 0);
  EXPECT_TRUE(FrameIsSound(p.data(), p.size()));
}

TEST_F(LinkProtocolTest, WriteSegmentFailures) {
  std::vector<std::uint8_t> file(128, 1);
  proto.Transfer = {"Auto.shm", 0, 128, 128};
  // Wrong password: one attempt, the password text.
  AnswerAlways(MakeFrame({0x96, 0xD2, 0x04}));
  EXPECT_FALSE(proto.WriteSegment(file, 0));
  EXPECT_EQ(Sends(), 1);
  EXPECT_EQ(proto.ErrorCode(), 1234);
  EXPECT_EQ(messages.Errors.back(), "Ошибка записи файла. Не верный пароль.");

  // No answer: three attempts, then "Код ошибки 0".
  link.Sent.clear();
  link.Respond = nullptr;
  EXPECT_FALSE(proto.WriteSegment(file, 0));
  EXPECT_EQ(Sends(), 3);
  EXPECT_EQ(messages.Errors.back(), "Ошибка записи файла. Код ошибки 0");

  // A bad checksum is retried like a lost answer and shows no message of its own.
  link.Sent.clear();
  Bytes broken = MakeFrame({0x96, 0, 0});
  broken.back() ^= 0xFF;
  AnswerAlways(broken);
  EXPECT_FALSE(proto.WriteSegment(file, 0));
  EXPECT_EQ(Sends(), 3);
  EXPECT_EQ(messages.Errors.size(), 3u);
  EXPECT_EQ(messages.Errors.back(), "Ошибка записи файла. Код ошибки 0");

  // An answer echoing another request is not taken; its error code is not trusted.
  link.Sent.clear();
  AnswerAlways(MakeFrame({0x95, 0xD2, 0x04}));
  EXPECT_FALSE(proto.WriteSegment(file, 0));
  EXPECT_EQ(Sends(), 3);
  EXPECT_EQ(proto.ErrorCode(), 0);
}

TEST_F(LinkProtocolTest, SetClockBytes) {
  AnswerAlways(MakeFrame({0x9B, 0, 0}));
  ASSERT_TRUE(proto.SetClock());
  // 2026-03-05 07:08:09.123: ms 9123 = 0x23A3, minute, hour, day, month, year - 2000.
  EXPECT_EQ(link.Sent[0], (Bytes{0x08, 0x9B, 0xA3, 0x23, 8, 7, 5, 3, 26, 0x92}));

  clock.Time = {2255, 12, 31, 23, 59, 59, 999};
  ASSERT_TRUE(proto.SetClock());
  EXPECT_EQ(link.Sent[1][2] | (link.Sent[1][3] << 8), 59999);
  EXPECT_EQ(link.Sent[1][8], 255);
  clock.Time.Year = 2000;
  ASSERT_TRUE(proto.SetClock());
  EXPECT_EQ(link.Sent[2][8], 0);
}

TEST_F(LinkProtocolTest, SetClockShowsTheLinkMessages) {
  Bytes broken = MakeFrame({0x9B, 0, 0});
  broken.back() ^= 1;
  AnswerAlways(broken);
  EXPECT_FALSE(proto.SetClock());
  EXPECT_EQ(Sends(), 1);
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка контрольной суммы ответа."}));

  link.SendResult = false;
  EXPECT_FALSE(proto.SetClock());
  EXPECT_EQ(messages.Errors.back(), "Ошибка при передаче запроса.");

  proto.ShowLinkErrors = false;
  EXPECT_FALSE(proto.SetClock());
  EXPECT_EQ(messages.Errors.size(), 2u);
}

TEST_F(LinkProtocolTest, ReadValueBytesAndAnswer) {
  AnswerAlways(MakeFrame({0xA1, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
  std::int32_t v = 5;
  ASSERT_TRUE(proto.ReadValue(0x1234, v));
  EXPECT_EQ(link.Sent[0], (Bytes{0x03, 0xA1, 0x34, 0x12, 0xE7}));
  EXPECT_EQ(v, -2);

  link.Respond = nullptr;
  link.Sent.clear();
  v = 5;
  EXPECT_FALSE(proto.ReadValue(7, v));
  EXPECT_EQ(v, 0);
  EXPECT_EQ(Sends(), 2);
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(LinkProtocolTest, AnswersMustBeExactlyOneFrame) {
  // Trailing garbage after a sound frame.
  Bytes padded = MakeFrame({0x9B, 0, 0});
  padded.push_back(0);
  AnswerAlways(padded);
  EXPECT_FALSE(proto.SetClock());
  // L = 0.
  AnswerAlways(Bytes{0x00, 0x00});
  EXPECT_FALSE(proto.SetClock());
  // Longer than any frame: cut by the receive, then refused.
  Bytes huge(600, 0);
  huge[0] = 255;
  AnswerAlways(huge);
  EXPECT_FALSE(proto.SetClock());
  EXPECT_EQ(messages.Errors, std::vector<std::string>(3, "Ошибка контрольной суммы ответа."));
  EXPECT_EQ(proto.Rx[0], 0);
  EXPECT_EQ(proto.RxSize, 0u);
}

TEST_F(LinkProtocolTest, StaleAnswersAreDroppedBeforeSendingNeverAfter) {
  link.Inbox.push_back(MakeFrame({0xA1, 0, 0, 9, 9, 9, 9}));  // late answer of an earlier read
  AnswerAlways(MakeFrame({0xA1, 0, 0, 1, 0, 0, 0}));          // the controller answers at once
  std::int32_t v = 0;
  ASSERT_TRUE(proto.ReadValue(1, v));
  EXPECT_EQ(v, 1);
  EXPECT_EQ(link.Calls, (std::vector<std::string>{"discard", "send", "receive"}));
}

}  // namespace
}  // namespace vilk
