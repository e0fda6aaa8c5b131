#include "ports/devices/gps.h"

#include "model/configuration.h"
#include "model/record.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyNumber = 1, kKeyUdpPort = 120, kKeyPeriod = 31, kKeyProtocol = 27,
                        kKeyServer = 49, kKeyTimeZone = 24;
}  // namespace

TPortGPS::TPortGPS(Configuration& config) : TPort(config) {
  Kind = kPortGPS;
  SetName("установки времени");
  Number = 1;
  ImageIndex = 17;
  SetIcon(17);
  Menu = PopupMenu::Delete;
  UpdateCaption();
}

std::uint16_t TPortGPS::DefaultUdpPort(int protocol) {
  return protocol == kNMEA ? kNmeaUdpPort : kSntpUdpPort;
}

void TPortGPS::ChooseProtocol(std::uint8_t protocol) {
  ProtocolCode = protocol;
  UdpPort = DefaultUdpPort(protocol);
}

const RecordDesc* TPortGPS::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyNumber, "number", &TPortGPS::Number)
          .Field(kKeyUdpPort, "udp_port", &TPortGPS::UdpPort)
          .Field(kKeyPeriod, "time_setting_period", &TPortGPS::Period, 60000, "мин")
          .Field(kKeyProtocol, "protocol", &TPortGPS::ProtocolCode)
          .Ip(kKeyServer, "sntp_server", &TPortGPS::Server)
          .Field(kKeyTimeZone, "time_zone", &TPortGPS::TimeZone, 1, "час");
  return &record;
}

void TPortGPS::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  UpdateCaption();
  // The port owns no blocks; one a later version adds is kept and written back.
  while (PeekChild(cfg, end) != kNoBlock) LoadOrKeepNextChild(cfg, nullptr);
}

}  // namespace vilk
