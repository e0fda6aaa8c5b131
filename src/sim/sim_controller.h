#pragma once
// The stand-in controller's brain: answers one request frame from a folder of controller
// files, checks the access key of writes against the folder's "Password.ini", commits a
// written file only when its last segment arrived (and its CRC matched), and misbehaves on
// request (faults) so that the tool's failure paths can be reached.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vilk::sim {

struct Identity {
  std::string Name = "ВИЛК.A2";  // UTF-8, at most 16 characters
  int Year = 2025;
  int Letter = 0xFF;  // 0xFF: none
  int Minor = 12;
  int Major = 1;
  int Type = 23;
  bool Answers = true;  // false: Identify goes unanswered (an old controller)
};

// What to do to which request. Requests are counted per kind from 1.
struct Fault {
  enum Action { Drop, Mute, Delay, Corrupt, Echo, Error };
  std::string Request;  // identify find read write clock value reboot any
  Action What = Drop;
  int Argument = 0;  // delay in ms, error code
  int From = 1;
  int To = 1 << 30;

  // "write:error=1234@2", "read:drop@3-", "identify:drop", "any:delay=50@1-4".
  static std::optional<Fault> Parse(const std::string& text);
};

struct Reply {
  std::vector<std::uint8_t> Frame;  // empty: no answer
  int DelayMs = 0;
  std::string Log;  // one line describing the request and its outcome
};

class SimController {
 public:
  explicit SimController(std::string folder);

  Identity Id;
  std::vector<Fault> Faults;
  std::map<int, std::int32_t> Values;  // ReadValue; a missing address answers itself

  // Handles one received frame (exactly as it came off the line or the datagram).
  Reply Handle(const std::uint8_t* data, std::size_t size);

 private:
  struct Pending {
    std::vector<std::uint8_t> Data;
    std::uint32_t Total = 0;
    std::uint32_t LastPos = 0;
    std::uint32_t LastLen = 0;
    bool Committed = false;
  };

  std::vector<std::uint8_t> Answer(const std::vector<std::uint8_t>& req, std::string& log);
  std::vector<std::uint8_t> Identify(std::string& log);
  std::vector<std::uint8_t> Find(const std::vector<std::uint8_t>& req, std::string& log);
  std::vector<std::uint8_t> Read(const std::vector<std::uint8_t>& req, std::string& log);
  std::vector<std::uint8_t> Write(const std::vector<std::uint8_t>& req, std::string& log);
  std::uint16_t CheckKey(bool withKey, std::uint32_t key) const;
  // The local path of a controller file name, or empty for a name that is no plain name.
  std::string PathOf(const std::string& cp1251Name) const;

  std::string folder_;
  std::map<std::string, Pending> writing_;
  std::map<std::string, int> counts_;
  int all_ = 0;
};

// Request kind names used by faults and the log.
const char* RequestName(std::uint8_t code);

}  // namespace vilk::sim
