#pragma once
// The port to a local control panel: the controller is the controlled station of the
// panel, over Modbus RTU or IEC 60870-5-101 on a COM board, and passes it a selection of
// the pool in six lists (ТС, ТУ, ТИ, ТИИ, ТР, МТС).
#include <array>
#include <cstdint>
#include <string>

#include "model/item.h"
#include "ports/telemechanics/pc.h"

namespace vilk {

class TParams;

constexpr int kPortPU = 101;

class TPortPU : public TPort {
 public:
  enum Protocol : std::uint8_t { kNoProtocol = 0, kModbusRTU = 1, kIec101 = 2 };
  static constexpr FormatRow kDefaultTSRow{8, 30, 0, 1, 21, 0};
  static constexpr FormatRow kDefaultTIRow{8, 11, 11, 0, 22, 0};
  static constexpr FormatRow kDefaultTIIRow{4, 0, 0, 0, 23, 36};

  explicit TPortPU(Configuration& config);

  std::string Place;
  std::uint8_t ProtocolCode = kIec101;
  FormatRow TSFormat = kDefaultTSRow;    // 0 per telegram, 3 interrogation type
  FormatRow TIFormat = kDefaultTIRow;    // 0 per telegram, 1 sporadic, 2 cyclic, 3 interrogation
  FormatRow TIIFormat = kDefaultTIIRow;  // 0 per telegram, 3 counter interrogation
  std::uint8_t LinkAddress = 1;          // 1..255
  std::uint8_t AsduAddress = 1;          // 1..255
  // bit 1: commands NOT allowed; bit 2: time setting NOT allowed.
  std::uint16_t Options = 0;
  std::uint16_t BaseTS = 0x2000, BaseTI = 0x4000, BaseTII = 0xA000, BaseTU = 0x6000,
                BaseTR = 0x8000, BaseMTS = 0xC000;

  // The summary bytes older controllers read, derived from the format rows.
  std::uint8_t SummaryTS() const { return TSFormat[3]; }
  std::uint8_t SummaryTI() const;
  std::uint8_t SummaryTII() const { return TIIFormat[0]; }

  // The selection list of a signal kind (1..6).
  TParams* List(int kind) const;
  std::uint16_t Base(int kind) const;
  // A timed ТИ format (35 or 36) in the sporadic, cyclic or interrogation cell allows at
  // most 16 ТИ per telegram.
  void NormalizeFormats() { LimitTimedTI(TIFormat); }
  static void LimitTimedTI(FormatRow& ti);
  // The text under "Период обновления ТИ".
  std::string UpdatePeriodText() const;
  // Every pool signal of ТС, ТУ, ТИ and ТР becomes the selection, in pool order (a
  // two-word ТИ takes two addresses; under IEC-101 each pool group of eight ТИ starts a
  // group of eight addresses).
  void TakeFromStorage() override;
  // "Экспортировать список параметров в INI": the document, and the file written whole.
  std::string IniText() const;
  bool ExportIni(const std::string& path) const;

  std::string LinkName() const override { return Place; }
  std::string ChannelName(const TParams& list, int index) const override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
};

}  // namespace vilk
