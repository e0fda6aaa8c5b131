#pragma once
// One signal. Shared by reference between its own list, the pool and the selection
// lists of the ports that pass it on; destroyed when its last holder releases it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

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

class TParam;

// One counted hold on a signal: taken when made or copied, let go when destroyed or reset,
// so that no holder releases by hand. Own and selection lists keep their holds inside
// TParams; everything else (blocking inputs, the pool's lookups) holds a SignalRef.
class SignalRef {
 public:
  SignalRef() = default;
  SignalRef(std::nullptr_t) {}
  // One more hold on `signal` (nullptr gives an empty handle).
  static SignalRef Share(TParam* signal);
  // Takes over a hold that is already counted (a new signal, a list slot let go).
  static SignalRef Adopt(TParam* signal);
  // Lets a counted hold go that no handle carries (a list slot's); frees with the last.
  static void Drop(TParam* signal) { Adopt(signal); }
  SignalRef(const SignalRef& other);
  SignalRef(SignalRef&& other) noexcept : signal_(other.signal_) { other.signal_ = nullptr; }
  SignalRef& operator=(SignalRef other) noexcept {
    std::swap(signal_, other.signal_);
    return *this;
  }
  ~SignalRef();

  TParam* get() const { return signal_; }
  TParam* operator->() const { return signal_; }
  explicit operator bool() const { return signal_ != nullptr; }
  void reset() { SignalRef().swap(*this); }
  void swap(SignalRef& other) noexcept { std::swap(signal_, other.signal_); }
  friend bool operator==(const SignalRef& ref, const TParam* signal) {
    return ref.signal_ == signal;
  }
  // Hands the hold over to the caller (a list slot), leaving the handle empty.
  TParam* Detach() {
    TParam* s = signal_;
    signal_ = nullptr;
    return s;
  }

 private:
  TParam* signal_ = nullptr;
};

class TParam {
 public:
  explicit TParam(std::uint8_t kind);
  ~TParam();
  TParam(const TParam&) = delete;
  TParam& operator=(const TParam&) = delete;
  // Signals come from a pool of their own (see param.cpp).
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size) noexcept;

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
  std::int32_t IntValue = 0;  // live value of discrete and multi-state inputs
  float FloatValue = 0;       // live value of measurements and totals
  std::string Group;          // sporadic measurement group
  std::string Prefix;         // the owner part that Name begins with
  SignalRef BlockOn;          // commands: blocking input of "on"
  SignalRef BlockOff;         // commands: blocking input of "off"
  int PoolIndex = -1;         // position in the pool list at the last rebuild

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

// One more hold on a signal, as a handle.
inline SignalRef Acquire(TParam* signal) {
  return SignalRef::Share(signal);
}

}  // namespace vilk
