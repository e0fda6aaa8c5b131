#include "sim_controller.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/files.h"
#include "base/format.h"
#include "base/text.h"
#include "link/frame.h"

namespace vilk::sim {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kMaxFile = 0x100000;

Bytes MakeAnswer(Bytes body) {
  Bytes f;
  f.reserve(body.size() + 2);
  f.push_back(static_cast<std::uint8_t>(body.size()));
  f.insert(f.end(), body.begin(), body.end());
  f.push_back(FrameChecksum(body.data(), body.size()));
  return f;
}

std::uint32_t Get(const Bytes& r, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) {
    const std::size_t k = at + static_cast<std::size_t>(i);
    v = (v << 8) | (k < r.size() ? r[k] : 0);
  }
  return v;
}

void Put(Bytes& b, std::size_t at, std::uint32_t v, int n) {
  if (b.size() < at + static_cast<std::size_t>(n)) b.resize(at + static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The name field of a request: `n` cp1251 bytes at `at`, clipped to the frame and to 12.
std::string NameAt(const Bytes& r, std::size_t lengthAt) {
  if (lengthAt >= r.size()) return {};
  const std::size_t n = std::min<std::size_t>({r[lengthAt], 12, r.size() - lengthAt - 1});
  return std::string(r.begin() + static_cast<std::ptrdiff_t>(lengthAt + 1),
                     r.begin() + static_cast<std::ptrdiff_t>(lengthAt + 1 + n));
}

Bytes ErrorAnswer(std::uint8_t code, std::uint16_t error) {
  switch (code) {
    case kReqFindFile: {
      Bytes body(47, 0);
      body[0] = code;
      Put(body, 2, error, 2);
      return MakeAnswer(body);
    }
    case kReqReadSegment:
      return MakeAnswer(
          {code, static_cast<std::uint8_t>(error), static_cast<std::uint8_t>(error >> 8), 0});
    case kReqReadValue:
      return MakeAnswer({code, static_cast<std::uint8_t>(error),
                         static_cast<std::uint8_t>(error >> 8), 0, 0, 0, 0});
    default:
      return MakeAnswer(
          {code, static_cast<std::uint8_t>(error), static_cast<std::uint8_t>(error >> 8)});
  }
}

std::optional<int> ToInt(const std::string& s) {
  if (s.empty()) return std::nullopt;
  std::size_t used = 0;
  try {
    const long v = std::stol(s, &used, 0);
    if (used != s.size()) return std::nullopt;
    return static_cast<int>(v);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace

const char* RequestName(std::uint8_t code) {
  switch (code) {
    case kReqReboot:
      return "reboot";
    case kReqFindFile:
      return "find";
    case kReqReadSegment:
      return "read";
    case kReqWriteSegment:
      return "write";
    case kReqSetClock:
      return "clock";
    case kReqReadValue:
      return "value";
    case kReqIdentify:
      return "identify";
    default:
      return "unknown";
  }
}

std::optional<Fault> Fault::Parse(const std::string& text) {
  Fault f;
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  f.Request = text.substr(0, colon);
  static const char* kinds[] = {"identify", "find",  "read",   "write",
                                "clock",    "value", "reboot", "any"};
  if (std::find_if(std::begin(kinds), std::end(kinds),
                   [&](const char* k) { return f.Request == k; }) == std::end(kinds))
    return std::nullopt;
  std::string action = text.substr(colon + 1);
  const std::size_t at = action.find('@');
  if (at != std::string::npos) {
    const std::string range = action.substr(at + 1);
    action = action.substr(0, at);
    const std::size_t dash = range.find('-');
    const auto from = ToInt(range.substr(0, dash));
    if (!from || *from < 1) return std::nullopt;
    f.From = *from;
    if (dash == std::string::npos) {
      f.To = *from;
    } else if (dash + 1 < range.size()) {
      const auto to = ToInt(range.substr(dash + 1));
      if (!to || *to < f.From) return std::nullopt;
      f.To = *to;
    }
  }
  std::string arg;
  const std::size_t eq = action.find('=');
  if (eq != std::string::npos) {
    arg = action.substr(eq + 1);
    action = action.substr(0, eq);
  }
  if (action == "drop")
    f.What = Drop;
  else if (action == "mute")
    f.What = Mute;
  else if (action == "corrupt")
    f.What = Corrupt;
  else if (action == "echo")
    f.What = Echo;
  else if (action == "delay")
    f.What = Delay;
  else if (action == "error")
    f.What = Error;
  else
    return std::nullopt;
  if (f.What == Delay || f.What == Error) {
    const auto v = ToInt(arg);
    if (!v || *v < 0 || (f.What == Error && *v > 0xFFFF)) return std::nullopt;
    f.Argument = *v;
  } else if (!arg.empty()) {
    return std::nullopt;
  }
  return f;
}

SimController::SimController(std::string folder) : folder_(std::move(folder)) {}

std::string SimController::PathOf(const std::string& cp1251Name) const {
  if (cp1251Name.empty() || cp1251Name == "." || cp1251Name == "..") return {};
  for (unsigned char c : cp1251Name)
    if (c < 0x20 || c == '/' || c == '\\') return {};
  return folder_ + "/" + Cp1251ToUtf8(cp1251Name);
}

Reply SimController::Handle(const std::uint8_t* data, std::size_t size) {
  Reply reply;
  if (!FrameIsSound(data, size)) {
    reply.Log = Format("garbage %d bytes", static_cast<int>(size));
    return reply;
  }
  const Bytes req(data, data + size);
  const std::uint8_t code = req[1];
  const std::string kind = RequestName(code);
  const int nth = ++counts_[kind];
  const int any = ++all_;

  const Fault* fault = nullptr;
  for (const Fault& f : Faults) {
    const int n = f.Request == "any" ? any : nth;
    if ((f.Request == kind || f.Request == "any") && n >= f.From && n <= f.To) {
      fault = &f;
      break;
    }
  }
  if (fault && fault->What == Fault::Drop) {
    reply.Log = kind + " [drop]";
    return reply;
  }
  if (fault && fault->What == Fault::Error && code != kReqReboot && code != kReqIdentify) {
    reply.Frame = ErrorAnswer(code, static_cast<std::uint16_t>(fault->Argument));
    reply.Log = kind + Format(" [error %d]", fault->Argument);
    return reply;
  }

  std::string log;
  reply.Frame = Answer(req, log);
  reply.Log = log;
  if (!fault) return reply;
  switch (fault->What) {
    case Fault::Mute:
      reply.Frame.clear();
      reply.Log += " [mute]";
      break;
    case Fault::Delay:
      reply.DelayMs = fault->Argument;
      reply.Log += Format(" [delay %d]", fault->Argument);
      break;
    case Fault::Corrupt:
      if (!reply.Frame.empty()) reply.Frame.back() ^= 0x5A;
      reply.Log += " [corrupt]";
      break;
    case Fault::Echo:
      if (reply.Frame.size() >= 3) {
        reply.Frame[1] ^= 0x01;
        const std::size_t l = reply.Frame[0];
        reply.Frame[l + 1] = FrameChecksum(reply.Frame.data() + 1, l);
      }
      reply.Log += " [echo]";
      break;
    default:
      break;
  }
  return reply;
}

Bytes SimController::Answer(const Bytes& req, std::string& log) {
  switch (req[1]) {
    case kReqIdentify:
      return Identify(log);
    case kReqFindFile:
      return Find(req, log);
    case kReqReadSegment:
      return Read(req, log);
    case kReqWriteSegment:
      return Write(req, log);
    case kReqSetClock:
      log = Format("clock 20%02d-%02d-%02d %02d:%02d:%02d.%03d", req[8], req[7], req[6], req[5],
                   req[4], static_cast<int>(Get(req, 2, 2) / 1000),
                   static_cast<int>(Get(req, 2, 2) % 1000));
      return MakeAnswer({kReqSetClock, 0, 0});
    case kReqReadValue: {
      const int address = static_cast<int>(Get(req, 2, 2));
      const auto v = Values.find(address);
      const std::int32_t value = v == Values.end() ? address : v->second;
      log = Format("value %d -> %d", address, value);
      Bytes body{kReqReadValue, 0, 0};
      Put(body, 3, static_cast<std::uint32_t>(value), 4);
      return MakeAnswer(body);
    }
    case kReqReboot:
      log = "reboot";
      return {};
    default:
      log = Format("unknown request %2.2x", req[1]);
      return {};
  }
}

Bytes SimController::Identify(std::string& log) {
  if (!Id.Answers) {
    log = "identify -> no answer";
    return {};
  }
  Bytes body{kReqIdentify};
  const std::string name = Utf8ToCp1251(Id.Name).substr(0, 16);
  body.push_back(static_cast<std::uint8_t>(name.size()));
  body.insert(body.end(), name.begin(), name.end());
  body.resize(1 + 17, 0);
  Put(body, 18, static_cast<std::uint32_t>(Id.Year), 2);
  body.push_back(static_cast<std::uint8_t>(Id.Letter));
  body.push_back(static_cast<std::uint8_t>(Id.Minor));
  body.push_back(static_cast<std::uint8_t>(Id.Major));
  body.push_back(static_cast<std::uint8_t>(Id.Type));
  log = Format("identify -> type %d v%d.%d", Id.Type, Id.Major, Id.Minor);
  return MakeAnswer(body);
}

Bytes SimController::Find(const Bytes& req, std::string& log) {
  const std::string name = NameAt(req, 48);
  const std::string path = PathOf(name);
  Bytes body(47, 0);
  body[0] = kReqFindFile;
  body[1] = req.size() > 2 ? req[2] : 0;
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
    Put(body, 2, kErrEndOfFileList, 2);
    log = "find " + Cp1251ToUtf8(name) + " -> not found";
  } else {
    const auto size = std::filesystem::file_size(path, ec);
    Put(body, 30, static_cast<std::uint32_t>(size), 4);
    log = "find " + Cp1251ToUtf8(name) + Format(" -> size %d", static_cast<long long>(size));
  }
  return MakeAnswer(body);
}

Bytes SimController::Read(const Bytes& req, std::string& log) {
  const std::uint32_t pos = Get(req, 2, 4), total = Get(req, 6, 4);
  const std::uint32_t len = req.size() > 10 ? req[10] : 0;
  const std::string name = NameAt(req, 11);
  const std::uint32_t key = req[0] >= 27 ? Get(req, 24, 4) : 0;
  log = "read " + Cp1251ToUtf8(name) +
        Format(" pos %d len %d total %d key %8.8X", pos, len, total, key);
  const std::string path = PathOf(name);
  std::ifstream in(path, std::ios::binary);
  if (path.empty() || !in) {
    log += " -> no file";
    return ErrorAnswer(kReqReadSegment, FileStageError(33, 9));
  }
  in.seekg(0, std::ios::end);
  const auto size = static_cast<std::uint32_t>(in.tellg());
  if (len == 0 || len > 128 || pos >= size) {
    log += " -> bad position";
    return ErrorAnswer(kReqReadSegment, FileStageError(35, 15));
  }
  const std::uint32_t m = std::min(len, size - pos);
  Bytes body{kReqReadSegment, 0, 0, static_cast<std::uint8_t>(m)};
  body.resize(4 + m);
  in.seekg(pos);
  in.read(reinterpret_cast<char*>(body.data() + 4), m);
  if (!in) {
    log += " -> read error";
    return ErrorAnswer(kReqReadSegment, FileStageError(34, 25));
  }
  log += Format(" -> %d bytes", m);
  return MakeAnswer(body);
}

std::uint16_t SimController::CheckKey(bool withKey, std::uint32_t key) const {
  std::ifstream in(folder_ + "/Password.ini", std::ios::binary);
  if (!in) return 0;  // no password file: the controller lets anyone write
  if (!withKey) return kErrWrongPassword;
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.empty()) continue;
    if (Crc32NoFinalXor(std::string_view(line).substr(0, 33)) == key) return 0;
  }
  return kErrWrongPassword;
}

Bytes SimController::Write(const Bytes& req, std::string& log) {
  const std::string name = NameAt(req, 2);
  const std::uint32_t pos = Get(req, 15, 4), total = Get(req, 19, 4);
  const std::uint32_t len = req.size() > 23 ? req[23] : 0;
  const bool withKey = req[0] == 161;
  const std::uint32_t key = withKey ? Get(req, 152, 4) : 0;
  const std::uint32_t crc = withKey ? Get(req, 156, 4) : 0;
  log = "write " + Cp1251ToUtf8(name) + Format(" pos %d len %d total %d", pos, len, total) +
        (withKey ? Format(" key %8.8X crc %8.8X", key, crc) : std::string(" nokey"));
  auto fail = [&](std::uint16_t error) {
    log += Format(" -> error %d", error);
    writing_.erase(name);
    return ErrorAnswer(kReqWriteSegment, error);
  };

  if (const std::uint16_t e = CheckKey(withKey, key)) {
    log += Format(" -> error %d", e);
    return ErrorAnswer(kReqWriteSegment, e);  // a refused key leaves any transfer as it was
  }
  const std::string path = PathOf(name);
  if (path.empty()) return fail(FileStageError(38, 3));
  if (total > kMaxFile) return fail(FileStageError(39, 22));
  if (len == 0 || len > 128 || 24 + len > req.size() - 1 || pos + len > total)
    return fail(FileStageError(40, 15));
  const std::uint8_t* data = req.data() + 24;

  Pending& p = writing_[name];
  if (pos == 0) {
    p = Pending{};
    p.Total = total;
  } else if (pos == p.LastPos && len == p.LastLen && total == p.Total &&
             p.Data.size() == pos + len) {
    // The same segment again: its answer was lost. Acknowledge without appending.
    if (std::equal(data, data + len, p.Data.begin() + pos)) {
      log += " -> repeated";
      return MakeAnswer({kReqWriteSegment, 0, 0});
    }
    return fail(FileStageError(40, 15));
  } else if (p.Committed || pos != p.Data.size() || total != p.Total) {
    return fail(FileStageError(40, 15));
  }
  p.Data.insert(p.Data.end(), data, data + len);
  p.LastPos = pos;
  p.LastLen = len;
  if (p.Data.size() < p.Total) {
    log += " -> ok";
    return MakeAnswer({kReqWriteSegment, 0, 0});
  }
  if (withKey && Crc32NoFinalXor(p.Data) != crc) return fail(FileStageError(39, 25));
  std::string error;
  if (!WriteFileAtomic(path, p.Data.data(), p.Data.size(), &error))
    return fail(FileStageError(43, 18));
  p.Committed = true;
  log += " -> committed";
  return MakeAnswer({kReqWriteSegment, 0, 0});
}

}  // namespace vilk::sim
