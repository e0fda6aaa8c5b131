#pragma once
// One signal. Shared by reference between its own list, the pool and the selection
// lists of the ports that pass it on; destroyed when its last holder releases it.
#include <cstdint>
#include <string>
#include <string_view>

namespace vilk {

// Signal kind codes (the item's signal kind).
enum SignalKindCode : std::uint8_t {
  kKindTS = 1,   // discrete input
  kKindTU = 2,   // command
  kKindTI = 3,   // measurement
  kKindTII = 4,  // integrated total
  kKindTR = 5,   // set-point
  kKindMTS = 6,  // multi-state input
};
constexpr int kSignalKinds = 6;
constexpr int kMaxSignals = 8192;

struct SignalKindInfo {
  std::uint8_t Code;
  const char* Caption;  // tree caption, also the kind's short name
  std::uint16_t BaseNumber;
  std::uint16_t BlockId;
  std::uint16_t CountKey;
  int TreeImage;
};
// Kind code 1..6; anything else yields nullptr.
const SignalKindInfo* SignalKindOf(int code);
// The kind whose list block id is `blockId`, or 0.
int SignalKindOfBlock(int blockId);

class TParam {
 public:
  explicit TParam(std::uint8_t kind);
  ~TParam();
  TParam(const TParam&) = delete;
  TParam& operator=(const TParam&) = delete;

  std::uint8_t Kind;        // 1..6 (what the own signal class would be)
  std::int16_t Number = 0;  // position in its list
  std::uint8_t ValueFormat = 0;
  bool Fixed = false;
  bool Selected = false;
  bool Unresolved = false;
  std::uint32_t RefCount = 1;  // wider than a byte on purpose: 300 holders must not wrap
  std::uint8_t TSType = 0;     // 0 single, 1 first of a double-point pair, 2 second
  std::uint8_t Inverted = 0;   // 4 when inverted
  float Gain = 0;
  float Offset = 0;
  std::int32_t IntValue = 0;   // live value of discrete and multi-state inputs
  float FloatValue = 0;        // live value of measurements and totals
  std::string Group;           // sporadic measurement group
  std::string Prefix;          // the owner part that Name begins with
  TParam* BlockOn = nullptr;   // commands: blocking input of "on" (counted reference)
  TParam* BlockOff = nullptr;  // commands: blocking input of "off"
  int PoolIndex = -1;          // position in the pool list at the last rebuild

  const std::string& Name() const { return name_; }
  const std::string& DefaultName() const { return defaultName_; }
  void SetName(std::string_view name);         // cut to 64 characters
  void SetDefaultName(std::string_view name);  // cut to 64 characters
  void SetGroup(std::string_view group) { Group = Cut(group); }

  // Counters that change whenever any signal's name or default name changes; the pool
  // uses them to know when its name indexes are stale.
  static std::uint64_t NameGeneration() { return nameGeneration_; }
  static std::uint64_t DefaultNameGeneration() { return defaultNameGeneration_; }
  static std::string Cut(std::string_view text);

 private:
  std::string name_;
  std::string defaultName_;
  static inline std::uint64_t nameGeneration_ = 0;
  static inline std::uint64_t defaultNameGeneration_ = 0;
};

// Takes one more hold on a signal (nullptr passes through).
TParam* Acquire(TParam* signal);
// Lets one hold go; frees the signal with the last one.
void Release(TParam* signal);

}  // namespace vilk
