#pragma once
// The IP port: always the first port; its children are the control-centre PCs and,
// while there are any, their link-state list.
#include <cstdint>
#include <string>

#include "model/device_port.h"

namespace vilk {

class TParams;

constexpr int kPortIP = 100;
constexpr int kPCKind = 202;

// Dotted text <-> the stored form (first octet in the most significant byte).
std::string IpToText(std::uint32_t ip);
bool IpFromText(const std::string& text, std::uint32_t* ip);
constexpr std::uint32_t Ip(int a, int b, int c, int d) {
  return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
         (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

class TPortIP : public TDevicePort {
 public:
  explicit TPortIP(Configuration& config);

  std::uint32_t Net1Ip = Ip(192, 168, 1, 222);
  std::uint32_t Net1Mask = Ip(255, 255, 255, 0);
  std::uint32_t Net1Gateway = 0;
  std::uint32_t Net2Ip = Ip(192, 168, 1, 222);
  std::uint32_t Net2Mask = Ip(255, 255, 255, 0);
  std::uint32_t Net2Gateway = 0;
  std::string GsmApn, GsmUser, GsmPassword;  // at most 16 characters each
  std::uint8_t GsmAuth = 1;                  // 0 нет, 1 PAP, 2 CHAP, 3 PAP или CHAP
  std::uint8_t GsmNetType = 0;               // 0 Авто, 2 2G, 4 4G
  std::uint8_t PcCount = 0;

  int PcTotal() const { return DeviceTotal(); }

  void UpdateCaption() override;  // the name alone
  void SetDefaults() override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;

 protected:
  // "связь_" + the PC's caption + "_" + its place (or its position when it has none).
  std::string LinkStateName(const TPort& pc, int index) const override;
  // PCs are numbered by their place under the port (the number is not stored).
  void RenumberDevices() override;
  void LinkStatesChanged() override;
};

}  // namespace vilk
