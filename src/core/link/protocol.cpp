#include "link/protocol.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <thread>

#include "base/text.h"

namespace vilk {

namespace {

class ComputerClock : public IClock {
 public:
  LocalTime Now() override {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,          tm.tm_hour,
            tm.tm_min,         tm.tm_sec,     static_cast<int>(ms)};
  }
  void Sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
};

// Restores ShowLinkErrors when a request's attempts end.
class QuietAttempts {
 public:
  explicit QuietAttempts(bool& flag) : flag_(flag), saved_(flag) { flag_ = false; }
  ~QuietAttempts() { flag_ = saved_; }
  bool Saved() const { return saved_; }
  void Restore() { flag_ = saved_; }

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

IClock& SystemClock() {
  static ComputerClock clock;
  return clock;
}

std::uint32_t IdentityVersion(const ModelRecord& identity) {
  return (static_cast<std::uint32_t>(identity.Major) << 16) |
         (static_cast<std::uint32_t>(identity.Minor) << 8) |
         static_cast<std::uint8_t>(identity.Letter);
}

LinkProtocol::LinkProtocol(Transport& transport, IMessages& messages, LoginState& login,
                           IClock& clock)
    : transport_(transport), messages_(messages), login_(login), clock_(clock) {}

void LinkProtocol::ShowError(const std::string& text) {
  messages_.Error(Truncate(text, 255));
}

std::uint32_t LinkProtocol::FoundSize() const {
  return Rx[31] | (Rx[32] << 8) | (Rx[33] << 16) | (static_cast<std::uint32_t>(Rx[34]) << 24);
}

void LinkProtocol::Begin(std::uint8_t length, std::uint8_t code) {
  // Every request starts from a clear buffer: bytes a request does not write go out as
  // zeros, never as what an earlier request (or file) left there.
  Tx.fill(0);
  Tx[0] = length;
  Tx[1] = code;
}

void LinkProtocol::Put16(std::size_t at, std::uint16_t v) {
  Tx[at] = static_cast<std::uint8_t>(v);
  Tx[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void LinkProtocol::Put32(std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    Tx[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void LinkProtocol::PutName(std::size_t lengthAt) {
  const std::string name = Utf8ToCp1251(Transfer.FileName).substr(0, kFileNameChars);
  Tx[lengthAt] = static_cast<std::uint8_t>(name.size());
  std::memcpy(Tx.data() + lengthAt + 1, name.data(), name.size());
}

bool LinkProtocol::Transact(bool awaitAnswer) {
  if (!Log) {
    LinkExchange unused;
    return Exchange(awaitAnswer, unused);
  }
  LinkExchange exchange;
  exchange.When = clock_.Now();
  const auto start = std::chrono::steady_clock::now();
  const bool ok = Exchange(awaitAnswer, exchange);
  exchange.Duration = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  Log->Record(std::move(exchange));
  return ok;
}

bool LinkProtocol::Exchange(bool awaitAnswer, LinkExchange& log) {
  Rx.fill(0);
  RxSize = 0;
  const std::size_t size = SealFrame(Tx.data());
  log.Code = Tx[1];
  if (Log) log.Request.assign(Tx.data(), Tx.data() + size);
  // Stale datagrams go before the request leaves; after it, they could be the answer.
  transport_.Discard();
  if (!transport_.Send(Tx.data(), size)) {
    log.Result = ExchangeResult::SendFailed;
    if (ShowLinkErrors) ShowError("Ошибка при передаче запроса.");
    return false;
  }
  if (!awaitAnswer) {
    log.Result = ExchangeResult::NotAwaited;
    return false;
  }

  // One byte more than the largest frame, so that an over-long answer shows as such.
  std::array<std::uint8_t, kMaxFrameSize + 1> in{};
  const std::size_t n = transport_.Receive(in.data(), in.size());
  if (Log) log.Answer.assign(in.data(), in.data() + n);
  if (n == 0) {
    log.Result = ExchangeResult::NoAnswer;
    return false;
  }
  if (!FrameIsSound(in.data(), n)) {
    log.Result = ExchangeResult::Checksum;
    if (ShowLinkErrors) ShowError("Ошибка контрольной суммы ответа.");
    return false;
  }
  if (in[1] != Tx[1]) {  // an answer to some other request
    log.Result = ExchangeResult::Echo;
    return false;
  }
  std::memcpy(Rx.data(), in.data(), n);
  RxSize = n;
  log.Result = ExchangeResult::Ok;
  return true;
}

void LinkProtocol::Reboot() {
  Begin(1, kReqReboot);
  Transact(false);
}

bool LinkProtocol::FindFile(int searchMode) {
  QuietAttempts quiet(ShowLinkErrors);
  const std::size_t n = std::min(Utf8ToCp1251(Transfer.FileName).size(), kFileNameChars);
  Begin(static_cast<std::uint8_t>(48 + n), kReqFindFile);
  Tx[2] = static_cast<std::uint8_t>(searchMode);
  PutName(48);
  bool ok = false;
  for (int attempt = 0; attempt < 2 && !ok; ++attempt) {
    // A found file's answer must reach its size field (offsets 31..34).
    ok = Transact(true) && (FindErrorCode() != 0 || Rx[0] >= 34);
    if (!ok) {
      Rx.fill(0);
      RxSize = 0;
    }
  }
  quiet.Restore();
  const std::uint16_t code = FindErrorCode();
  if (code != 0 && code != kErrEndOfFileList && ShowLinkErrors)
    ShowError("Ошибка поиска файла. " + DescribeError(code));
  return ok && code == 0;
}

bool LinkProtocol::ReadSegment(std::span<std::uint8_t> file) {
  QuietAttempts quiet(ShowLinkErrors);
  Begin(27, kReqReadSegment);
  Put32(2, static_cast<std::uint32_t>(Transfer.Position));
  Put32(6, static_cast<std::uint32_t>(Transfer.TotalSize));
  Tx[10] = Transfer.SegmentLength;
  PutName(11);
  if (login_.SendsKey()) Put32(24, login_.AccessKey());

  // The bytes this segment must bring: its length, or the rest of the file for the last.
  const std::int64_t left = static_cast<std::int64_t>(Transfer.TotalSize) - Transfer.Position;
  const std::int64_t expected = std::min<std::int64_t>(Transfer.SegmentLength, left);
  const bool fits =
      expected > 0 && Transfer.Position >= 0 &&
      static_cast<std::uint64_t>(Transfer.Position) + static_cast<std::uint64_t>(expected) <=
          file.size();

  bool ok = false;
  int attempt = 0;
  do {
    ++attempt;
    ok = Transact(true) && ErrorCode() == 0 && Rx[1] == kReqReadSegment && fits &&
         Rx[4] == expected && Rx[4] + 4u <= Rx[0];
  } while (!ok && attempt < 3 && ErrorCode() == 0);
  quiet.Restore();
  if (!ok) {
    ShowError("Ошибка чтения файла. " + DescribeError(ErrorCode()));
    return false;
  }
  std::memcpy(file.data() + Transfer.Position, Rx.data() + 5, Rx[4]);
  return true;
}

bool LinkProtocol::WriteSegment(std::span<const std::uint8_t> file, std::uint32_t fileCrc) {
  QuietAttempts quiet(ShowLinkErrors);
  const bool withKey = login_.SendsKey();
  // L counts two bytes after the last field in both forms.
  Begin(withKey ? 161 : static_cast<std::uint8_t>(Transfer.SegmentLength + 25), kReqWriteSegment);
  PutName(2);
  Put32(15, static_cast<std::uint32_t>(Transfer.Position));
  Put32(19, static_cast<std::uint32_t>(Transfer.TotalSize));
  Tx[23] = Transfer.SegmentLength;
  if (Transfer.Position >= 0 && static_cast<std::size_t>(Transfer.Position) < file.size()) {
    const std::size_t n =
        std::min<std::size_t>({Transfer.SegmentLength, kSegmentSize,
                               file.size() - static_cast<std::size_t>(Transfer.Position)});
    std::memcpy(Tx.data() + 24, file.data() + Transfer.Position, n);
  }
  if (withKey) {
    Put32(152, login_.AccessKey());
    Put32(156, fileCrc);
  }

  bool ok = false;
  int attempt = 0;
  do {
    ++attempt;
    ok = Transact(true) && Rx[0] >= 3 && ErrorCode() == 0 && Rx[1] == kReqWriteSegment;
  } while (!ok && attempt < 3 && ErrorCode() == 0);
  quiet.Restore();
  if (!ok) ShowError("Ошибка записи файла. " + DescribeError(ErrorCode()));
  return ok;
}

bool LinkProtocol::SetClock() {
  const LocalTime t = clock_.Now();
  Begin(8, kReqSetClock);
  Put16(2, static_cast<std::uint16_t>(t.Second * 1000 + t.Millisecond));
  Tx[4] = static_cast<std::uint8_t>(t.Minute);
  Tx[5] = static_cast<std::uint8_t>(t.Hour);
  Tx[6] = static_cast<std::uint8_t>(t.Day);
  Tx[7] = static_cast<std::uint8_t>(t.Month);
  Tx[8] = static_cast<std::uint8_t>((t.Year + 48) % 256);
  return Transact(true);
}

bool LinkProtocol::ReadValue(std::uint16_t address, std::int32_t& value) {
  QuietAttempts quiet(ShowLinkErrors);
  Begin(3, kReqReadValue);
  Put16(2, address);
  bool ok = false;
  for (int attempt = 0; attempt < 2 && !ok; ++attempt) ok = Transact(true);
  std::uint32_t v = 0;
  if (ok) v = Rx[4] | (Rx[5] << 8) | (Rx[6] << 16) | (static_cast<std::uint32_t>(Rx[7]) << 24);
  value = static_cast<std::int32_t>(v);
  return ok;
}

bool LinkProtocol::Identify(ModelRecord& identity) {
  QuietAttempts quiet(ShowLinkErrors);
  Begin(1, kReqIdentify);
  bool ok = false;
  for (int attempt = 0; attempt < 2 && !ok; ++attempt) ok = Transact(true);
  static const std::array<std::uint8_t, ModelRecord::kPackedSize> zero{};
  identity = ModelRecord::Unpack(ok ? Rx.data() + 2 : zero.data());
  return ok;
}

}  // namespace vilk
