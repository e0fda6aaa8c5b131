#pragma once
// A port that owns devices: the device list, the link-state list (one ТС per device, the
// port's first child while it has devices), add, duplicate, renumber and the loading
// order that lets stored names of renamed link states survive.
#include <string>
#include <vector>

#include "model/item.h"

namespace vilk {

class TParams;

class TDevicePort : public TPort {
 public:
  using TPort::TPort;

  TParams* LinkStates() const;  // nullptr while there is no device
  // The devices in tree order (kept unread ones too: they hold a link state as well).
  std::vector<TPort*> Devices() const;
  int DeviceTotal() const { return static_cast<int>(Devices().size()); }
  // Creates, renames or removes the link-state list after the devices.
  void UpdateLinkStateList();

  TItem* AddChild(int kind) override;
  TItem* DuplicateChild(TItem* child) override;
  void ChildrenChanged() override;
  // While the port renumbers, its devices' rebuilds leave the link states to the end.
  void UpdateSignalList() override;
  // A new port number: the caption, then every device's lists named after it, then the link
  // states once.
  void Renumber(std::uint8_t number);

 protected:
  // The name of device `index`'s link state (without the list's prefix).
  virtual std::string LinkStateName(const TPort& device, int index) const = 0;
  // What link-state names start with (the list's prefix).
  virtual std::string LinkStatePrefix() const { return Caption(); }
  // Link-state names that follow the devices' own (a port's common status signals).
  virtual void ExtraLinkStates(std::vector<std::string>& /*names*/) const {}
  // A device just made by AddChild, before the port renumbers.
  virtual void DeviceAdded(TPort& /*device*/) {}
  // Numbers and captions of the devices after a change (ChildrenChanged).
  virtual void RenumberDevices() {}
  // After the link-state list changed: counts, icons, the pool.
  virtual void LinkStatesChanged() {}
  // A device's lists named after the port's current number and rebuilt (Renumber).
  virtual void RenameDeviceLists(TPort& /*device*/) {}

  // Reads the children inside the port's block (ending at `end`): the devices first (of
  // the kinds under this port; unknown blocks are kept), then the names stored in the
  // link-state list's block, which precedes them in the image but is named after them.
  void LoadDevices(TConfig& cfg, std::size_t end);

  bool renumbering_ = false;  // device rebuilds leave the link states to the end

 private:
  bool loading_ = false;
};

}  // namespace vilk
