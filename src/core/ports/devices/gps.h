#pragma once
// The clock source of the controller: SNTP over the network or NMEA 0183 sentences. The
// port sets the controller's clock from it at a fixed period.
#include <cstdint>

#include "model/item.h"

namespace vilk {

constexpr int kPortGPS = 120;

class TPortGPS : public TPort {
 public:
  enum Protocol : std::uint8_t { kSNTP = 0, kNMEA = 1 };
  static constexpr std::uint16_t kSntpUdpPort = 123;
  static constexpr std::uint16_t kNmeaUdpPort = 10110;
  // A new port asks the gateway of the controller's default network for the time.
  static constexpr std::uint32_t kDefaultServer = 0xC0A80101;  // 192.168.1.1

  explicit TPortGPS(Configuration& config);

  std::uint32_t Period = 3600000;  // ms; edited in minutes
  std::uint16_t UdpPort = kSntpUdpPort;
  std::uint8_t ProtocolCode = kSNTP;
  std::uint32_t Server = kDefaultServer;  // first octet in the most significant byte
  std::uint8_t TimeZone = 3;              // hours

  // The UDP port a protocol listens on by default (SNTP for any unknown code).
  static std::uint16_t DefaultUdpPort(int protocol);
  // The user chose a protocol: its default UDP port is preset. The server address is
  // kept whatever the protocol (NMEA only disables it in the frame).
  void ChooseProtocol(std::uint8_t protocol);

  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;
};

}  // namespace vilk
