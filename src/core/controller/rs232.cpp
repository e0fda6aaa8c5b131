#include "controller/rs232.h"

#include "base/format.h"
#include "controller/models.h"
#include "model/configuration.h"
#include "model/record.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyNumber = 5, kKeySpeed = 6, kKeyParity = 7, kKeyInterface = 8,
                        kKeyStopBits = 40, kKeyGap = 39, kKeyStartUp = 24, kKeySwitchOff = 25,
                        kKeyTcpPort = 95;
}

TRS232::TRS232(Configuration& config, int kind) : TBlock(config) {
  Kind = static_cast<std::uint8_t>(kind);
  ImageIndex = 8;
  SetIcon(0);
  Number = 33;
  Menu = PopupMenu::Delete;
  SetInterface(kind == kComBoardRS232 ? 0 : 1);
}

void TRS232::SetInterface(int iface) {
  Interface = iface ? 1 : 0;
  SetName(Interface ? "RS485" : "RS232");
  BoardMask = Interface ? kMaskRS485 : kMaskRS232;
  UpdateCaption();
}

void TRS232::ApplyTimingDefaults() {
  const SerialTiming t = SerialTimingDefaults(Speed, Parity, StopBits);
  StartUp = static_cast<std::uint8_t>(t.StartUp);
  ReceiveGap = static_cast<std::uint8_t>(t.ReceiveGap);
}

void TRS232::UpdateCaption() {
  SetCaption(Format("COM_%d.%d %s", (Number - 32) / 16, Number % 16, Name()));
}

void TRS232::SetDefaults() {
  Speed = 9600;
  Parity = 0;
  StopBits = 1;
  ReceiveGap = 3;
  StartUp = 3;
  SwitchOff = 0;
  TcpPort = 0;
}

const RecordDesc* TRS232::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyNumber, "number", &TRS232::Number)
          .Field(kKeySpeed, "speed", &TRS232::Speed)
          .Field(kKeyParity, "parity", &TRS232::Parity)
          .Field(kKeyInterface, "interface", &TRS232::Interface)
          .Field(kKeyStopBits, "stop_bits", &TRS232::StopBits)
          .Field(kKeyGap, "receive_gap", &TRS232::ReceiveGap, 1, "мс")
          .Field(kKeyStartUp, "start_up", &TRS232::StartUp, 1, "мс")
          .Field(kKeySwitchOff, "switch_off", &TRS232::SwitchOff, 1, "мс")
          .Field(kKeyTcpPort, "tcp_port", &TRS232::TcpPort);
  return &record;
}

// Reading goes through the setters: number and interface carry the caption and the mask.
void TRS232::LoadFromImage(TConfig& cfg) {
  if (!ReadVersion(cfg)) return;
  std::uint8_t number = Number, iface = Interface, stop = StopBits;
  if (cfg.ReadScalar(kKeyNumber, number)) SetNumber(number);
  cfg.ReadScalar(kKeySpeed, Speed);
  cfg.ReadScalar(kKeyParity, Parity);
  if (cfg.ReadScalar(kKeyInterface, iface)) SetInterface(iface);
  if (cfg.ReadScalar(kKeyStopBits, stop)) StopBits = stop & 1;
  cfg.ReadScalar(kKeyGap, ReceiveGap);
  cfg.ReadScalar(kKeyStartUp, StartUp);
  cfg.ReadScalar(kKeySwitchOff, SwitchOff);
  cfg.ReadScalar(kKeyTcpPort, TcpPort);
}

}  // namespace vilk
