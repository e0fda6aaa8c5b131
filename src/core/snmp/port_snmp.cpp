#include "snmp/port_snmp.h"

#include <algorithm>

#include "base/format.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/records.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
// TPortSNMP
constexpr std::uint16_t kKeyNumber = 1, kKeyNetwork = 72, kKeyPollPeriod = 24, kKeyAnswerWait = 57,
                        kKeyDeviceCount = 20;
// TSNMP
constexpr std::uint16_t kKeyPlace = 77, kKeyRecordSize = 60, kKeyRecord = 102;
constexpr std::uint8_t kTwoWordValue = 4;  // every tag is read as a 32-bit value
constexpr int kImageWithTags = 28, kImageWithDevices = 2;
}  // namespace

// --- TSNMP ---

TSNMP::TSNMP(Configuration& config) : TPort(config) {
  Kind = kSNMPDevice;
  SetName("RTU");
  Number = 0;
  ImageIndex = 0;
  SetIcon(0);
  Menu = PopupMenu::DuplicateDelete;
  UpdateCaption();
}

TParams* TSNMP::Measurements() const {
  if (ChildCount() == 0) return nullptr;
  TParams* list = Child(0)->AsParams();
  return list && list->SignalKind == kKindTI ? list : nullptr;
}

void TSNMP::UpdateCaption() {
  SetCaption(Format("%d_%s", Number, Name()));
}

std::vector<std::string> TSNMP::MeasurementNames() const {
  std::vector<std::string> names;
  names.reserve(Device.Tags.size());
  for (std::size_t i = 0; i < Device.Tags.size(); ++i) {
    std::string name = Device.Tags[i].Name;
    std::replace(name.begin(), name.end(), '.', '_');
    auto taken = [&](const std::string& n) {
      return std::find(names.begin(), names.end(), n) != names.end();
    };
    if (i > 0 && taken(name)) {
      // Tags "a", "a_повтор2", "a": the third would repeat the second; count on until
      // the name is free, so that no two measurements share a name.
      int index = static_cast<int>(i);
      std::string repeat = Format("%s_повтор%d", name, index);
      while (taken(repeat)) repeat = Format("%s_повтор%d", name, ++index);
      name = repeat;
    }
    names.push_back(std::move(name));
  }
  return names;
}

void TSNMP::SetAddress(const std::array<std::uint8_t, 4>& address) {
  Device.Address = address;
  const std::uint8_t old = Number;
  Number = address[3];
  UpdateCaption();
  if (Number != old) UpdateSignalList();
}

void TSNMP::SetTags(TSNMP_TagList tags) {
  Device.Tags = std::move(tags);
  UpdateSignalList();
}

void TSNMP::UpdateSignalList() {
  UpdateCaption();
  const std::vector<std::string> names = MeasurementNames();
  TParams* list = Measurements();
  if (list && names.empty()) {
    Config().Remove(list);
    list = nullptr;
  } else if (!list && !names.empty()) {
    list = static_cast<TParams*>(
        Config().Insert(this, 0, std::make_unique<TParamsTI>(Config(), kRoleOwn, this)));
  }
  Number = Device.Address[3];
  UpdateCaption();  // the port names its link input after this caption
  if (list)
    list->Rebuild(NameListSource(names), kTwoWordValue,
                  Format("%s.%d_%s", PortText, Number, Name()));
  ImageIndex = names.empty() ? 0 : kImageWithTags;
  SetIcon(ImageIndex);
  if (auto* port = dynamic_cast<TPortSNMP*>(Parent())) port->UpdateSignalList();
}

void TSNMP::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  WriteShortString(cfg, kKeyPlace, Place, kMaxNameChars);
  const std::vector<std::uint8_t> record = Device.Serialize();
  cfg.WriteScalar<std::uint32_t>(kKeyRecordSize, static_cast<std::uint32_t>(record.size()));
  cfg.WriteValue(kKeyRecord, record.data(), record.size());
  for (int i = 0; i < ChildCount(); ++i) Child(i)->SaveToImage(cfg);
  cfg.EndBlock(start);
}

void TSNMP::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  // The owner's number starts every signal name; a duplicate is loaded the same way.
  if (const auto* port = dynamic_cast<const TPortSNMP*>(Parent())) PortText = port->PortText();
  if (!ReadVersion(cfg)) return;
  ReadShortString(cfg, kKeyPlace, kMaxNameChars, Place);
  std::uint32_t size = 0;
  const bool haveSize = cfg.ReadScalar(kKeyRecordSize, size);
  const std::uint8_t* data;
  std::size_t stored;
  if (cfg.FindValue(kKeyRecord, &data, &stored))
    Device.Parse(data, haveSize ? std::min<std::size_t>(size, stored) : stored);
  UpdateSignalList();
  UpdateCaption();
  if (TParams* list = Measurements(); list && PeekChild(cfg, end) == list->BlockId())
    LoadChild(cfg, list);
}

// --- TPortSNMP ---

TPortSNMP::TPortSNMP(Configuration& config) : TPort(config) {
  Kind = kPortSNMP;
  SetName("SNMP");
  Number = 1;
  BoardMask = kMaskIP;
  ImageIndex = kImageWithDevices;
  SetIcon(0);
  Menu = PopupMenu::AddDelete;
  UpdateCaption();
}

std::string TPortSNMP::PortText() const {
  return Format("%d_Порт", Number);
}

void TPortSNMP::UpdateCaption() {
  SetCaption(PortText());
}

TParams* TPortSNMP::LinkStates() const {
  if (ChildCount() == 0) return nullptr;
  TParams* list = Child(0)->AsParams();
  return list && list->SignalKind == kKindTS ? list : nullptr;
}

std::vector<TSNMP*> TPortSNMP::Devices() const {
  std::vector<TSNMP*> devices;
  for (int i = 0; i < ChildCount(); ++i)
    if (auto* d = dynamic_cast<TSNMP*>(Child(i))) devices.push_back(d);
  return devices;
}

std::string TPortSNMP::CountText() const {
  return Format("Количество подключенных устройств = %d", DeviceCount);
}

void TPortSNMP::Renumber(std::uint8_t number) {
  Number = number;
  UpdateCaption();
  for (TSNMP* device : Devices()) {
    device->PortText = PortText();
    device->UpdateSignalList();
  }
  UpdateSignalList();
}

TItem* TPortSNMP::AddChild(int kind) {
  if (kind != kSNMPDevice) return nullptr;
  auto made = MakeDevice(Config(), Kind, kind);
  if (!made) return nullptr;
  auto* device = static_cast<TSNMP*>(Config().Append(this, std::move(made)));
  device->PortText = PortText();
  device->UpdateSignalList();
  ChildrenChanged();
  return device;
}

TItem* TPortSNMP::DuplicateChild(TItem* child) {
  if (!dynamic_cast<TSNMP*>(child)) return nullptr;
  TItem* copy = DuplicateByImage(child);
  if (copy) ChildrenChanged();
  return copy;
}

void TPortSNMP::ChildrenChanged() {
  DeviceCount = static_cast<std::uint8_t>(ChildCount() - (LinkStates() ? 1 : 0));
  UpdateSignalList();
}

void TPortSNMP::UpdateSignalList() {
  if (Loading) return;
  const std::vector<TSNMP*> devices = Devices();
  SetIcon(devices.empty() ? 0 : kImageWithDevices);
  TParams* list = LinkStates();
  if (devices.empty()) {
    if (list) Config().Remove(list);
  } else {
    if (!list)
      list = static_cast<TParams*>(
          Config().Insert(this, 0, std::make_unique<TParamsTS>(Config(), kRoleOwn, this)));
    std::vector<std::string> names;
    for (const TSNMP* d : devices)
      names.push_back("связь_" + d->Caption() + (d->Place.empty() ? "" : "_" + d->Place));
    list->Rebuild(NameListSource(std::move(names)), 0, PortText());
  }
  DeviceCount = static_cast<std::uint8_t>(devices.size());
  Storage().RebuildPool();
}

void TPortSNMP::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  cfg.WriteScalar<std::uint8_t>(kKeyNumber, Number);
  cfg.WriteScalar<std::uint8_t>(kKeyNetwork, Network);
  cfg.WriteScalar<std::uint16_t>(kKeyPollPeriod, PollPeriod);
  cfg.WriteScalar<std::uint16_t>(kKeyAnswerWait, AnswerWait);
  cfg.WriteScalar<std::uint8_t>(kKeyDeviceCount, static_cast<std::uint8_t>(Devices().size()));
  for (int i = 0; i < ChildCount(); ++i) Child(i)->SaveToImage(cfg);
  cfg.EndBlock(start);
}

void TPortSNMP::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  cfg.ReadScalar(kKeyNumber, Number);
  cfg.ReadScalar(kKeyNetwork, Network);
  cfg.ReadScalar(kKeyPollPeriod, PollPeriod);
  cfg.ReadScalar(kKeyAnswerWait, AnswerWait);
  cfg.ReadScalar(kKeyDeviceCount, DeviceCount);
  UpdateCaption();

  Loading = true;  // the link-state list waits until every device is read
  LoadDevicesThenLinkStates(
      cfg, end, DeviceCount,
      [this] {
        Loading = false;
        ChildrenChanged();
      },
      [this] { return LinkStates(); });
}

}  // namespace vilk
