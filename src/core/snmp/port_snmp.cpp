#include "snmp/port_snmp.h"

#include <algorithm>

#include "base/format.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "model/records.h"
#include "signals/names.h"
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

// Dotted text of a tag's BER content (for reports; an unfinished last arc is left out).
std::string OidText(const TSNMP_Tag& tag) {
  std::string text;
  std::uint32_t arc = 0;
  for (std::size_t i = 0; i < tag.OidLength && i < tag.Oid.size(); ++i) {
    arc = (arc << 7) | (tag.Oid[i] & 0x7F);
    if (tag.Oid[i] & 0x80) continue;
    if (text.empty())
      text = arc < 80 ? Format("%d.%d", arc / 40, arc % 40) : Format("2.%d", arc - 80);
    else
      text += Format(".%d", arc);
    arc = 0;
  }
  return text;
}

std::vector<ShownField> ShowDevice(const TSNMP_device& d) {
  std::vector<ShownField> shown{
      {"address", Format("%d.%d.%d.%d", d.Address[0], d.Address[1], d.Address[2], d.Address[3]), "",
       kKeyRecord, true},
      {"udp_port", Format("%d", d.UdpPort), "", kKeyRecord, false},
      {"param1", Format("%d", d.Param1), "", kKeyRecord, false},
      {"param2", Format("%d", d.Param2), "", kKeyRecord, false},
      {"tag_count", Format("%d", static_cast<int>(d.Tags.size())), "", kKeyRecord, false}};
  for (std::size_t i = 0; i < d.Tags.size(); ++i)
    shown.push_back({Format("tag%d", static_cast<int>(i) + 1),
                     d.Tags[i].Name + " " + OidText(d.Tags[i]), "", kKeyRecord, true});
  return shown;
}
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
  for (const TSNMP_Tag& tag : Device.Tags) {
    names.push_back(tag.Name);
    std::replace(names.back().begin(), names.back().end(), '.', '_');
  }
  MarkRepeats(names);
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
  std::vector<std::string> names = MeasurementNames();
  const bool any = !names.empty();
  TParams* list = Measurements();
  if (list && !any) {
    Config().Remove(list);
    list = nullptr;
  } else if (!list && any) {
    list = static_cast<TParams*>(
        Config().Insert(this, 0, std::make_unique<TParamsTI>(Config(), kRoleOwn, this)));
  }
  Number = Device.Address[3];
  UpdateCaption();  // the port names its link input after this caption
  if (list)
    list->Rebuild(NameListSource(std::move(names)), kTwoWordValue,
                  Format("%s.%d_%s", PortText, Number, Name()));
  ImageIndex = any ? kImageWithTags : 0;
  SetIcon(ImageIndex);
  if (auto* port = dynamic_cast<TPortSNMP*>(Parent())) port->UpdateSignalList();
}

const RecordDesc* TSNMP::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Text(kKeyPlace, "place", &TSNMP::Place, kMaxNameChars)
          .Computed(kKeyRecordSize, "record_size", FieldType::U32,
                    [](const TItem& item) {
                      return static_cast<std::int64_t>(
                          static_cast<const TSNMP&>(item).Device.Serialize().size());
                    })
          .Custom(
              kKeyRecord, "device",
              [](const TItem& item) { return static_cast<const TSNMP&>(item).Device.Serialize(); },
              [](TItem& item, const std::uint8_t* data, std::size_t size) {
                static_cast<TSNMP&>(item).Device.Parse(data, size);
              },
              [](const TItem& item) { return ShowDevice(static_cast<const TSNMP&>(item).Device); });
  return &record;
}

void TSNMP::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  // The owner's number starts every signal name; a duplicate is loaded the same way.
  if (const auto* port = dynamic_cast<const TPortSNMP*>(Parent())) PortText = port->PortText();
  if (!ReadVersion(cfg)) return;
  ReadShortString(cfg, kKeyPlace, kMaxNameChars, Place);
  // The record runs as far as its stored size says, never past the value itself.
  std::uint32_t size = 0;
  const bool haveSize = cfg.ReadScalar(kKeyRecordSize, size);
  const std::uint8_t* data;
  std::size_t stored;
  std::uint32_t tags = 0;
  if (cfg.FindValue(kKeyRecord, &data, &stored))
    Device.Parse(data, haveSize ? std::min<std::size_t>(size, stored) : stored, &tags);
  if (tags > TSNMP_device::kMaxTags)
    Config().Messages().Error(Format("Устройство SNMP %s: тегов %d, читаются первые %d.", Place,
                                     static_cast<int>(tags),
                                     static_cast<int>(TSNMP_device::kMaxTags)));
  UpdateSignalList();
  UpdateCaption();
  if (TParams* list = Measurements(); list && PeekChild(cfg, end) == list->BlockId())
    LoadChild(cfg, list);
  // Anything else inside the device is kept as it was.
  while (PeekChild(cfg, end) != kNoBlock) LoadOrKeepNextChild(cfg, nullptr);
}

// --- TPortSNMP ---

TPortSNMP::TPortSNMP(Configuration& config) : TDevicePort(config) {
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

std::vector<TSNMP*> TPortSNMP::SnmpDevices() const {
  std::vector<TSNMP*> devices;
  for (int i = 0; i < ChildCount(); ++i)
    if (auto* d = dynamic_cast<TSNMP*>(Child(i))) devices.push_back(d);
  return devices;
}

std::string TPortSNMP::CountText() const {
  return Format("Количество подключенных устройств = %d", DeviceCount);
}

void TPortSNMP::RenameDeviceLists(TPort& device) {
  if (auto* snmp = dynamic_cast<TSNMP*>(&device)) {
    snmp->PortText = PortText();
    snmp->UpdateSignalList();
  }
}

void TPortSNMP::RenumberDevices() {
  const std::string text = PortText();
  for (TSNMP* device : SnmpDevices())
    if (device->PortText != text) {
      device->PortText = text;
      device->UpdateSignalList();
    }
}

void TPortSNMP::DeviceAdded(TPort& device) {
  RenameDeviceLists(device);
}

std::string TPortSNMP::LinkStateName(const TPort& device, int) const {
  const auto* snmp = dynamic_cast<const TSNMP*>(&device);
  const std::string place = snmp ? snmp->Place : std::string();
  return "связь_" + device.Caption() + (place.empty() ? "" : "_" + place);
}

void TPortSNMP::LinkStatesChanged() {
  DeviceCount = static_cast<std::uint8_t>(DeviceTotal());
  SetIcon(DeviceCount == 0 ? 0 : kImageWithDevices);
  Storage().RebuildPool();
}

const RecordDesc* TPortSNMP::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyNumber, "number", &TPortSNMP::Number)
          .Field(kKeyNetwork, "network", &TPortSNMP::Network)
          .Field(kKeyPollPeriod, "poll_period", &TPortSNMP::PollPeriod, 1, "мс")
          .Field(kKeyAnswerWait, "answer_wait", &TPortSNMP::AnswerWait, 1, "мс")
          .Computed(kKeyDeviceCount, "device_count", FieldType::U8, [](const TItem& item) {
            return static_cast<const TPortSNMP&>(item).DeviceTotal();
          });
  return &record;
}

void TPortSNMP::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  cfg.ReadScalar(kKeyDeviceCount, DeviceCount);
  UpdateCaption();
  LoadDevices(cfg, end);
}

}  // namespace vilk
