#pragma once
// SNMP polling: a port under the processor board (TPortSNMP) with its SNMP devices (TSNMP).
// A device has an IPv4 address and tags to read; each tag is one measurement of the
// device, and the port has one link-state input per device.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/device_port.h"
#include "snmp/device_record.h"

namespace vilk {

class TParams;

constexpr int kPortSNMP = 134;
constexpr int kSNMPDevice = 232;

class TSNMP : public TPort {
 public:
  explicit TSNMP(Configuration& config);

  std::string Place;     // "Место установки", at most 64 characters
  std::string PortText;  // "%d_Порт" of the owning port: the start of the signal names
  TSNMP_device Device;

  TParams* Measurements() const;  // nullptr while there are no tags
  // The measurement names the tags give: "." becomes "_", a repeated name gets
  // "_повтор" and the tag's position.
  std::vector<std::string> MeasurementNames() const;

  // "IP адрес": the device number follows the last byte; the signals are renamed when it
  // changed.
  void SetAddress(const std::array<std::uint8_t, 4>& address);
  // The MIB dialog's result: the tags replace the old ones.
  void SetTags(TSNMP_TagList tags);

  void UpdateCaption() override;  // "%d_%s"
  void UpdateSignalList() override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;
};

class TPortSNMP : public TDevicePort {
 public:
  explicit TPortSNMP(Configuration& config);

  std::uint8_t Network = 1;        // always 1 ("Сеть 1")
  std::uint16_t PollPeriod = 200;  // "Период опроса RTU, мс", 10..1000
  std::uint16_t AnswerWait = 500;  // "Время ожидания ответа, мс", 100..2000
  std::uint8_t DeviceCount = 0;

  std::string PortText() const;  // "%d_Порт"
  std::vector<TSNMP*> SnmpDevices() const;
  // "Количество подключенных устройств = %d"
  std::string CountText() const;

  void UpdateCaption() override;  // "%d_Порт"
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;

 protected:
  void RenameDeviceLists(TPort& device) override;
  // "связь_" + the device's caption, then "_" + its place when it has one.
  std::string LinkStateName(const TPort& device, int index) const override;
  std::string LinkStatePrefix() const override { return PortText(); }
  void DeviceAdded(TPort& device) override;
  // A device dragged or pasted in from another port takes this port's name part.
  void RenumberDevices() override;
  void LinkStatesChanged() override;
};

}  // namespace vilk
