#pragma once
// A control-centre PC on the IP port: one IEC 60870-5-104 connection on which the
// controller is the controlled station. It owns six selection lists, one per signal kind,
// in the order of their information object addresses.
#include <array>
#include <cstdint>
#include <string>

#include "model/item.h"

namespace vilk {

class TParams;

// Rows of the format table: six bytes each (objects per message, sporadic, cyclic,
// interrogation, group interrogation, counter interrogation).
using FormatRow = std::array<std::uint8_t, 6>;

class TPC : public TPort {
 public:
  explicit TPC(Configuration& config);

  std::string Place;
  std::uint32_t PcIp = 0xC0A80100;  // 192.168.1.0
  std::uint32_t Gateway = 0;
  std::uint16_t AsduAddress = 1;
  FormatRow TSFormat{8, 30, 0, 1, 21, 0};
  FormatRow TIFormat{8, 11, 11, 0, 22, 0};
  FormatRow TIIFormat{8, 0, 0, 0, 23, 36};
  std::uint16_t CyclicInterval = 100;               // ms
  std::uint32_t T1 = 15000, T2 = 5000, T3 = 40000;  // ms
  std::uint8_t K = 12, W = 8;
  std::uint16_t Permissions =
      1;  // bit 0 file writes allowed; bits 1, 2 commands / time sync NOT allowed
  std::uint16_t BaseTS = 0x2000, BaseMTS = 0xC000, BaseTU = 0x6000, BaseTI = 0x4000,
                BaseTII = 0xA000, BaseTR = 0x8000;

  // The selection list of a signal kind (1..6).
  TParams* List(int kind) const;
  std::uint16_t Base(int kind) const;
  // Applies the rules between the format choosers (counts fall back to 16).
  void NormalizeFormats();
  // "Период обновления ТИ" label text.
  std::string UpdatePeriodText() const;

  std::string LinkName() const override { return Place; }
  std::string ChannelName(const TParams& list, int index) const override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
};

}  // namespace vilk
