#pragma once
// The log of the controller link: every request and its answer with the time, the bytes,
// how long the answer took and what became of it, plus the counters of one session (one
// device command). The worker thread that runs a command writes; the window reads.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "link/transport.h"

namespace vilk {

enum class ExchangeResult {
  Ok,          // a sound answer echoing the request
  NoAnswer,    // nothing arrived within the answer wait
  Checksum,    // an answer that is no sound frame
  Echo,        // a sound frame answering some other request
  SendFailed,  // the request did not leave
  NotAwaited,  // no answer is awaited (restart)
};

struct LinkExchange {
  std::uint64_t Sequence = 0;  // from 1, over the whole log
  LocalTime When;              // when the request left
  std::uint8_t Code = 0;       // request code
  std::vector<std::uint8_t> Request, Answer;
  std::chrono::milliseconds Duration{0};
  ExchangeResult Result = ExchangeResult::Ok;
  bool Retry = false;  // the same request again right after a failed one
};

struct LinkCounters {
  int Requests = 0, Retries = 0, Timeouts = 0, ChecksumErrors = 0, EchoErrors = 0, SendErrors = 0;
};

// The request's name as the log writes it ("Идентификация", "Чтение сегмента", ...).
const char* LinkRequestName(std::uint8_t code);
const char* ResultText(ExchangeResult result);
// Two lines (request, then answer), each ending in "\n".
std::string FormatExchange(const LinkExchange& exchange);
std::string FormatCounters(const LinkCounters& counters);

class LinkLog {
 public:
  static constexpr std::size_t kDefaultCapacity = 10000;
  explicit LinkLog(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  // A new device command: the counters start again (the exchanges stay).
  void BeginSession(const std::string& title);
  void Record(LinkExchange exchange);
  void Clear();

  LinkCounters Counters() const;
  std::string SessionTitle() const;
  std::size_t Size() const;
  // The exchanges kept (at most the capacity, the oldest dropped first) after `sequence`.
  std::vector<LinkExchange> Since(std::uint64_t sequence) const;
  // Every exchange kept and the session's counters, as the text the window saves.
  std::string Text() const;

  // Called with each exchange's lines as it is recorded (the command line's --trace). Runs
  // on the recording thread, outside the log's lock.
  std::function<void(const std::string& lines)> Sink;

 private:
  mutable std::mutex mutex_;
  std::size_t capacity_;
  std::deque<LinkExchange> exchanges_;
  std::uint64_t next_ = 1;
  LinkCounters counters_;
  std::string title_;
  bool lastFailed_ = false;
  std::uint8_t lastCode_ = 0;
};

}  // namespace vilk
