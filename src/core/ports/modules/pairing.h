#pragma once
// The two pairing ports: the port of two-position discrete inputs (TPortTS2) and the port
// of two-channel commands (TPortTU2). Each pair record joins two pool signals, an "off"
// and an "on" channel, into one logical signal; the port's own list holds one signal per
// record, which is what the controller publishes.
#include <cstdint>
#include <string>
#include <vector>

#include "model/item.h"
#include "model/record.h"
#include "signals/param.h"

namespace vilk {

class TParams;

constexpr int kPortTS2 = 132;
constexpr int kPortTU2 = 133;
constexpr int kPairTSBlock = 230;
constexpr int kPairTUBlock = 231;
constexpr int kMaxPairs = kMaxSignals;  // one own signal per record

struct TPair {
  std::string Name;  // "Пр%d": what the own signal's default name is made of
  SignalRef Off, On;
  // Two-position inputs: invert the channel's input (0 or 1). Two-channel commands: the
  // command sent on the channel (0 "Отключить", 1 "Включить").
  std::uint8_t OffFlag = 0, OnFlag = 0;
  std::uint16_t TransitionTime = 500;  // ms, two-position inputs only
  // Pool indexes as read, until AfterLoad turns them into references.
  std::int16_t LoadedOff = -1, LoadedOn = -1;
  // A record of a newer version: written back as it was read, never edited.
  std::vector<std::uint8_t> Kept;
};

class TPairPort : public TPort {
 public:
  TPairPort(Configuration& config, int kind, const char* name, int signalKind, int icon);

  std::vector<TPair> Pairs;

  int PairCount() const { return static_cast<int>(Pairs.size()); }
  TParams* OwnList() const;
  std::string PortText() const;  // "%d_Порт"
  // Grows (new records "Пр%d" with the lowest unused numbers) or shrinks from the end,
  // then rebuilds the own list. A count beyond 8192 is cut with a message.
  void SetCount(int count);
  // Frees record `index` and removes it; the others keep their names and signals.
  void RemovePair(int index);
  // Makes `signal` the channel's signal (nullptr clears it); the one it replaces is let
  // go. Refuses, with a message, a signal of another kind or the port's own.
  bool SetChannel(int index, bool on, TParam* signal);
  // Pool index of a channel's signal, -1 when it has none or it left the pool.
  int PoolIndex(const SignalRef& channel) const;
  // The channel's signal is held but no longer in the pool.
  bool Unresolved(const SignalRef& channel) const { return channel && PoolIndex(channel) < 0; }
  // The name shown for record `index`: its own signal's short name, else the record's.
  std::string PairName(int index) const;

  virtual std::uint16_t PairBlockId() const = 0;
  virtual std::uint16_t CountKey() const = 0;
  // "Новая версия TS2" / "Новая версия TU2"
  virtual const char* NewerVersionText() const = 0;
  bool HasTransitionTime() const { return SignalKind == kKindTS; }
  // Every record as `vilkcfg show` prints it.
  static std::vector<ShownField> ShowPairs(const TItem& item);

  void UpdateCaption() override;  // "%d_Порт %s"
  void UpdateSignalList() override;
  void AfterLoad() override;
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;

 protected:
  // The names for `count` new records: "Пр%d" with the lowest numbers no record uses.
  std::vector<std::string> FreshNames(int count) const;
  void SavePair(TConfig& cfg, const TPair& pair) const;
  // Reads the pair block whose header the cursor just passed (its header at `header`).
  void LoadPair(TConfig& cfg, std::size_t header, TPair& pair) const;
};

class TPortTS2 : public TPairPort {
 public:
  explicit TPortTS2(Configuration& config);
  std::uint16_t PairBlockId() const override { return kPairTSBlock; }
  std::uint16_t CountKey() const override { return 13; }
  const char* NewerVersionText() const override { return "Новая версия TS2"; }
  const RecordDesc* Record() const override;
};

class TPortTU2 : public TPairPort {
 public:
  explicit TPortTU2(Configuration& config);
  std::uint16_t PairBlockId() const override { return kPairTUBlock; }
  std::uint16_t CountKey() const override { return 15; }
  const char* NewerVersionText() const override { return "Новая версия TU2"; }
  const RecordDesc* Record() const override;
};

}  // namespace vilk
