#pragma once
// Controlled-station polling: a serial port (TPortKP) polls remote stations (TKP) with
// "Сириус", "Виконт" or IEC 60870-5-101. A station's lists are sized from its count table;
// under Сириус and Виконт its measurements and totals come from the group-type table and
// every signal is named by group and parameter ("Гр%d_Пр%d").
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ports/telemechanics/counted.h"

namespace vilk {

constexpr int kPortKP = 112;
constexpr int kKPDevice = 206;
constexpr int kKPGroups = 256;

enum KPProtocol : std::uint8_t { kProtocolSirius = 0, kProtocolVikont = 1, kProtocolIec101 = 2 };

// Measurement group types of the group table (codes above 5 are kept but make nothing).
enum KPGroupType : std::uint8_t {
  kGroupNone = 0,
  kGroupTI11 = 1,   // 8 measurements, one word each
  kGroupTI13 = 2,   // 4 measurements, real
  kGroupTI15 = 3,   // 4 measurements, longint
  kGroupTII36 = 4,  // 2 totals, real
  kGroupTII37 = 5,  // 2 totals, longint
};
constexpr int kGroupTypeCount = 6;
// The cell text of a group type ("ТИ_11" ...), "" for none or a code this build lacks.
const char* GroupTypeText(int type);
// The context-menu entry of a group type ("Очистить", "ТИ_11 word" ...).
const char* GroupTypeMenuText(int type);

// The names and value formats a group table gives.
struct GroupSignals {
  std::vector<std::string> Measurements;
  std::vector<std::uint8_t> Formats;  // per measurement: 2 one word, 4 two words
  std::vector<std::string> Totals;
};
GroupSignals SignalsOfGroups(const std::array<std::uint8_t, kKPGroups>& types);
// "Гр%d_Пр%d": the name of parameter `param` of group `group`.
std::string GroupParamName(int group, int param);
// "Гр%d_Пр%d" for signal k (from 0): group k div 8 + 1, parameter k mod 8 + 1.
std::vector<std::string> GroupParamNames(int count);

class TKP : public TCountedDevice {
 public:
  explicit TKP(Configuration& config);

  std::uint8_t Asdu = 1;  // "Адрес ASDU" (one byte)
  std::uint8_t Protocol = kProtocolIec101;
  std::uint8_t Attempts = 5;           // 2..99
  std::uint16_t ReplyWait = 2000;      // ms, 1..65500
  std::uint16_t ReceiptWait = 3000;    // ms, 1..65500 (Сириус, Виконт)
  std::uint32_t CheckPeriod = 600000;  // ms, edited in minutes
  std::uint32_t Group1Period = 0, Group2Period = 0, Group3Period = 0;  // ms (IEC-101)
  std::uint32_t ClockPeriod = 0;  // ms, 0..24 minutes (IEC-101)
  std::uint8_t ArrayChannel = 0;  // Сириус, Виконт
  std::array<std::uint8_t, kKPGroups> GroupTypes{};
  std::uint8_t LinkAddressLength = 1;  // 1 or 2 (IEC-101)
  std::uint8_t AsduAddressLength = 1;  // 1 or 2 (IEC-101)

  // Сириус and Виконт: the measurement and total counts follow the group table.
  bool UsesGroupTable() const { return Protocol == kProtocolSirius || Protocol == kProtocolVikont; }
  // The counts the lists get: under Сириус and Виконт the measurements and totals are what
  // the group table makes.
  SignalCounts EffectiveCounts() const;
  // Another station of the same port with the same address.
  bool Clashes() const;
  // Sets the type of groups `groups` (group 0 stays 0) and rebuilds the lists; false (with
  // a message) when the pool of measurements or totals would overflow.
  bool SetGroupTypes(const std::vector<int>& groups, std::uint8_t type);
  // The settings a duplicate takes over (not the address and the place).
  void CopySettingsFrom(const TKP& source);

  void UpdateSignalList() override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;
};

class TPortKP : public TCountedPort {
 public:
  explicit TPortKP(Configuration& config);

  std::vector<TKP*> Stations() const;
  TItem* DuplicateChild(TItem* child) override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;
};

}  // namespace vilk
