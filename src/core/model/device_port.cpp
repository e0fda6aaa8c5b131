#include "model/device_port.h"

#include "model/configuration.h"
#include "model/kinds.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

TParams* TDevicePort::LinkStates() const {
  if (ChildCount() == 0) return nullptr;
  TParams* list = Child(0)->AsParams();
  return list && list->SignalKind == kKindTS ? list : nullptr;
}

std::vector<TPort*> TDevicePort::Devices() const {
  std::vector<TPort*> devices;
  for (int i = 0; i < ChildCount(); ++i)
    if (TPort* device = Child(i)->AsPort()) devices.push_back(device);
  return devices;
}

void TDevicePort::UpdateLinkStateList() {
  if (loading_) return;  // the list waits until every device is read
  const std::vector<TPort*> devices = Devices();
  TParams* list = LinkStates();
  if (devices.empty()) {
    if (list) Config().Remove(list);
  } else {
    if (!list)
      list = static_cast<TParams*>(
          Config().Insert(this, 0, std::make_unique<TParamsTS>(Config(), kRoleOwn, this)));
    std::vector<std::string> names;
    names.reserve(devices.size());
    for (std::size_t i = 0; i < devices.size(); ++i)
      names.push_back(LinkStateName(*devices[i], static_cast<int>(i)));
    ExtraLinkStates(names);
    list->Rebuild(NameListSource(std::move(names)), 0, LinkStatePrefix());
  }
  LinkStatesChanged();
}

TItem* TDevicePort::AddChild(int kind) {
  auto made = MakeDevice(Config(), Kind, kind);
  if (!made) return nullptr;
  auto* device = static_cast<TPort*>(Config().Append(this, std::move(made)));
  device->UpdateCaption();
  DeviceAdded(*device);
  ChildrenChanged();
  return device;
}

TItem* TDevicePort::DuplicateChild(TItem* child) {
  if (!child || child->IsKept() || !child->AsPort()) return nullptr;
  TItem* copy = DuplicateByImage(child);
  if (!copy) return nullptr;
  ChildrenChanged();
  // The copy's link state joined the list after the copy's own rebuild of the pool.
  Storage().RebuildPool();
  return copy;
}

void TDevicePort::UpdateSignalList() {
  if (!renumbering_) UpdateLinkStateList();
}

void TDevicePort::Renumber(std::uint8_t number) {
  Number = number;
  UpdateCaption();
  renumbering_ = true;
  for (TPort* device : Devices())
    if (!device->IsKept()) RenameDeviceLists(*device);
  renumbering_ = false;
  UpdateLinkStateList();
}

void TDevicePort::ChildrenChanged() {
  RenumberDevices();
  UpdateLinkStateList();
}

void TDevicePort::LoadDevices(TConfig& cfg, std::size_t end) {
  std::size_t listHeader = 0;
  bool haveList = false;
  bool anyDevice = false;
  loading_ = true;
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    if (id == SignalKindOf(kKindTS)->BlockId && !haveList && !anyDevice) {
      cfg.NextBlock();
      listHeader = cfg.Cursor() - 8;
      haveList = true;
      cfg.SkipBlockAt(listHeader);
      continue;
    }
    LoadOrKeepNextChild(cfg, MakeDevice(Config(), Kind, id));
    anyDevice = true;
  }
  const std::size_t after = cfg.Cursor();
  loading_ = false;
  ChildrenChanged();
  if (TParams* list = haveList ? LinkStates() : nullptr) {
    cfg.Seek(listHeader);
    LoadChild(cfg, list);
  }
  cfg.Seek(after);
}

}  // namespace vilk
