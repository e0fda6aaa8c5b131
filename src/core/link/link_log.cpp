#include "link/link_log.h"

#include "base/format.h"
#include "link/frame.h"

namespace vilk {

const char* LinkRequestName(std::uint8_t code) {
  switch (code) {
    case kReqReboot:
      return "Перезапуск";
    case kReqFindFile:
      return "Поиск файла";
    case kReqReadSegment:
      return "Чтение сегмента";
    case kReqWriteSegment:
      return "Запись сегмента";
    case kReqSetClock:
      return "Установка времени";
    case kReqReadValue:
      return "Чтение значения";
    case kReqIdentify:
      return "Идентификация";
  }
  return "Запрос";
}

const char* ResultText(ExchangeResult result) {
  switch (result) {
    case ExchangeResult::Ok:
      return "ответ";
    case ExchangeResult::NoAnswer:
      return "нет ответа";
    case ExchangeResult::Checksum:
      return "ошибка контрольной суммы";
    case ExchangeResult::Echo:
      return "ответ на другой запрос";
    case ExchangeResult::SendFailed:
      return "запрос не передан";
    case ExchangeResult::NotAwaited:
      return "ответ не ожидается";
  }
  return "";
}

namespace {

std::string Stamp(const LocalTime& t) {
  return Format("%04d-%02d-%02d %02d:%02d:%02d.%03d", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                t.Second, t.Millisecond);
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  out.reserve(bytes.size() * 3);
  static const char kDigits[] = "0123456789ABCDEF";
  for (std::uint8_t b : bytes) {
    out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

}  // namespace

std::string FormatExchange(const LinkExchange& e) {
  std::string out =
      Stamp(e.When) + Format(" > %02X %s%s, %d байт:", e.Code, LinkRequestName(e.Code),
                             e.Retry ? " (повтор)" : "", static_cast<int>(e.Request.size()));
  out += Hex(e.Request);
  out += '\n';
  out += Stamp(e.When) + Format(" < %02X %d мс, %s", e.Code, static_cast<int>(e.Duration.count()),
                                ResultText(e.Result));
  if (!e.Answer.empty()) {
    out += Format(", %d байт:", static_cast<int>(e.Answer.size()));
    out += Hex(e.Answer);
  }
  out += '\n';
  return out;
}

std::string FormatCounters(const LinkCounters& c) {
  return Format(
      "Запросов: %d, повторов: %d, без ответа: %d, ошибок контрольной суммы: %d, ответов на "
      "другой запрос: %d, ошибок передачи: %d",
      c.Requests, c.Retries, c.Timeouts, c.ChecksumErrors, c.EchoErrors, c.SendErrors);
}

void LinkLog::BeginSession(const std::string& title) {
  std::lock_guard lock(mutex_);
  counters_ = {};
  title_ = title;
  lastFailed_ = false;
  lastCode_ = 0;
}

void LinkLog::Record(LinkExchange e) {
  std::string lines;
  {
    std::lock_guard lock(mutex_);
    const bool failed = e.Result != ExchangeResult::Ok && e.Result != ExchangeResult::NotAwaited;
    // The requests try again at once after a failure: the same code next is a retry.
    e.Retry = lastFailed_ && lastCode_ == e.Code;
    lastFailed_ = failed;
    lastCode_ = e.Code;
    e.Sequence = next_++;
    ++counters_.Requests;
    if (e.Retry) ++counters_.Retries;
    if (e.Result == ExchangeResult::NoAnswer) ++counters_.Timeouts;
    if (e.Result == ExchangeResult::Checksum) ++counters_.ChecksumErrors;
    if (e.Result == ExchangeResult::Echo) ++counters_.EchoErrors;
    if (e.Result == ExchangeResult::SendFailed) ++counters_.SendErrors;
    if (Sink) lines = FormatExchange(e);
    exchanges_.push_back(std::move(e));
    while (exchanges_.size() > capacity_) exchanges_.pop_front();
  }
  if (Sink) Sink(lines);
}

void LinkLog::Clear() {
  std::lock_guard lock(mutex_);
  exchanges_.clear();
  counters_ = {};
}

LinkCounters LinkLog::Counters() const {
  std::lock_guard lock(mutex_);
  return counters_;
}

std::string LinkLog::SessionTitle() const {
  std::lock_guard lock(mutex_);
  return title_;
}

std::size_t LinkLog::Size() const {
  std::lock_guard lock(mutex_);
  return exchanges_.size();
}

std::vector<LinkExchange> LinkLog::Since(std::uint64_t sequence) const {
  std::lock_guard lock(mutex_);
  std::vector<LinkExchange> out;
  for (auto it = exchanges_.rbegin(); it != exchanges_.rend() && it->Sequence > sequence; ++it)
    out.push_back(*it);
  return {out.rbegin(), out.rend()};
}

std::string LinkLog::Text() const {
  std::lock_guard lock(mutex_);
  std::string out;
  if (!title_.empty()) out += title_ + "\n";
  for (const LinkExchange& e : exchanges_) out += FormatExchange(e);
  out += FormatCounters(counters_) + "\n";
  return out;
}

}  // namespace vilk
