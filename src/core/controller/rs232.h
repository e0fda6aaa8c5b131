#pragma once
// A COM board: one serial channel, RS-232 or RS-485 after the model's board list.
#include "model/item.h"

namespace vilk {

constexpr int kComBoardRS232 = 200;
constexpr int kComBoardRS485 = 223;

class TRS232 : public TBlock {
 public:
  TRS232(Configuration& config, int kind);

  std::int32_t Speed = 9600;
  std::uint8_t Parity = 0;     // 0 НЕТ, 1 НЕЧЕТ, 2 ЧЁТ, 3 МАРКЕР, 4 ПРОБЕЛ
  std::uint8_t Interface = 0;  // 0 RS-232, 1 RS-485
  std::uint8_t StopBits = 1;   // index: 0 "1", 1 "2"
  std::uint8_t ReceiveGap = 3;
  std::uint8_t StartUp = 3;
  std::uint8_t SwitchOff = 0;
  std::uint16_t TcpPort = 0;

  // Sets name, mask and caption together.
  void SetInterface(int iface);
  // Applies the timing defaults of the current speed, parity and stop bits.
  void ApplyTimingDefaults();

  std::uint16_t BlockId() const override { return kComBoardRS232; }
  void UpdateCaption() override;  // "COM_%d.%d %s"
  void SetDefaults() override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;
};

}  // namespace vilk
