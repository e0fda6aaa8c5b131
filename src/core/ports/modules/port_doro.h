#pragma once
// The DORO port: polls the I/O modules over IEC 60870-5-101 on a COM board. Its
// link-state list names one "связь_" signal per module and, while a command module is on
// the port, the port's common "Работа ТУ" and "Сбой ТУ".
#include <cstdint>
#include <string>
#include <vector>

#include "model/device_port.h"

namespace vilk {

class TModule;

constexpr int kMaxModules = 255;  // the stored module count is one byte

class TPortDoro : public TDevicePort {
 public:
  explicit TPortDoro(Configuration& config);

  std::uint8_t ModuleCount = 0;  // as stored; the modules present are what counts

  std::string PortText() const;  // "%d_Порт"
  std::vector<TModule*> Modules() const;
  // "Количество подключенных модулей = %d"
  std::string CountText() const;

  // A module of kind 221, 222 or 229 at the lowest free address; nullptr (with a message
  // past the 255th) otherwise.
  TItem* AddChild(int kind) override;
  void UpdateCaption() override;  // "%d_Порт %s"
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;

 protected:
  void RenameDeviceLists(TPort& device) override;
  std::string LinkStateName(const TPort& device, int index) const override;
  std::string LinkStatePrefix() const override { return PortText(); }
  void ExtraLinkStates(std::vector<std::string>& names) const override;
  void DeviceAdded(TPort& device) override;
  void LinkStatesChanged() override;
};

}  // namespace vilk
