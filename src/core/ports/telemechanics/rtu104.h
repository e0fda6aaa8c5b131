#pragma once
// The IEC 60870-5-104 client: a port on the processor board (TPortRTU104) polls devices
// (TRTU104) by IP address; each device's lists are sized from its count table and named
// "%s.Пр%d" under the port text and the device's tree text.
#include <cstdint>
#include <string>
#include <vector>

#include "ports/telemechanics/counted.h"

namespace vilk {

constexpr int kPortRTU104 = 128;
constexpr int kRTU104Device = 224;

class TRTU104 : public TCountedDevice {
 public:
  explicit TRTU104(Configuration& config);

  std::uint32_t IpAddress = 0xC0A80101;  // 192.168.1.1, first octet most significant
  std::uint8_t Asdu = 1;                 // "Общий адрес АСДУ" (one byte)
  std::uint16_t T0 = 2000;               // ms, all five edited in seconds
  std::uint16_t ReconnectInterval = 10000;
  std::uint16_t T1 = 15000;
  std::uint16_t T2 = 5000;
  std::uint16_t T3 = 40000;
  std::uint32_t LinkLossTimeout = 60000;         // ms, edited in seconds
  std::uint32_t InterrogationInterval = 600000;  // ms, edited in minutes
  std::uint32_t ClockSyncInterval = 3600000;     // ms, edited in minutes
  std::uint8_t K = 12;                           // 0..50
  std::uint8_t W = 8;                            // 0..50

  // A new IP address: the number follows the last octet, caption and names with it.
  void SetIp(std::uint32_t ip);
  // Another device of the port with the same last octet (what the frame says when the
  // device is shown).
  bool SameAddress() const;
  // Another device of the port with the same whole IP address (while the last octet is
  // edited).
  bool SameIp() const;
  // The settings a duplicate takes over (not the IP address and the place).
  void CopySettingsFrom(const TRTU104& source);

  void UpdateSignalList() override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
};

class TPortRTU104 : public TCountedPort {
 public:
  explicit TPortRTU104(Configuration& config);

  std::uint8_t Network = 1;  // always 1 ("Сеть 1")

  std::vector<TRTU104*> Rtus() const;
  TItem* DuplicateChild(TItem* child) override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;

 protected:
  void LinkStatesChanged() override;
};

}  // namespace vilk
