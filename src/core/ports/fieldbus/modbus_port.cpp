// The two Modbus ports: their records, devices, link states and renumbering.
#include "ports/fieldbus/modbus.h"

#include <algorithm>
#include <unordered_set>

#include "base/format.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "ports/fieldbus/templates.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

namespace {
// TPortMODBUS / TPortRTUTCP
constexpr std::uint16_t kKeyNumber = 1, kKeyReplyWait = 57, kKeyTimeSync = 31, kKeyDeviceCount = 20,
                        kKeyBoard = 30, kKeyConnect = 63, kKeyReconnect = 64, kKeyPoll = 24,
                        kKeyNetwork = 72;
constexpr int kPortImage = 2;
}  // namespace

// --- the ports ---

TModbusPortBase::TModbusPortBase(Configuration& config, int kind, const char* name,
                                 std::uint16_t boardMask)
    : TDevicePort(config) {
  Kind = static_cast<std::uint8_t>(kind);
  SetName(name);
  Number = 1;
  BoardMask = boardMask;
  ImageIndex = kPortImage;
  SetIcon(0);
  Menu = PopupMenu::AddDelete;
  // The library is read once, when the first Modbus port is made.
  if (!TemplateHome().empty()) ModbusTemplates().Load(TemplateHome(), config.Messages());
  UpdateCaption();
}

std::string TModbusPortBase::PortText() const {
  return Format("%d_Порт", Number);
}

void TModbusPortBase::UpdateCaption() {
  SetCaption(Format("%d_Порт %s", Number, Name()));
}

std::vector<TRTU*> TModbusPortBase::ModbusDevices() const {
  std::vector<TRTU*> devices;
  for (int i = 0; i < ChildCount(); ++i)
    if (auto* d = dynamic_cast<TRTU*>(Child(i))) devices.push_back(d);
  return devices;
}

std::string TModbusPortBase::CountText() const {
  return Format("Количество подключенных устройств = %d", DeviceCount);
}

void TModbusPortBase::RenameDeviceLists(TPort& device) {
  if (auto* rtu = dynamic_cast<TRTU*>(&device)) {
    rtu->ListPrefix = PortText();
    rtu->UpdateSignalList();
  }
}

TRTU* TModbusPortBase::AddDevice(int number, const std::string& typeName) {
  auto made = MakeDevice(Config(), Kind, kModbusDevice);
  if (!made) return nullptr;
  auto* device = static_cast<TRTU*>(Config().Append(this, std::move(made)));
  device->Number = static_cast<std::uint8_t>(number);
  if (auto* tcp = dynamic_cast<TRTUTCP*>(device)) tcp->IpAddress = 0xC0A80100u | device->Number;
  if (!typeName.empty()) device->SetName(typeName);
  device->ListPrefix = PortText();
  device->UpdateCaption();
  if (!typeName.empty()) device->LoadTemplate();
  ChildrenChanged();
  return device;
}

void TModbusPortBase::DeviceAdded(TPort& device) {
  if (auto* rtu = dynamic_cast<TRTU*>(&device)) rtu->ListPrefix = PortText();
}

std::string TModbusPortBase::LinkStateName(const TPort& device, int) const {
  const auto* rtu = dynamic_cast<const TRTU*>(&device);
  const std::string place = rtu ? rtu->Place : std::string();
  return "связь_" + device.Caption() + (place.empty() ? "" : "_" + place);
}

void TModbusPortBase::LinkStatesChanged() {
  DeviceCount = static_cast<std::uint8_t>(DeviceTotal());
  if (!LinkedBoard) SetIcon(DeviceCount && !(BoardMask & kMaskCom) ? kPortImage : 0);
  Storage().RebuildPool();
}

TItem* TModbusPortBase::DuplicateChild(TItem* child) {
  auto* source = dynamic_cast<TRTU*>(child);
  if (!source || source->IsKept() || source->Parent() != this) return nullptr;
  // A copy is a new device (number 1, TCP 192.168.1.1) with the source's pattern; its
  // signals take the source's settings and short names under the copy's own prefix.
  TRTU* copy = AddDevice(1, "");
  if (!copy) return nullptr;
  copy->CopyPatternFrom(*source);
  copy->Fresh = false;
  copy->UpdateSignalList();
  for (int kind = 1; kind <= kSignalKinds; ++kind) {
    const TParams* from = source->List(kind);
    TParams* to = copy->List(kind);
    if (!from || !to) continue;
    for (int i = 0; i < std::min(from->Count(), to->Count()); ++i) {
      const TParam* s = from->At(i);
      TParam* d = to->At(i);
      if (!s || !d) continue;
      d->TSType = s->TSType;
      d->Inverted = s->Inverted;
      if (s->Name() != s->DefaultName()) TParams::SetShortName(*d, TParams::ShortName(*s));
      if (kind == kKindTI) {
        d->Gain = s->Gain;
        d->Offset = s->Offset;
        d->SetGroup(s->Group);
      }
    }
  }
  ChildrenChanged();
  return copy;
}

void TModbusPortBase::LoadPort(TConfig& cfg, std::size_t end) {
  UpdateCaption();
  LoadDevices(cfg, end);
}

TPortMODBUS::TPortMODBUS(Configuration& config)
    : TModbusPortBase(config, kPortMODBUS, "MODBUS-RTU", kMaskCom) {}

TItem* TPortMODBUS::AddChild(int kind) {
  if (kind != kModbusDevice) return nullptr;
  // Without the address dialog: the lowest free address.
  std::unordered_set<int> used;
  for (const TRTU* d : ModbusDevices()) used.insert(d->Number);
  int number = 1;
  while (number < 255 && used.count(number)) ++number;
  return AddDevice(number, "");
}

std::vector<TRTU*> TPortMODBUS::AddDevices(const std::vector<std::pair<int, std::string>>& chosen) {
  auto sorted = chosen;
  std::sort(sorted.begin(), sorted.end());
  std::vector<TRTU*> added;
  for (const auto& [address, type] : sorted)
    if (address >= 1 && address <= 255)
      if (TRTU* d = AddDevice(address, type)) added.push_back(d);
  return added;
}

const RecordDesc* TPortMODBUS::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyNumber, "number", &TPortMODBUS::Number)
          .Field(kKeyReplyWait, "reply_wait", &TPortMODBUS::ReplyWait, 1, "мс")
          .Field(kKeyTimeSync, "time_sync", &TPortMODBUS::TimeSync, 60000, "мин")
          .Computed(
              kKeyDeviceCount, "device_count", FieldType::U8,
              [](const TItem& item) { return static_cast<const TPortMODBUS&>(item).DeviceTotal(); })
          .Board(kKeyBoard);
  return &record;
}

void TPortMODBUS::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  cfg.ReadScalar(kKeyDeviceCount, DeviceCount);
  TController::LoadBoard(this, cfg, kKeyBoard);
  LoadPort(cfg, end);
}

TPortRTUTCP::TPortRTUTCP(Configuration& config)
    : TModbusPortBase(config, kPortRTUTCP, "MODBUS-TCP", kMaskIP) {}

TItem* TPortRTUTCP::AddChild(int kind) {
  if (kind != kModbusDevice) return nullptr;
  return AddDevice(1, "");
}

const RecordDesc* TPortRTUTCP::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyNumber, "number", &TPortRTUTCP::Number)
          .Field(kKeyConnect, "connect_wait", &TPortRTUTCP::ConnectWait, 1000, "с")
          .Field(kKeyReconnect, "reconnect_interval", &TPortRTUTCP::ReconnectWait, 1000, "с")
          .Field(kKeyPoll, "poll_period", &TPortRTUTCP::PollPeriod, 1, "мс")
          .Field(kKeyReplyWait, "reply_wait", &TPortRTUTCP::ReplyWait, 1, "мс")
          .Field(kKeyTimeSync, "time_sync", &TPortRTUTCP::TimeSync, 60000, "мин")
          .Field(kKeyNetwork, "network", &TPortRTUTCP::Network)
          .Computed(kKeyDeviceCount, "device_count", FieldType::U8, [](const TItem& item) {
            return static_cast<const TPortRTUTCP&>(item).DeviceTotal();
          });
  return &record;
}

void TPortRTUTCP::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  cfg.ReadScalar(kKeyDeviceCount, DeviceCount);
  LoadPort(cfg, end);
}

}  // namespace vilk
