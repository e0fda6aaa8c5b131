#pragma once
// Stand-ins for the link tests: a transport that hands each request to a responder and
// records the traffic, a clock that never sleeps, and a small controller with files.
// Frames are built here by hand (length, body, byte sum), independent of the code under test.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/transport.h"

namespace vilk::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes MakeFrame(const Bytes& body) {
  Bytes f{static_cast<std::uint8_t>(body.size())};
  unsigned sum = 0;
  for (std::uint8_t b : body) {
    f.push_back(b);
    sum += b;
  }
  f.push_back(static_cast<std::uint8_t>(sum));
  return f;
}

inline void PutLE(Bytes& b, std::size_t at, std::uint32_t v, int n) {
  if (b.size() < at + static_cast<std::size_t>(n)) b.resize(at + static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint32_t GetLE(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
  return v;
}

inline Bytes Ascii(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

class ScriptedTransport : public Transport {
 public:
  // Returns the answer to one request (a whole frame as it comes off the wire), or
  // nothing for no answer.
  std::function<Bytes(const Bytes&)> Respond;
  bool OpenResult = true;
  bool SendResult = true;

  std::vector<std::string> Calls;
  std::vector<Bytes> Sent;
  std::deque<Bytes> Inbox;
  int Opens = 0;
  int Closes = 0;

  bool Open() override {
    Calls.push_back("open");
    if (OpenResult) {
      open_ = true;
      ++Opens;
    }
    return OpenResult;
  }
  bool Close() override {
    Calls.push_back("close");
    const bool was = open_;
    if (was) ++Closes;
    open_ = false;
    return was;
  }
  bool IsOpen() const override { return open_; }
  void Discard() override {
    Calls.push_back("discard");
    Inbox.clear();
  }
  bool Send(const std::uint8_t* data, std::size_t size) override {
    Calls.push_back("send");
    Sent.emplace_back(data, data + size);
    if (!SendResult) return false;
    if (Respond) {
      Bytes answer = Respond(Sent.back());
      if (!answer.empty()) Inbox.push_back(std::move(answer));
    }
    return true;
  }
  std::size_t Receive(std::uint8_t* buffer, std::size_t capacity) override {
    Calls.push_back("receive");
    if (Inbox.empty()) return 0;
    Bytes a = std::move(Inbox.front());
    Inbox.pop_front();
    const std::size_t n = std::min(a.size(), capacity);
    std::copy(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    return n;
  }

 private:
  bool open_ = false;
};

class FakeClock : public IClock {
 public:
  LocalTime Time{2026, 3, 5, 7, 8, 9, 123};
  std::vector<int> Sleeps;
  LocalTime Now() override { return Time; }
  void Sleep(std::chrono::milliseconds d) override {
    Sleeps.push_back(static_cast<int>(d.count()));
  }
};

class CountingProgress : public IProgress {
 public:
  int Maximum = 0;
  int Position = 0;
  int Steps = 0;
  int Dones = 0;
  void SetMaximum(int m) override { Maximum = m; }
  void SetPosition(int p) override { Position = p; }
  void Step() override {
    ++Steps;
    ++Position;
  }
  void Done() override { ++Dones; }
};

// The identity answer's 23 bytes: name, year, letter, minor, major, type.
inline Bytes IdentityBytes(const std::string& cp1251Name, int year, int letter, int minor,
                           int major, int type) {
  Bytes b(23, 0);
  b[0] = static_cast<std::uint8_t>(cp1251Name.size());
  std::copy(cp1251Name.begin(), cp1251Name.end(), b.begin() + 1);
  PutLE(b, 17, static_cast<std::uint32_t>(year), 2);
  b[19] = static_cast<std::uint8_t>(letter);
  b[20] = static_cast<std::uint8_t>(minor);
  b[21] = static_cast<std::uint8_t>(major);
  b[22] = static_cast<std::uint8_t>(type);
  return b;
}

// A controller with files. Each request frame gets the answer the protocol describes;
// `Before` may replace any answer (return a value) to inject a fault.
class FakeController {
 public:
  std::map<std::string, Bytes> Files;  // by cp1251 name
  std::optional<Bytes> Identity = IdentityBytes("\xC2\xC8\xCB\xCA.A2", 2025, 0xFF, 12, 1, 23);
  std::function<std::optional<Bytes>(const Bytes& request)> Before;
  std::uint32_t ExpectedKey = 0;  // non-zero: writes must carry this key, else 1234
  std::int32_t Value = 0;
  std::map<std::string, Bytes> Writing;  // files being written, committed at their end
  int Reboots = 0;

  void Attach(ScriptedTransport& t) {
    t.Respond = [this](const Bytes& r) { return Answer(r); };
  }

  Bytes Answer(const Bytes& r) {
    if (Before)
      if (auto a = Before(r)) return *a;
    switch (r.at(1)) {
      case 0x88:
        ++Reboots;
        return {};
      case 0xA2: {
        if (!Identity) return {};
        Bytes body{0xA2};  // the identity follows the request code (offsets 2..24)
        body.insert(body.end(), Identity->begin(), Identity->end());
        return MakeFrame(body);
      }
      case 0x94: {
        const std::string name(r.begin() + 49, r.begin() + 49 + r.at(48));
        Bytes body(47, 0);
        body[0] = 0x94;
        auto f = Files.find(name);
        if (f == Files.end())
          PutLE(body, 2, 18, 2);  // offsets 3..4 of the frame
        else
          PutLE(body, 30, static_cast<std::uint32_t>(f->second.size()), 4);
        return MakeFrame(body);
      }
      case 0x95: {
        const std::string name(r.begin() + 12, r.begin() + 12 + r.at(11));
        const std::uint32_t pos = GetLE(r, 2, 4);
        auto f = Files.find(name);
        if (f == Files.end() || pos >= f->second.size()) return MakeFrame({0x95, 0x22, 0x04, 0});
        const std::size_t m = std::min<std::size_t>(r.at(10), f->second.size() - pos);
        Bytes body{0x95, 0, 0, static_cast<std::uint8_t>(m)};
        body.insert(body.end(), f->second.begin() + pos,
                    f->second.begin() + static_cast<std::ptrdiff_t>(pos + m));
        return MakeFrame(body);
      }
      case 0x96: {
        const std::string name(r.begin() + 3, r.begin() + 3 + r.at(2));
        const std::uint32_t pos = GetLE(r, 15, 4), total = GetLE(r, 19, 4);
        const std::size_t len = r.at(23);
        const bool withKey = r.at(0) == 161;
        if (ExpectedKey != 0 && (!withKey || GetLE(r, 152, 4) != ExpectedKey))
          return MakeFrame({0x96, 0xD2, 0x04});
        Bytes& w = Writing[name];
        if (pos == 0) w.clear();
        w.insert(w.end(), r.begin() + 24, r.begin() + 24 + static_cast<std::ptrdiff_t>(len));
        if (w.size() == total) {
          Files[name] = w;
          Writing.erase(name);
        }
        return MakeFrame({0x96, 0, 0});
      }
      case 0x9B:
        return MakeFrame({0x9B, 0, 0});
      case 0xA1: {
        Bytes body{0xA1, 0, 0};
        PutLE(body, 3, static_cast<std::uint32_t>(Value), 4);
        return MakeFrame(body);
      }
      default:
        return {};
    }
  }
};

}  // namespace vilk::test
